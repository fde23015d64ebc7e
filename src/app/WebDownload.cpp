#include "app/WebDownload.h"

#include "app/SiteFetch.h"
#include "app/Synchronizer.h"
#include "components/MSXML2_TLB.h"
#include "pipeline/CutPipeline.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/SiteLabels.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

#include <ctime>

namespace {

const char* const kComplete = "Complete";
const char* const kSetupMissing = "Setup.xml not found, the program will exit now. Please run "
                                  "the setup wizard before downloading";

uint64_t NextCycle() {
    static std::atomic<uint64_t> last{0};
    return ++last;
}

} // namespace

TWebDownload::TWebDownload(TWebDownloadHost& host, std::shared_ptr<nimbrel::CutPipeline> pipeline)
    : host_(host), cycle_(NextCycle()), folderLock_(nimbrel::FolderLock::Take()),
      pipeline_(std::move(pipeline)), thread_([this] { Execute(); }) {}

TWebDownload::~TWebDownload() {
    Terminate();
    WaitFor();
}

void TWebDownload::Terminate() {
    terminated_ = true;
    transfers_.abort();
}

void TWebDownload::Drop() {
    dropped_ = true;
    Terminate();
    if (pipeline_)
        pipeline_->stop();
}

std::string TWebDownload::CurrentURL() const {
    std::lock_guard lock(stateMutex_);
    return currentURL_;
}

std::string TWebDownload::FailureMessage() const {
    std::lock_guard lock(stateMutex_);
    return failure_;
}

void TWebDownload::WaitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TWebDownload::SetCurrentURL(const std::string& url) {
    std::lock_guard lock(stateMutex_);
    currentURL_ = url;
}

void TWebDownload::Execute() {
    try {
        bool ran = false;
        while (!Terminated()) {
            host_.Synchronize([this] { LoadSelection(); });
            DownloadAll();
            ran = true;
        }
        // Stopped before it began: there is nothing to wait for, the cycle may end.
        if (!ran)
            SetCurrentURL(kComplete);
        if (pipeline_)
            pipeline_->pagesSettled();
    } catch (const nimbrel::SynchronizeRefused&) {
        // The window is closing and waits for this thread: end without a word.
        StopPipeline();
    } catch (const nimbrel::HaltRequested&) {
        // Only tests get here: the program would have ended in the selection step.
        StopPipeline();
    } catch (const std::exception& error) {
        StopPipeline();
        std::lock_guard lock(stateMutex_);
        failure_ = error.what();
    }
    folderLock_.reset();
    finished_ = true;
}

// A cycle that ends without "Complete" cuts nothing.
void TWebDownload::StopPipeline() {
    if (pipeline_)
        pipeline_->stop();
}

void TWebDownload::PageSettled(int index) {
    if (pipeline_)
        pipeline_->pageSettled(static_cast<size_t>(index));
}

void TWebDownload::LoadSelection() {
    // A thread let go before it began has no use for the selection (nor for ending the
    // program over a missing one).
    if (dropped_)
        return;
    auto document = nimbrel::msxml::XmlDocument::Create();
    const std::string path = nimbrel::ProgramFile("\\setup.xml");
    if (!nimbrel::FileExists(path)) {
        nimbrel::Dialogs().showMessage(kSetupMissing);
        nimbrel::Halt();
    }
    // A file that does not parse gives no sites; the display step reports it later.
    document.load(path);
    const auto nodes = document.selectNodes("//site");
    if (pipeline_)
        pipeline_->begin(document);
    const std::vector<std::string> labels = nimbrel::SiteLabels(nodes);
    sites_.clear();
    for (long i = 0; i < nodes.length(); ++i) {
        const auto url = nodes.item(i).attributes().getNamedItem("URL");
        sites_.push_back(
            {labels[static_cast<size_t>(i)], url ? url.text() : "", !url.isNull(), ""});
    }
}

void TWebDownload::ChangeGrid(const std::function<void()>& change) {
    host_.Synchronize([&] {
        if (host_.ShownCycle == cycle_)
            change();
    });
}

void TWebDownload::ShowStatus(int index, const std::string& status, const std::string& tip) {
    ChangeGrid([&] {
        host_.SetStatusCell(1, index + 1, status);
        host_.SetStatusTip(index + 1, tip);
    });
}

// The grid becomes this cycle's, unless the thread was let go first: a newer cycle may show.
void TWebDownload::ListSites() {
    const int count = static_cast<int>(sites_.size());
    host_.Synchronize([&] {
        if (dropped_)
            return;
        host_.ShownCycle = cycle_;
        host_.SetUpStatusGrid();
        host_.SetStatusRowCount(count + 1);
        for (int i = 0; i < count; ++i) {
            host_.SetStatusCell(0, i + 1, sites_[i].name);
            host_.SetStatusCell(1, i + 1, "Waiting");
        }
    });
}

