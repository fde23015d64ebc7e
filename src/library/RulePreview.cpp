#include "library/RulePreview.h"

#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/BlockLinks.h"
#include "pipeline/FixList.h"
#include "pipeline/HtmlRip.h"
#include "pipeline/PageBase.h"
#include "pipeline/Placeholders.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace nimbrel {

namespace {

using msxml::XmlDocument;

std::string MakeScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-rule-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        RaiseInOutError(errno);
    return pattern;
}

void Cut(const PreviewPage& page, const std::string& ruleText) {
    XmlDocument rule = XmlDocument::Create();
    rule.loadXML(ruleText);
    if (!rule.parseError().reason.empty())
        throw Exception("The rule file does not load: " + rule.parseError().reason);
    RipOutput().open(page.cutPath());
    try {
        RunCommandTree(rule.firstChild(), page.pagePath());
    } catch (...) {
        RipOutput().closeAfterError();
        throw;
    }
    RipOutput().close();
}

// The display step's cleaning of a site of the type: the fixed options, the per-site switch
// (off for "html"), the "addxmltags" wrapper, then fix.dat.
std::string CleanedCut(const std::string& cutPath, const std::string& type) {
    std::unique_ptr<tidycom::TidyObject> cleaner = tidycom::TidyObject::Create();
    cleaner->options().setSwitch(tidycom::kFirstFixedSwitch, true);
    cleaner->options().setSwitch(tidycom::kSecondFixedSwitch, true);
    cleaner->options().setValue(tidycom::kOptionSetToTwo, 2);
    cleaner->options().setValue(tidycom::kOptionSetToEight, 8);
    cleaner->options().setSwitch(tidycom::kPerSiteSwitch, type != "html");
    std::string cleaned = cleaner->cleanFile(cutPath);
    if (type == "addxmltags")
        cleaned = "<xml>" + cleaned + "</xml>";
    return ApplyFixList(cleaned, LoadFixList(ProgramFile("\\fix.dat")));
}

std::string Block(const PreviewPage& page, const std::string& type, const std::string& styleSheet) {
    if (!DataNameStaysInFolder(styleSheet))
        throw Exception("Choose one of the stylesheets of the folder stylesheets.");
    XmlDocument sheet = XmlDocument::Create();
    sheet.load(DataFile("\\stylesheets", styleSheet));
    if (!sheet.parseError().reason.empty())
        throw Exception("The stylesheet " + styleSheet +
                        " does not load: " + sheet.parseError().reason);
    XmlDocument cleaned = XmlDocument::Create();
    cleaned.loadXML(CleanedCut(page.cutPath(), type)); // a text that does not parse stays empty
    return ResolveBlockLinks(RemoveEngineDeclarations(cleaned.transformNode(sheet)),
                             page.linkBase());
}

} // namespace

PreviewPage::PreviewPage(const std::string& utf8Text, std::string siteUrl)
    : folder_(MakeScratchFolder()), pagePath_(folder_ + "/page.dat"),
      cutPath_(folder_ + "/cut.dat"), siteUrl_(std::move(siteUrl)),
      linkBase_(PageLinkBase(utf8Text, siteUrl_)) {
    try {
        AtomicWriteFile(pagePath_, utf8Text);
        JoinLines(pagePath_);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        throw;
    }
}

PreviewPage::~PreviewPage() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

RulePreview PreviewRule(const PreviewPage& page, const RuleSettings& settings,
                        const std::string& styleSheet) {
    return PreviewRuleText(page, RuleFileText(settings), "html", styleSheet);
}

RulePreview PreviewRuleText(const PreviewPage& page, const std::string& ruleText,
                            const std::string& type, const std::string& styleSheet) {
    RulePreview preview;
    try {
        Cut(page, ruleText);
        preview.pieces = ReadTextLines(page.cutPath());
        preview.block = Block(page, type, styleSheet);
        preview.items = BlockItems(preview.block);
    } catch (const Exception& error) {
        preview.problem = error.message();
    }
    return preview;
}

RulePreviewWorker::RulePreviewWorker(std::shared_ptr<const PreviewPage> page, Done done)
    : page_(std::move(page)), done_(std::move(done)), thread_([this] { run(); }) {}

RulePreviewWorker::~RulePreviewWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

uint64_t RulePreviewWorker::request(RuleSettings settings, std::string styleSheet) {
    uint64_t number = 0;
    {
        std::lock_guard lock(mutex_);
        number = ++lastNumber_;
        pending_ = Request{number, std::move(settings), std::move(styleSheet)};
    }
    wake_.notify_one();
    return number;
}

void RulePreviewWorker::run() {
    for (;;) {
        Request request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
            if (stopping_)
                return;
            request = std::move(*pending_);
            pending_.reset();
        }
        done_(request.number, PreviewRule(*page_, request.settings, request.styleSheet));
    }
}

} // namespace nimbrel
