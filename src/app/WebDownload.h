// TWebDownload: the fetch thread of one download cycle. It has the window thread read the
// selection (setup.xml), lists the sites in the status grid, then downloads them into page files
// in the folder Sites, several at once, publishing the URL most recently started in CurrentURL
// and finally "Complete". The window polls CurrentURL and finishes the cycle. Given a cut
// pipeline, the thread hands it the selection and tells it of every page file that is final, so
// the cut and the display step run behind the downloads.
#pragma once

#include "components/HttpTransfers.h"
#include "platform/AtomicFile.h"
#include "platform/FolderLock.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel {
class CutPipeline;
}

// What the fetch thread needs of the window that watches it. The grid methods are only ever
// called on the window thread, through Synchronize, in the order the thread makes the changes.
class TWebDownloadHost {
  public:
    virtual ~TWebDownloadHost() = default;
    // Runs fn on the window thread and waits until it has run; re-raises what fn raised. Raises
    // nimbrel::SynchronizeRefused when the window takes no more work (it is closing).
    virtual void Synchronize(const std::function<void()>& fn) = 0;
    // The grid afresh: 2 columns and 2 rows, headings "Site" and "Status" with the cells below
    // emptied, column widths 200 and (grid width - 201), no fixed columns.
    virtual void SetUpStatusGrid() = 0;
    virtual void SetStatusRowCount(int rows) = 0;
    virtual void SetStatusCell(int column, int row, const std::string& text) = 0;
    // The row's tooltip: the whole text behind a short status; empty for none.
    virtual void SetStatusTip(int row, const std::string& text) = 0;

    // The cycle whose rows the grid shows (0 for none). Used on the window thread only: a
    // thread changes the grid only while it shows that thread's cycle.
    uint64_t ShownCycle = 0;
};

class TWebDownload {
  public:
    // Takes the program folder's lock (FolderLock.h; raises FolderBusy while another run holds
    // it) and starts running at once; the lock is let go when the thread's work ends. The host
    // must outlive the thread.
    explicit TWebDownload(TWebDownloadHost& host,
                          std::shared_ptr<nimbrel::CutPipeline> pipeline = nullptr);
    // Requests the stop, then waits for the thread's end.
    ~TWebDownload();
    TWebDownload(const TWebDownload&) = delete;
    TWebDownload& operator=(const TWebDownload&) = delete;

    // The stop request: pages in progress are abandoned at once (their rows read "Stopped" and
    // the pages from before stay), no further page is begun, and the thread ends.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Lets the thread go unwatched: it stops as Terminate says. Its last grid changes land only
    // while the grid still shows its cycle.
    void Drop();

    // Empty at first, then the URL most recently started as written in the selection, then
    // "Complete".
    std::string CurrentURL() const;
    // True once the thread's body has returned, whether it reached "Complete" or not. Read it
    // before CurrentURL: once true, CurrentURL holds its last value.
    bool Finished() const { return finished_; }
    // Why the work ended before "Complete" (a page file that could not be written); else empty.
    std::string FailureMessage() const;
    // Waits for the thread's end.
    void WaitFor();
    // The pipeline given, or null. After a failure (FailureMessage) or Drop() it is stopped.
    nimbrel::CutPipeline* Pipeline() const { return pipeline_.get(); }

  private:
    struct Site {
        std::string name;
        std::string url;
        bool hasUrl = false;
        std::string endsWithout; // the end status of a site that needs no transfer, else empty
    };

    void Execute();
    void LoadSelection(); // on the window thread
    void DownloadAll();
    void ListSites();
    void QueueSites(std::vector<int>& siteOfTransfer);
    void EndSitesWithoutTransferBefore(int index);
    void StartSite(int index);
    void EndSite(int index, const nimbrel::HttpResult& result);
    void StopRowsInFlight();
    void SetCurrentURL(const std::string& url);
    void ChangeGrid(const std::function<void()>& change);
    void ShowStatus(int index, const std::string& status, const std::string& tip = {});
    void PageSettled(int index);
    void StopPipeline();

    TWebDownloadHost& host_;
    const uint64_t cycle_;
    std::vector<Site> sites_;
    int nextWithoutTransfer_ = 0; // sites before this one that need no transfer have ended
    std::vector<std::unique_ptr<nimbrel::AtomicFile>> pages_; // by site, while in flight
    mutable std::mutex stateMutex_;
    std::string currentURL_;
    std::string failure_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> dropped_{false};
    std::atomic<bool> finished_{false};
    nimbrel::HttpTransfers transfers_;
    std::optional<nimbrel::FolderLock> folderLock_; // while the thread writes page files
    std::shared_ptr<nimbrel::CutPipeline> pipeline_;
    std::thread thread_;
};
