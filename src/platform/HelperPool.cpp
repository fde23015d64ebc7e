#include "platform/HelperPool.h"

#include "platform/Errors.h"
#include "platform/MessageFrames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace nimbrel {

namespace {

// A helper that has closed its socket exits right after; it is given this long to.
constexpr std::chrono::milliseconds kEndingGrace{2000};

// sigdescr_np, unlike strsignal, is safe on any thread.
std::string SignalName(int signal) {
    const char* name = ::sigdescr_np(signal);
    return name ? name : "an unknown signal";
}

HelperReply Failure(HelperFailure::Kind kind, std::string detail = {}) {
    return {std::nullopt, {kind, std::move(detail)}};
}

// An idle helper says nothing: a socket with something to read (its end) means it is gone.
bool EndedWhileIdle(int socket) {
    pollfd watched{socket, POLLIN, 0};
    return ::poll(&watched, 1, 0) > 0;
}

std::unique_ptr<HelperProcess> TryStart(const HelperPool::Settings& settings, std::string& why) {
    try {
        return std::make_unique<HelperProcess>(settings.program, settings.arguments);
    } catch (const Exception& error) {
        why = error.message();
        return nullptr;
    }
}

} // namespace

HelperPool::HelperPool(Settings settings) : settings_(std::move(settings)) {
    cancel_ = ::eventfd(0, EFD_CLOEXEC);
    if (cancel_ < 0)
        throw Exception(std::string("No event for the helpers: ") + std::strerror(errno));
    try {
        for (unsigned i = 0; i < std::max(1u, settings_.helpers); ++i)
            threads_.emplace_back([this] { serve(); });
    } catch (...) {
        stop();
        for (std::thread& thread : threads_)
            thread.join();
        ::close(cancel_);
        throw;
    }
}

HelperPool::~HelperPool() {
    stop();
    for (std::thread& thread : threads_)
        thread.join();
    ::close(cancel_);
}

void HelperPool::submit(std::string job, Done done) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            queue_.push_back({std::move(job), std::move(done)});
            changed_.notify_one();
            return;
        }
    }
    done(Failure(HelperFailure::Kind::Stopped));
}

void HelperPool::stop() {
    std::deque<Job> dropped;
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
        dropped.swap(queue_);
        changed_.notify_all();
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(cancel_, &one, sizeof one);
    for (Job& job : dropped)
        job.done(Failure(HelperFailure::Kind::Stopped));
}

void HelperPool::serve() {
    std::string why;
    // Started before its first job, so the job does not wait for the helper to load.
    std::unique_ptr<HelperProcess> helper = TryStart(settings_, why);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job.done(run(helper, job.message));
    }
}

HelperReply HelperPool::run(std::unique_ptr<HelperProcess>& helper, const std::string& message) {
    std::string why;
    // A helper that ended while it waited (killed from outside, say) is not this job's fault.
    if (helper && EndedWhileIdle(helper->socket()))
        helper.reset();
    if (!helper)
        helper = TryStart(settings_, why);
    if (!helper)
        return Failure(HelperFailure::Kind::Unstartable, why);
    const auto deadline = std::chrono::steady_clock::now() + settings_.jobTime;
    std::string answer;
    const Received received =
        SendMessage(helper->socket(), message)
            ? ReceiveMessage(helper->socket(), answer, settings_.answerBytes, deadline, cancel_)
            : Received::Ended;
    HelperReply reply;
    switch (received) {
    case Received::Message:
        return {std::move(answer), {}};
    case Received::Ended:
        reply = failureOf(helper->finish(kEndingGrace));
        break;
    case Received::TimedOut:
        helper->kill();
        reply = Failure(HelperFailure::Kind::TimedOut);
        break;
    case Received::TooLarge:
        helper->kill();
        reply = Failure(HelperFailure::Kind::TooLarge);
        break;
    case Received::Cancelled:
        helper->kill();
        reply = Failure(HelperFailure::Kind::Stopped);
        break;
    }
    helper.reset(); // the next job gets a new one
    return reply;
}

HelperReply HelperPool::failureOf(HelperProcess::Ending ending) const {
    if (!ending.signalled && ending.code == settings_.outOfMemoryStatus)
        return Failure(HelperFailure::Kind::OutOfMemory);
    if (ending.signalled)
        return Failure(HelperFailure::Kind::Crashed, std::string("signal ") +
                                                         std::to_string(ending.code) + " (" +
                                                         SignalName(ending.code) + ")");
    HelperReply reply =
        Failure(HelperFailure::Kind::Crashed, "exit status " + std::to_string(ending.code));
    reply.failure.exitStatus = ending.code;
    return reply;
}

} // namespace nimbrel
