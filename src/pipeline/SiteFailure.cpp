#include "pipeline/SiteFailure.h"

#include "pipeline/PageName.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

namespace nimbrel {

namespace {

// Enough for any reason the program gives; an engine's long report is cut here.
constexpr size_t kLongestReason = 400;

std::string NotePath(std::string_view url) {
    return DataFile("\\Work", PageFileStem(url) + ".err");
}

// One line of text: runs of line breaks and tabs become one blank.
std::string OneLine(std::string_view text) {
    std::string line;
    for (char c : text) {
        const bool blank = c == '\r' || c == '\n' || c == '\t' || c == ' ';
        if (!blank)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    return Trim(line);
}

std::string Escaped(std::string_view text) {
    std::string out(text);
    for (const auto& [plain, entity] :
         {std::pair{"&", "&amp;"}, std::pair{"<", "&lt;"}, std::pair{">", "&gt;"},
          std::pair{"\"", "&quot;"}, std::pair{"'", "&#39;"}})
        out = ReplaceAll(out, plain, entity);
    return out;
}

} // namespace

std::string ConciseReason(std::string_view reason) {
    const std::string line = OneLine(reason);
    if (line.size() <= kLongestReason)
        return line;
    return std::string(Utf8Prefix(line, kLongestReason)) + "\xE2\x80\xA6"; // an ellipsis
}

std::string SiteFailureNotice(const SiteFailure& failure) {
    return "<div class=\"site site-failure\" style=\"border-color:#d14343\">"
           "<h2 class=\"site-name\">" +
           Escaped(OneLine(failure.name)) +
           "</h2><p class=\"site-failure-reason\" style=\"margin:4px 0 10px;color:#b42318\">"
           "This site could not be shown: " +
           Escaped(ConciseReason(failure.reason)) + "</p></div>";
}

void RecordCutFailure(std::string_view url, std::string_view reason) {
    AtomicWriteFile(NotePath(url), reason);
}

void ClearCutFailure(std::string_view url) {
    DeleteFileQuietly(NotePath(url));
}

std::optional<std::string> RecordedCutFailure(std::string_view url) {
    const std::string path = NotePath(url);
    if (!FileExists(path))
        return std::nullopt;
    return ReadFileBytes(path);
}

} // namespace nimbrel
