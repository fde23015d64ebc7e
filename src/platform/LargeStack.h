// Running deeply recursive library code (the HTML cleaner, the stylesheet transforms) where its
// recursion cannot overflow the stack: on a thread of its own with a stack of a known size.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <pthread.h>

namespace nimbrel {

// A thread whose stack holds at least `stackBytes` (only the pages touched are ever committed).
// RunOnLargeStack called on it for no more than that runs its work directly, so a worker that
// lives for many jobs pays for its stack once.
class LargeStackThread {
  public:
    // Starts the thread; raises nimbrel::Exception when it cannot be started.
    LargeStackThread(std::size_t stackBytes, std::function<void()> work);
    // Waits for the thread (an error it raised is dropped).
    ~LargeStackThread();
    LargeStackThread(const LargeStackThread&) = delete;
    LargeStackThread& operator=(const LargeStackThread&) = delete;

    // Waits for the thread; an error the work raised is raised again here.
    void join();

  private:
    static void* Run(void* self);

    std::size_t stackBytes_;
    std::function<void()> work_;
    std::exception_ptr error_;
    pthread_t thread_{};
    bool joined_ = false;
};

// Runs `work` on a thread whose stack holds at least `stackBytes` and waits for it; an error it
// raises is raised again here. Runs it directly when the calling thread is itself such a thread
// with a stack at least that large (a LargeStackThread), so nesting costs nothing.
// Raises nimbrel::Exception when no such thread can be started.
void RunOnLargeStack(std::size_t stackBytes, const std::function<void()>& work);

} // namespace nimbrel
