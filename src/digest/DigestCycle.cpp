#include "digest/DigestCycle.h"

#include "app/Synchronizer.h"
#include "app/WebDownload.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace nimbrel::digest {

namespace {

// The status grid without a screen: one line on stderr when a site's fetch has ended.
class ConsoleDownloadHost : public TWebDownloadHost {
  public:
    explicit ConsoleDownloadHost(bool quiet) : quiet_(quiet) {}

    void Synchronize(const std::function<void()>& fn) override { queue.run(fn); }
    void SetUpStatusGrid() override { names_.clear(); }
    void SetStatusRowCount(int rows) override { names_.resize(rows > 1 ? rows - 1 : 0); }
    void SetStatusCell(int column, int row, const std::string& text) override {
        const size_t site = static_cast<size_t>(row - 1);
        if (row < 1 || site >= names_.size())
            return;
        if (column == 0)
            names_[site] = text;
        else if (!quiet_ && text != "Waiting" && text != "Downloading")
            std::fprintf(stderr, "[%zu/%zu] %s: %s\n", site + 1, names_.size(),
                         names_[site].c_str(), text.c_str());
    }

    Synchronizer queue;

  private:
    bool quiet_;
    std::vector<std::string> names_;
};

} // namespace

int RunFullCycle(bool quiet, const CycleSteps& steps) {
    ConsoleDownloadHost host(quiet);
    TWebDownload thread(host);
    // The main thread plays the window thread: it runs what the fetch thread hands over.
    while (!thread.Finished())
        host.queue.waitAndRunPending(std::chrono::milliseconds(50));
    host.queue.runPending();
    thread.WaitFor();
    if (thread.CurrentURL() != "Complete") {
        Dialogs().showError(thread.FailureMessage());
        return 1;
    }
    try {
        if (steps.cut)
            steps.cut();
        if (steps.display)
            steps.display();
    } catch (const Exception& error) {
        Dialogs().showError(error.message());
        return 1;
    }
    return 0;
}

} // namespace nimbrel::digest
