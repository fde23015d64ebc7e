// nimbrel-worker: the helper process of nimbrel and nimbrel-digest that cleans, parses and
// transforms one site's cut text at a time (pipeline/SiteWork.h). It is started by them over a
// socket on its standard input; its address space is limited and, before it reads its first job,
// it shuts itself in a sandbox (Sandbox.h). It ends when the program that started it does.
#include "components/EngineMemory.h"
#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/SiteWork.h"
#include "platform/Errors.h"
#include "platform/LargeStack.h"
#include "platform/Limits.h"
#include "platform/MessageFrames.h"
#include "worker/Sandbox.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <malloc.h>
#include <new>
#include <string>
#include <unistd.h>

namespace {

using namespace nimbrel;

// The largest job taken: a site's names and fix.dat's pairs.
constexpr std::size_t kJobBytes = 16u << 20;

constexpr int kUsageStatus = 2;

// A heap larger than this after a site is given back (a few ordinary sites need far less).
constexpr std::size_t kLargeHeapBytes = 64u << 20;

[[noreturn]] void OutOfMemory() {
    ::_exit(kWorkerOutOfMemoryStatus);
}

// A crash after an allocation failed (a library that goes on with a null pointer, a stack that
// cannot grow) is the memory limit's doing, and said so. Otherwise the signal ends the worker as
// it would have (the handler is reset and the fault comes again).
void OnFatalSignal(int) {
    if (engines::AllocationFailed())
        OutOfMemory();
}

void CatchFatalSignals() {
    static char alternateStack[64 * 1024];
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_handler = &OnFatalSignal;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    for (const int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE})
        ::sigaction(signal, &action, nullptr);
}

// After a site that needed much memory, what it held goes back to the system, so a worker does
// not keep its largest site's memory while it works on ordinary ones. An ordinary heap is kept:
// giving it back only to fault it in again for the next site costs more than it saves.
void GiveBackALargeHeap() {
    const struct mallinfo2 heap = ::mallinfo2();
    if (heap.arena + heap.hblkhd > kLargeHeapBytes)
        ::malloc_trim(0);
}

// Answers jobs until the other side closes the socket.
[[noreturn]] void Serve() {
    CatchFatalSignals();
    try {
        worker::EnterSandbox();
    } catch (const Exception&) {
        ::_exit(kWorkerNoSandboxStatus);
    }
    SiteWorkRunner runner;
    for (;;) {
        const std::optional<std::string> job = ReadMessage(STDIN_FILENO, kJobBytes);
        if (!job)
            ::_exit(0);
        std::string answer;
        try {
            answer = runner.run(*job);
        } catch (const std::bad_alloc&) {
            OutOfMemory();
        } catch (const MalformedMessage&) {
            ::_exit(EXIT_FAILURE);
        }
        // A library may have handled a failed allocation itself: the site still needed too much,
        // and what that library holds now is not to be trusted.
        if (engines::AllocationFailed())
            OutOfMemory();
        if (!SendMessage(STDIN_FILENO, answer))
            ::_exit(0);
        GiveBackALargeHeap();
    }
}

int ServeJobs(std::size_t memoryBytes) {
    ::close_range(STDERR_FILENO + 1, ~0U, 0); // only the socket and /dev/null are kept
    engines::WatchAllocations(&OutOfMemory);
    ::mallopt(M_ARENA_MAX, 1); // one heap for both threads: the address space is for the sites
    try {
        worker::LimitProcess(memoryBytes);
        msxml::InitialiseXmlEngine();
        tidycom::InitialiseCleaner();
        // The cleaner and the transforms recurse deeply: they run on a large stack.
        LargeStackThread thread(limits::kEngineStackBytes, [] { Serve(); });
        thread.join();
    } catch (const Exception& error) {
        std::cerr << "nimbrel-worker: " << error.message() << "\n";
        return kWorkerNoSandboxStatus;
    }
    return 0;
}

int CheckSandbox() {
    std::string report;
    bool good = false;
    try {
        worker::EnterSandbox();
        good = worker::CheckSandbox(report);
    } catch (const Exception& error) {
        report = error.message() + "\n";
    }
    std::cout << report << std::flush;
    return good ? 0 : 1;
}

int Usage() {
    std::cerr << "nimbrel-worker cleans and transforms pages for nimbrel and nimbrel-digest, "
                 "which start it themselves.\n"
                 "usage: nimbrel-worker --check-sandbox | --version\n";
    return kUsageStatus;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--version" && argc == 2) {
        std::cout << "nimbrel-worker " << NIMBREL_VERSION << "\n";
        return 0;
    }
    if (mode == "--check-sandbox" && argc == 2)
        return CheckSandbox();
    if (mode == "--serve" && argc == 4 && std::string(argv[2]) == "--memory-bytes") {
        char* end = nullptr;
        const unsigned long long bytes = std::strtoull(argv[3], &end, 10);
        if (end != argv[3] && *end == '\0' && bytes > 0)
            return ServeJobs(static_cast<std::size_t>(bytes));
    }
    return Usage();
}
