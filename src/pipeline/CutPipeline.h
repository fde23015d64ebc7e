// A download cycle's cut and display step run behind its fetch: a site is cut as soon as its page
// file is final (with every other site that reads the same page file), on a thread of its own,
// and its block is made by the display step's workers as soon as its cut is done, while other
// pages are still downloading. The digest's plan is made once, from the selection the fetch
// lists its sites from.
//
// What anyone can see keeps its place: the cut's messages are kept and shown by finishCut(), on
// the caller's thread, where the cut used to run; site.html and the records stay the display
// step's (TidyAndDisplay.h), which takes what was begun here.
#pragma once

#include "components/MSXML2_TLB.h"
#include "pipeline/EarlyDisplay.h"
#include "platform/LargeStack.h"

#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nimbrel {

class CutPipeline : private RipProgress {
  public:
    explicit CutPipeline(unsigned workers = DisplayWorkerCount(), std::time_t madeAt = 0);
    // Stops the cut and waits for it; what was begun of the page is dropped unless taken.
    ~CutPipeline();
    CutPipeline(const CutPipeline&) = delete;
    CutPipeline& operator=(const CutPipeline&) = delete;

    // The fetch's side. The cycle's selection, as the fetch lists its sites: the cut begins.
    void begin(const msxml::XmlDocument& selection);
    // The page file of the site at this index (of the selection's sites) is final for the cycle.
    void pageSettled(size_t site);
    // The fetch has ended: the pages not settled keep what they hold.
    void pagesSettled();

    // The caller's side. True once finishCut() and the display step wait no more: the cut has
    // ended and every block it began is placed (or the cut was never begun).
    bool ready() const;
    // Waits for the cut (when it was never begun, cuts now, on this thread), shows its messages
    // through the dialogs in force, in order, and raises again what ended it; false when the
    // selection could not be loaded (Rip).
    bool finishCut();
    // The display step as begun during the cut, for DisplayContext::early.
    EarlyDisplay* early() { return &early_; }
    // Stops the cut after the site at hand and drops what was begun; finishCut() then cuts no
    // more. Waits for the cut's thread.
    void stop();

  private:
    void sitesFound(const msxml::XmlNodeList& sites) override;
    void siteDone(long index) override;
    void beforeSite(long index) override;
    void show(const std::string& message) override;
    void cut(msxml::XmlDocument selection);
    bool cutEnded() const;

    struct Stopped {};

    EarlyDisplay early_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> settled_;                // by site
    std::vector<std::vector<size_t>> readers_; // by site: the sites that read its page file
    bool allSettled_ = false;
    bool stopping_ = false;
    bool cutOver_ = false;
    bool selectionLoaded_ = true;
    std::vector<std::string> messages_;
    std::unique_ptr<LargeStackThread> thread_; // last: it calls into the members above
};

} // namespace nimbrel
