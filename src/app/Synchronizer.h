// Running a routine of a worker thread on the window thread and waiting until it has run there,
// as the fetch thread does for the selection and the status grid. The window thread drains the
// queue (from its event loop, or from a loop of its own in nimbrel-digest). Closing the queue
// releases every waiting worker, so a window thread that waits for a worker at exit cannot
// deadlock with a worker that waits for the window thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace nimbrel {

// Raised in the worker when the window thread no longer takes routines (it is closing).
struct SynchronizeRefused : std::exception {
    const char* what() const noexcept override {
        return "the window thread takes no more routines";
    }
};

class Synchronizer {
  public:
    // onWork is called (on the worker thread) each time a routine waits, so an event loop can
    // schedule runPending(); it may be empty when the window thread polls.
    explicit Synchronizer(std::function<void()> onWork = {});

    // Worker side: runs fn on the window thread and returns when it has run; re-raises there
    // what fn raised. Called on the window thread itself, it runs fn at once. Raises
    // SynchronizeRefused when the queue is or becomes closed before fn has run.
    void run(const std::function<void()>& fn);

    // Window side: runs every routine waiting now, in the order they came. Returns how many.
    int runPending();
    // Window side: waits up to `timeout` for a routine to arrive, then runs what waits.
    int waitAndRunPending(std::chrono::milliseconds timeout);
    // Window side: refuses further routines and releases the workers waiting now.
    void close();

  private:
    struct Job;
    std::function<void()> onWork_;
    std::thread::id windowThread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Job>> pending_;
    bool closed_ = false;
};

} // namespace nimbrel
