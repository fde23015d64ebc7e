// A small pool of long-lived helper processes, each doing one job at a time: a job is a message
// sent to a free helper, its answer the message the helper sends back. A helper that takes too
// long is killed, one that ends (a crash, its own memory limit) is replaced, and the job's answer
// then says why there is none; the other jobs go on. Jobs are begun in the order they come and
// answered in the order they end.
#pragma once

#include "platform/HelperProcess.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel {

struct HelperFailure {
    enum class Kind {
        Crashed,     // the helper ended (by a signal, or an exit status of its own) mid-job
        TimedOut,    // the job took longer than the pool's job time; the helper was killed
        OutOfMemory, // the helper said, by its exit status, that it ran out of memory
        TooLarge,    // the answer announced more than the pool takes
        Unstartable, // no helper could be started
        Stopped,     // the pool stopped before the job was done
    };
    Kind kind = Kind::Crashed;
    std::string detail;  // how the helper ended, or why it could not start
    int exitStatus = -1; // the status a crashed helper exited with; -1 for a signal
};

struct HelperReply {
    std::optional<std::string> message; // the helper's answer
    HelperFailure failure;              // why there is none
};

class HelperPool {
  public:
    struct Settings {
        std::string program;
        std::vector<std::string> arguments;
        unsigned helpers = 1;
        std::chrono::milliseconds jobTime{1000};
        std::size_t answerBytes = 1u << 20; // the largest answer taken
        int outOfMemoryStatus = -1;         // the exit status that means "ran out of memory"
    };
    using Done = std::function<void(HelperReply)>;

    // Starts the helpers' threads; each starts its helper at once. Raises nimbrel::Exception
    // when no thread can be started.
    explicit HelperPool(Settings settings);
    // Stops the pool and waits for its threads; every helper is ended.
    ~HelperPool();
    HelperPool(const HelperPool&) = delete;
    HelperPool& operator=(const HelperPool&) = delete;

    unsigned helpers() const { return static_cast<unsigned>(threads_.size()); }

    // Queues a job. `done` is called exactly once with its answer, on one of the pool's
    // threads, or at once on this thread when the pool has stopped.
    void submit(std::string job, Done done);
    // Stops at once: jobs waiting and in progress end as Stopped, the helpers are killed.
    void stop();

  private:
    struct Job {
        std::string message;
        Done done;
    };
    void serve();
    HelperReply run(std::unique_ptr<HelperProcess>& helper, const std::string& message);
    HelperReply failureOf(HelperProcess::Ending ending) const;

    const Settings settings_;
    int cancel_ = -1; // an eventfd, readable once the pool stops
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace nimbrel
