// TWebDownload: the fetch thread of one download cycle. It has the window thread read the
// selection (setup.xml), lists the sites in the status grid, then downloads them one after
// another into page files in the folder Sites, publishing the URL in progress in CurrentURL and
// finally "Complete". The window polls CurrentURL and finishes the cycle.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
};

class TWebDownload {
  public:
    // Starts running at once. The host must outlive the thread.
    explicit TWebDownload(TWebDownloadHost& host);
    // Requests the stop, then waits for the thread's end.
    ~TWebDownload();
    TWebDownload(const TWebDownload&) = delete;
    TWebDownload& operator=(const TWebDownload&) = delete;

    // The stop request: read before each site; a page in progress is finished.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Lets the thread go unwatched: it stops after the site in progress and leaves the grid,
    // which may already show a newer cycle, alone from now on.
    void Drop();

    // Empty at first, then the URL in progress as written in the selection, then "Complete".
    std::string CurrentURL() const;
    // True once the thread's body has returned, whether it reached "Complete" or not.
    bool Finished() const { return finished_; }
    // Why the work ended before "Complete" (a page file that could not be written); else empty.
    std::string FailureMessage() const;
    // Waits for the thread's end.
    void WaitFor();

  private:
    struct Site {
        std::string name;
        std::string url;
        bool hasUrl = false;
    };

    void Execute();
    void LoadSelection(); // on the window thread
    void DownloadAll();
    void DownloadSite(int index);
    bool Fetch(const std::string& url); // false (and lastReason_) when the page did not come
    static void BringToUtf8(const std::string& path, const std::string& contentType);
    void SetCurrentURL(const std::string& url);
    void ChangeGrid(const std::function<void()>& change);
    void ShowStatus(int index, const std::string& status);

    TWebDownloadHost& host_;
    std::vector<Site> sites_;
    std::string agent_;
    std::string lastReason_;
    mutable std::mutex stateMutex_;
    std::string currentURL_;
    std::string failure_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> dropped_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

namespace nimbrel {

// The address actually requested for a URL as written in the selection: as written when it
// starts with "https://" (any letter case) or contains "http://"; else "http://" in front.
std::string FetchAddress(const std::string& url);

} // namespace nimbrel
