#include "digest/StopSignals.h"

#include "DigestOptions.h"

#include "platform/LeftoverFiles.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace nimbrel::digest {

namespace {

using namespace std::chrono_literals;

// How long the main thread has to stop cleanly before the watcher ends the process.
constexpr auto kGrace = 700ms;

// Read by the main thread and the watcher, written by the handler: a lock-free atomic is both
// safe in a signal handler and free of data races between threads.
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<bool> reported{false};
// The self-pipe that wakes the watcher: written by the handler and by the destructor.
int wakeRead = -1;
std::atomic<int> wakeWrite{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void Wake() {
    const int fd = wakeWrite;
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
}

extern "C" void OnStopSignal(int signal) {
    const int savedErrno = errno;
    stopSignal = signal;
    Wake();
    errno = savedErrno;
}

// Waits until the pipe has a byte or `timeoutMs` has passed (-1: no end), taking what it holds.
// Without a pipe (no descriptor was free) it looks again every 20 ms.
void WaitForWake(int timeoutMs) {
    if (wakeRead < 0)
        timeoutMs = timeoutMs < 0 ? 20 : std::min(timeoutMs, 20);
    pollfd entry{wakeRead, POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) > 0) {
        char bytes[64];
        while (::read(wakeRead, bytes, sizeof bytes) > 0) {
        }
    }
}

} // namespace

StopSignals::StopSignals() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = fds[0];
        wakeWrite = fds[1];
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    watcher_ = std::thread([this] { watch(); });
}

StopSignals::~StopSignals() {
    leaving_ = true;
    Wake();
    watcher_.join();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    const int fd = wakeWrite.exchange(-1);
    if (fd >= 0) {
        ::close(fd);
        ::close(wakeRead);
        wakeRead = -1;
    }
}

bool StopSignals::StopRequested() {
    return stopSignal != 0;
}

int StopSignals::ReportStopped() {
    if (!reported.exchange(true)) {
        std::fprintf(stderr, "nimbrel-digest: stopped by %s; every file is whole\n",
                     stopSignal == SIGINT ? "SIGINT" : "SIGTERM");
        std::fflush(stderr);
    }
    return kExitError;
}

void StopSignals::watch() {
    while (!leaving_ && !StopRequested())
        WaitForWake(-1);
    const auto deadline = std::chrono::steady_clock::now() + kGrace;
    while (!leaving_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= 0ms)
            break;
        WaitForWake(static_cast<int>(left.count()) + 1);
    }
    if (leaving_)
        return;
    // The main thread is busy in a step that does not look at the request.
    RemoveOwnTempFiles();
    ReportStopped();
    std::_Exit(kExitError);
}

} // namespace nimbrel::digest
