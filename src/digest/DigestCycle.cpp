// The whole download cycle of nimbrel-digest, as the main window's poller runs it: the fetch
// thread loads the selection and downloads the sites (a progress line per site on stderr), the
// cut and the display step's workers follow it page by page, and the display step ends the
// cycle on the main thread. A stop signal ends the fetch at once and skips the steps after it.
#include "DigestModes.h"

#include "app/Synchronizer.h"
#include "app/WebDownload.h"
#include "digest/DisplayOnly.h"
#include "digest/StopSignals.h"
#include "pipeline/CutPipeline.h"
#include "platform/Dialogs.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
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
    // The line printed holds the short status; the whole text is for windows with tooltips.
    void SetStatusTip(int, const std::string&) override {}

    Synchronizer queue;

  private:
    bool quiet_;
    std::vector<std::string> names_;
};

// Sites that cannot be fetched are reported on their lines and keep their last good page; only
// a page file that cannot be written ends the cycle here.
int FetchSelectedSites(bool quiet, std::shared_ptr<CutPipeline> pipeline) {
    // A missing selection ends the program at once, as on the desktop; its message is printed.
    SetHaltHandler([](int) {
        HintAtFolderIfMissing("setup.xml");
        std::fflush(stderr);
        std::_Exit(kExitHalted);
    });
    ConsoleDownloadHost host(quiet);
    CutPipeline& steps = *pipeline;
    TWebDownload thread(host, std::move(pipeline));
    // The main thread plays the window thread: it runs what the fetch thread hands over.
    while (!thread.Finished()) {
        host.queue.waitAndRunPending(std::chrono::milliseconds(20));
        if (StopSignals::StopRequested()) {
            steps.stop(); // no page is cut after the signal
            thread.Terminate();
        }
    }
    host.queue.runPending();
    thread.WaitFor();
    SetHaltHandler({});
    if (StopSignals::StopRequested())
        return StopSignals::ReportStopped();
    if (thread.CurrentURL() == "Complete")
        return kExitDone;
    Dialogs().showError(thread.FailureMessage());
    return kExitError;
}

} // namespace

int RunFullCycle(const DigestOptions& options) {
    if (const int made = RunStep([] { return MakeWorkingFolders(), true; }); made != kExitDone)
        return made;
    // The fetch hands the pages to the cut as they land; the display step's workers make each
    // site's block once its cut is done.
    const auto steps = std::make_shared<CutPipeline>();
    const int fetched = FetchSelectedSites(options.quiet, steps);
    if (fetched != kExitDone)
        return fetched;
    const int cut = RunStep([&] { return steps->finishCut(); });
    if (cut != kExitDone)
        return cut;
    if (StopSignals::StopRequested())
        return StopSignals::ReportStopped();
    return RunStep([&] { return ShowDigestPage(options.open, options.quiet, steps->early()); });
}

} // namespace nimbrel::digest
