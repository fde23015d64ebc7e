// SIGINT and SIGTERM ask nimbrel-digest to stop. The main thread asks StopRequested() where it
// can stop cleanly (the fetch loop stops the fetch thread, which abandons its transfers) and
// then ends the run with ReportStopped(). Should that not have happened within a second, a
// watcher ends the process itself. Either way every file stays whole: the program replaces its
// files only by renaming a finished temporary file, and the watcher removes unfinished ones.
#pragma once

#include <atomic>
#include <thread>

namespace nimbrel::digest {

class StopSignals {
  public:
    StopSignals(); // installs the handlers and starts the watcher
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static bool StopRequested();
    // Prints the line that says the run was stopped (once) and returns the exit status, 1.
    static int ReportStopped();

  private:
    void watch();

    std::atomic<bool> leaving_{false};
    std::thread watcher_;
};

} // namespace nimbrel::digest
