#include "app/Synchronizer.h"

#include <thread>

namespace nimbrel {

struct Synchronizer::Job {
    std::function<void()> fn;
    bool done = false;
    bool abandoned = false;
    std::exception_ptr error;
};

Synchronizer::Synchronizer(std::function<void()> onWork)
    : onWork_(std::move(onWork)), windowThread_(std::this_thread::get_id()) {}

void Synchronizer::run(const std::function<void()>& fn) {
    if (std::this_thread::get_id() == windowThread_) {
        fn();
        return;
    }
    auto job = std::make_shared<Job>();
    job->fn = fn;
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            throw SynchronizeRefused{};
        pending_.push_back(job);
    }
    changed_.notify_all();
    if (onWork_)
        onWork_();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return job->done || closed_; });
    if (!job->done) {
        // Closed before the window thread took it: it must never run after we have left.
        job->abandoned = true;
        throw SynchronizeRefused{};
    }
    if (job->error)
        std::rethrow_exception(job->error);
}

int Synchronizer::runPending() {
    int count = 0;
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::lock_guard lock(mutex_);
            while (!pending_.empty() && pending_.front()->abandoned)
                pending_.pop_front();
            if (pending_.empty())
                return count;
            job = pending_.front();
            pending_.pop_front();
        }
        try {
            job->fn();
        } catch (...) {
            job->error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            job->done = true;
        }
        changed_.notify_all();
        ++count;
    }
}

int Synchronizer::waitAndRunPending(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return !pending_.empty() || closed_; });
    }
    return runPending();
}

void Synchronizer::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

} // namespace nimbrel
