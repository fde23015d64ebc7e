#include "library/RulePreview.h"

#include "components/MSXML2_TLB.h"
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
    CutInto(rule.firstChild(), page.pagePath(), page.cutPath());
}

// The display step's cleaning of a site of the type (fix.dat included) and its transform, done
// by a worker.
std::string Block(const PreviewPage& page, const std::string& type, const std::string& styleSheet,
                  SiteWorkers& workers) {
    if (!DataNameStaysInFolder(styleSheet))
        throw Exception("Choose one of the stylesheets of the folder stylesheets.");
    const DisplayTrial trial =
        workers.run({ProgramFolder(), page.cutPath(), type, DataFile("\\stylesheets", styleSheet),
                     page.linkBase(), LoadFixList(ProgramFile("\\fix.dat"))});
    if (!trial.sheetReason.empty())
        throw Exception("The stylesheet " + styleSheet + " does not load: " + trial.sheetReason);
    if (!trial.failure.empty())
        throw Exception(trial.failure);
    return RemoveEngineDeclarations(trial.block);
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
                        const std::string& styleSheet, SiteWorkers& workers) {
    return PreviewRuleText(page, RuleFileText(settings), "html", styleSheet, workers);
}

RulePreview PreviewRuleText(const PreviewPage& page, const std::string& ruleText,
                            const std::string& type, const std::string& styleSheet,
                            SiteWorkers& workers) {
    RulePreview preview;
    try {
        Cut(page, ruleText);
        preview.pieces = ReadTextLines(page.cutPath());
        preview.block = Block(page, type, styleSheet, workers);
        preview.items = BlockItems(preview.block);
    } catch (const Exception& error) {
        preview.problem = error.message();
    }
    return preview;
}

RulePreviewWorker::RulePreviewWorker(std::shared_ptr<const PreviewPage> page, Done done)
    : page_(std::move(page)), done_(std::move(done)), workers_(1), thread_([this] { run(); }) {}

RulePreviewWorker::~RulePreviewWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    workers_.stop(); // a preview in progress ends at once instead of running to its end
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
        done_(request.number, PreviewRule(*page_, request.settings, request.styleSheet, workers_));
    }
}

} // namespace nimbrel