void TWebDownload::DownloadAll() {
    ListSites();
    pages_.clear();
    pages_.resize(sites_.size());
    std::vector<int> siteOfTransfer;
    QueueSites(siteOfTransfer);
    nextWithoutTransfer_ = 0;
    try {
        transfers_.run({[&](nimbrel::HttpTransfers::Id id) {
                            EndSitesWithoutTransferBefore(siteOfTransfer[id]);
                            StartSite(siteOfTransfer[id]);
                        },
                        [&](nimbrel::HttpTransfers::Id id, const nimbrel::HttpResult& result) {
                            EndSite(siteOfTransfer[id], result);
                        }});
        if (!Terminated())
            EndSitesWithoutTransferBefore(static_cast<int>(sites_.size()));
    } catch (const nimbrel::SynchronizeRefused&) {
        throw;
    } catch (...) {
        StopRowsInFlight();
        throw;
    }
    SetCurrentURL(kComplete);
    sites_.clear();
    Terminate();
}

// Hands every site that may be asked now to the transfers, in selection order; the others
// (no URL, deferred) know their end status already.
void TWebDownload::QueueSites(std::vector<int>& siteOfTransfer) {
    const std::time_t now = std::time(nullptr);
    for (int i = 0; i < static_cast<int>(sites_.size()); ++i) {
        if (!sites_[i].hasUrl) {
            sites_[i].endsWithout = "Failed: no URL in the selection";
            continue;
        }
        nimbrel::SiteFetchPlan plan;
        try {
            plan = nimbrel::PlanSiteFetch(sites_[i].url, now);
        } catch (const nimbrel::Exception& error) {
            // The site's own record is unusable: this site fails, the others are fetched.
            sites_[i].endsWithout = "Failed: " + error.message();
            continue;
        }
        if (plan.deferred) {
            sites_[i].endsWithout = plan.status;
            continue;
        }
        plan.request.sink = [this, i](const char* data, size_t size) {
            pages_[i]->write({data, size});
        };
        transfers_.add(std::move(plan.request));
        siteOfTransfer.push_back(i);
    }
}

// A site that needs no transfer takes its turn in selection order like the others: it is the
// URL most recently started, its row reads Downloading and then its end status.
void TWebDownload::EndSitesWithoutTransferBefore(int index) {
    for (; nextWithoutTransfer_ < index; ++nextWithoutTransfer_) {
        const Site& site = sites_[nextWithoutTransfer_];
        if (site.endsWithout.empty())
            continue;
        SetCurrentURL(site.url);
        ShowStatus(nextWithoutTransfer_, "Downloading");
        ShowStatus(nextWithoutTransfer_, site.endsWithout);
        PageSettled(nextWithoutTransfer_);
    }
}

void TWebDownload::StartSite(int index) {
    SetCurrentURL(sites_[index].url);
    ShowStatus(index, "Downloading");
    // The page goes to a temporary file beside the old one, which it replaces only when the
    // whole page has arrived: the cutter never sees half a page, and a failure keeps the last
    // good page. A file that cannot be written raises and ends the thread's work.
    try {
        pages_[index] =
            std::make_unique<nimbrel::AtomicFile>(nimbrel::SitePagePath(sites_[index].url));
    } catch (const nimbrel::Exception& error) {
        ShowStatus(index, "Failed: " + error.message());
        throw;
    }
}

void TWebDownload::EndSite(int index, const nimbrel::HttpResult& result) {
    const std::unique_ptr<nimbrel::AtomicFile> page = std::move(pages_[index]);
    try {
        if (result.sinkError)
            std::rethrow_exception(result.sinkError);
        const nimbrel::SiteFetchOutcome outcome =
            nimbrel::FinishSiteFetch(sites_[index].url, result, *page, std::time(nullptr));
        ShowStatus(index, outcome.status, outcome.tip);
        PageSettled(index);
    } catch (const nimbrel::Exception& error) {
        ShowStatus(index, "Failed: " + error.message());
        throw;
    }
}

// The work ended by an error: the pages still in progress were abandoned with it.
void TWebDownload::StopRowsInFlight() {
    try {
        for (size_t i = 0; i < pages_.size(); ++i)
            if (pages_[i])
                ShowStatus(static_cast<int>(i), "Stopped");
    } catch (...) {
        // The error that ended the work is the one to report.
    }
    pages_.clear();
}
