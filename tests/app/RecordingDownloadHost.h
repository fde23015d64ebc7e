// A window side for fetch-thread tests: runs the thread's routines on the test's thread, keeps
// the status grid as a table and records every grid change in order.
#pragma once

#include "app/Synchronizer.h"
#include "app/WebDownload.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel::test {

class RecordingDownloadHost : public TWebDownloadHost {
  public:
    void Synchronize(const std::function<void()>& fn) override {
        {
            std::lock_guard lock(askedMutex_);
            ++asked_;
        }
        askedChanged_.notify_all();
        queue.run(fn);
    }

    // Waits until the thread has asked for a routine to run on the window thread; false when
    // `limit` passes first.
    bool WaitForRoutine(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        std::unique_lock lock(askedMutex_);
        return askedChanged_.wait_for(lock, limit, [this] { return asked_ > 0; });
    }
    void SetUpStatusGrid() override {
        grid = {{"Site", "Status"}, {"", ""}};
        changes.push_back("setup");
    }
    void SetStatusRowCount(int rows) override {
        grid.resize(static_cast<size_t>(rows), {"", ""});
        changes.push_back("rows " + std::to_string(rows));
    }
    void SetStatusCell(int column, int row, const std::string& text) override {
        grid.at(static_cast<size_t>(row)).at(static_cast<size_t>(column)) = text;
        changes.push_back(std::to_string(row) + "," + std::to_string(column) + "=" + text);
    }

    void SetStatusTip(int row, const std::string& text) override {
        tips.resize(std::max(tips.size(), static_cast<size_t>(row) + 1));
        tips[static_cast<size_t>(row)] = text;
    }

    // Plays the window thread until the thread has finished; false when `limit` ran out.
    bool RunUntilFinished(const TWebDownload& thread,
                          std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!thread.Finished()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            queue.waitAndRunPending(std::chrono::milliseconds(5));
        }
        queue.runPending();
        return true;
    }

    // The status column, rows 1..n.
    std::vector<std::string> Statuses() const {
        std::vector<std::string> statuses;
        for (size_t row = 1; row < grid.size(); ++row)
            statuses.push_back(grid[row][1]);
        return statuses;
    }

    Synchronizer queue;
    std::vector<std::vector<std::string>> grid;
    std::vector<std::string> changes;
    std::vector<std::string> tips; // by row

  private:
    std::mutex askedMutex_;
    std::condition_variable askedChanged_;
    int asked_ = 0;
};

} // namespace nimbrel::test
