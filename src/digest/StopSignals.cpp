#include "digest/StopSignals.h"

#include "DigestOptions.h"

#include "platform/ProgramFolder.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace nimbrel::digest {

namespace {

using namespace std::chrono_literals;

// How long the main thread has to stop cleanly before the watcher ends the process.
constexpr auto kGrace = 700ms;
constexpr auto kWatchInterval = 20ms;

// Read by the main thread and the watcher, written by the handler: a lock-free atomic is both
// safe in a signal handler and free of data races between threads.
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<bool> reported{false};

extern "C" void OnStopSignal(int signal) {
    const int savedErrno = errno;
    stopSignal = signal;
    errno = savedErrno;
}

// A temporary file of an atomic replacement: "<target>.tmp-XXXXXX".
bool IsUnfinishedFile(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const size_t mark = name.rfind(".tmp-");
    return mark != std::string::npos && mark + 11 == name.size();
}

void RemoveUnfinishedFiles() {
    std::error_code error;
    for (const char* folder : {"", "Sites", "Work"}) {
        const std::filesystem::path path = std::filesystem::path(ProgramFolder()) / folder;
        for (const auto& entry : std::filesystem::directory_iterator(path, error))
            if (entry.is_regular_file(error) && IsUnfinishedFile(entry.path()))
                std::filesystem::remove(entry.path(), error);
    }
}

} // namespace

StopSignals::StopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    watcher_ = std::thread([this] { watch(); });
}

StopSignals::~StopSignals() {
    leaving_ = true;
    watcher_.join();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
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
        std::this_thread::sleep_for(kWatchInterval);
    const auto deadline = std::chrono::steady_clock::now() + kGrace;
    while (!leaving_ && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kWatchInterval);
    if (leaving_)
        return;
    // The main thread is busy in a step that does not look at the request.
    RemoveUnfinishedFiles();
    ReportStopped();
    std::_Exit(kExitError);
}

} // namespace nimbrel::digest
