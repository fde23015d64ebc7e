// The rule editor's preview: the rule being written is run on the fetched page through the real
// cutter, cleaner and a chosen stylesheet, as a cycle would run it, on a worker thread so the
// window never waits. Only the newest request is worked on; older ones are dropped.
#pragma once

#include "library/BlockItems.h"
#include "library/RuleFile.h"
#include "pipeline/SiteWorkers.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel {

// The page a rule is written for, stored in a scratch folder of its own as the cycle stores it
// (UTF-8, joined into one line). The folder goes with the object.
class PreviewPage {
  public:
    // Raises EInOutError when the scratch folder or the page cannot be written.
    PreviewPage(const std::string& utf8Text, std::string siteUrl);
    ~PreviewPage();
    PreviewPage(const PreviewPage&) = delete;
    PreviewPage& operator=(const PreviewPage&) = delete;

    const std::string& pagePath() const { return pagePath_; }
    const std::string& cutPath() const { return cutPath_; }
    const std::string& siteUrl() const { return siteUrl_; }
    // Where the page's relative links lead from: its <base href>, else the site's URL.
    const std::string& linkBase() const { return linkBase_; }

  private:
    std::string folder_;
    std::string pagePath_;
    std::string cutPath_;
    std::string siteUrl_;
    std::string linkBase_;
};

struct RulePreview {
    std::vector<std::string> pieces; // the cut file's lines
    std::string block;               // the stylesheet's block, links made absolute
    std::vector<ShownItem> items;    // what the block shows
    std::string problem;             // why the block could not be made; empty when it was
};

// Cuts the page by the rule file RuleFileText(settings) would hold; a worker cleans the cut as
// the display step does for a site of type "html" (fix.dat included) and transforms it with the
// program folder's stylesheets/<styleSheet>. Never raises; a failure is in `problem`.
RulePreview PreviewRule(const PreviewPage& page, const RuleSettings& settings,
                        const std::string& styleSheet, SiteWorkers& workers);

// The same for any rule file's text and a site of any type ("html", "addxmltags", ...).
RulePreview PreviewRuleText(const PreviewPage& page, const std::string& ruleText,
                            const std::string& type, const std::string& styleSheet,
                            SiteWorkers& workers);

// Runs PreviewRule on a thread of its own, with a worker of its own (started with it). `done` is
// called on that thread with the number of the request it answers; the newest request replaces
// any not yet started. Raises nimbrel::Exception when the worker program is not found.
class RulePreviewWorker {
  public:
    using Done = std::function<void(uint64_t request, const RulePreview& preview)>;
    RulePreviewWorker(std::shared_ptr<const PreviewPage> page, Done done);
    ~RulePreviewWorker(); // stops the preview in progress and drops the rest
    RulePreviewWorker(const RulePreviewWorker&) = delete;
    RulePreviewWorker& operator=(const RulePreviewWorker&) = delete;

    // Queues a preview and returns its number (1, 2, ...).
    uint64_t request(RuleSettings settings, std::string styleSheet);

  private:
    struct Request {
        uint64_t number;
        RuleSettings settings;
        std::string styleSheet;
    };
    void run();

    std::shared_ptr<const PreviewPage> page_;
    Done done_;
    SiteWorkers workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Request> pending_;
    uint64_t lastNumber_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace nimbrel
