#include "support/TestSupport.h"

#include "pipeline/SiteWorkers.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace nimbrel::test {

namespace {

// The test programs live apart from the programs they test: every test that runs the display
// step in its own process starts the worker built beside nimbrel-digest.
[[maybe_unused]] const bool workerProgramSet =
    (SetWorkerProgramForTesting(NIMBREL_WORKER_EXE), true);

} // namespace

TempProgramFolder::TempProgramFolder(bool withSubfolders) {
    std::string pattern = (fs::temp_directory_path() / "nimbrel-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (withSubfolders)
        for (const char* sub : {"Sites", "Work", "Temp", "Rip", "stylesheets", "icons", "Profile"})
            fs::create_directory(fs::path(path_) / sub);
    SetProgramFolder(path_);
}

TempProgramFolder::~TempProgramFolder() {
    std::error_code ec;
    // Folders made read-only by a test must become writable again before removal.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void TempProgramFolder::write(const std::string& relative, const std::string& bytes) const {
    WriteBytes(file(relative), bytes);
}

std::string TempProgramFolder::read(const std::string& relative) const {
    return ReadBytes(file(relative));
}

bool TempProgramFolder::exists(const std::string& relative) const {
    return fs::exists(file(relative));
}

ScriptedDialogs::ScriptedDialogs() {
    SetDialogs(this);
}
ScriptedDialogs::~ScriptedDialogs() {
    SetDialogs(nullptr);
}

void ScriptedDialogs::showMessage(const std::string& text) {
    messages.push_back(text);
    if (whileShown)
        whileShown();
}

bool ScriptedDialogs::askYesNo(const std::string& text) {
    questions.push_back(text);
    if (answers.empty())
        return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedDialogs::showError(const std::string& text) {
    errors.push_back(text);
    if (whileShown)
        whileShown();
}

std::optional<std::string> ScriptedDialogs::openFile(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileNames.empty())
        return std::nullopt;
    auto name = fileNames.front();
    fileNames.pop_front();
    return name;
}

std::optional<std::string> ScriptedDialogs::saveFile(const FileDialogRequest& request) {
    return openFile(request);
}

void SetDefaultHttpBounds(const HttpBounds& bounds) {
    static HttpBounds installed;
    installed = bounds;
    HttpBoundsSlot::install(&installed);
}

HaltRecorder::HaltRecorder() {
    SetHaltHandler([this](int code) {
        ++count;
        lastExitCode = code;
    });
}
HaltRecorder::~HaltRecorder() {
    SetHaltHandler({});
}

RecordingShell::RecordingShell() {
    SetShell(this);
}
RecordingShell::~RecordingShell() {
    SetShell(nullptr);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out << bytes;
}

std::string RealFixture(const std::string& name) {
    const fs::path p = fs::path(NIMBREL_REAL_FIXTURES) / name;
    return fs::exists(p) ? p.string() : std::string();
}

const char* const kBoldRule =
    "<Rules><Command Name=\"append\" Specific=\"0\">"
    "<StartTag IncludeTags=\"1\" ReverseLTags=\"0\" SkipSimilar=\"0\">&lt;b&gt;</StartTag>"
    "<EndTag IncludeTags=\"1\" ReverseLTags=\"0\" SkipSimilar=\"0\">&lt;/b&gt;</EndTag>"
    "</Command></Rules>";

std::string BoldPage(const std::string& text) {
    return "<html><head>" + std::string(200, ' ') + "</head><body><b>" + text +
           "</b></body></html>";
}

void WriteCycleFiles(const TempProgramFolder& folder) {
    folder.write("Rip/rule.xml", kBoldRule);
    folder.write(
        "setup.xslt",
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"html\"/><xsl:template match=\"/\"><html><body><table><tr>"
        "<xsl:for-each select=\"//site\"><td><site URL=\"{@URL}\"/></td></xsl:for-each>"
        "</tr></table></body></html></xsl:template></xsl:stylesheet>");
    folder.write(
        "stylesheets/s.xsl",
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/><xsl:template match=\"/\">"
        "<div class=\"block\"><xsl:value-of select=\"//b\"/></div></xsl:template>"
        "</xsl:stylesheet>");
}

void SelectBoldSites(const TempProgramFolder& folder,
                     const std::vector<std::pair<std::string, std::string>>& sites) {
    std::string xml = "<setup>";
    for (const auto& [name, url] : sites)
        xml += "<site Name=\"" + name + "\" URL=\"" + url +
               "\" Type=\"html\" StyleSheet=\"s.xsl\" RipFile=\"rule.xml\"/>";
    folder.write("setup.xml", xml + "</setup>");
}

void CopyShippedData(const TempProgramFolder& folder) {
    for (const auto& entry : fs::directory_iterator(fs::path(NIMBREL_SOURCE_DIR) / "data"))
        fs::copy(entry.path(), fs::path(folder.path()) / entry.path().filename(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::string RepoFixture(const std::string& relative) {
    return (fs::path(NIMBREL_SOURCE_DIR) / "tests" / "fixtures" / relative).string();
}

std::string Repeated(const std::string& piece, size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

std::string FrameTop(const std::string& page, const std::string& name) {
    const size_t data = page.find(" data-site=\"" + name + "\"");
    const size_t start = page.rfind("<div class=\"site-frame", data);
    if (data == std::string::npos || start == std::string::npos)
        return {};
    size_t end = page.find("</div>", data) + 6;
    static const std::string note = "<p class=\"site-frame-note\">";
    if (page.compare(end, note.size(), note) == 0)
        end = page.find("</p>", end) + 4;
    return page.substr(start, end - start);
}

} // namespace nimbrel::test
