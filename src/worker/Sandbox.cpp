// The filter is an allow-list: a system call not named here fails with EPERM, so a library that
// tries something unexpected gets an error it handles, never a way out. Named here is what
// libxml2, libxslt, libtidy and the C++ run-time need to read files and compute: reading, memory
// (never executable), time, signals to itself, and ending. Files open for reading only.
#include "worker/Sandbox.h"

#include "platform/Errors.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace nimbrel::worker {

namespace {

[[noreturn]] void Refused(const char* what, int error) {
    throw Exception(std::string("The worker's sandbox could not be set up (") + what +
                    "): " + std::strerror(error));
}

// A system call's answer: -1 and errno on failure.
void Require(int result, const char* what) {
    if (result != 0)
        Refused(what, errno);
}

// libseccomp's answer: a negative error number on failure.
void RequireFilter(int result, const char* what) {
    if (result != 0)
        Refused(what, -result);
}

// System calls allowed whatever their arguments.
constexpr const char* kAllowed[] = {"read",
                                    "readv",
                                    "pread64",
                                    "write",
                                    "writev",
                                    "close",
                                    "fstat",
                                    "newfstatat",
                                    "statx",
                                    "lseek",
                                    "access",
                                    "faccessat",
                                    "faccessat2",
                                    "readlink",
                                    "readlinkat",
                                    "getcwd",
                                    "getdents64",
                                    "fcntl",
                                    "munmap",
                                    "mremap",
                                    "brk",
                                    "madvise",
                                    "futex",
                                    "sched_yield",
                                    "nanosleep",
                                    "clock_nanosleep",
                                    "clock_gettime",
                                    "clock_getres",
                                    "gettimeofday",
                                    "time",
                                    "rt_sigaction",
                                    "rt_sigprocmask",
                                    "rt_sigreturn",
                                    "sigaltstack",
                                    "getpid",
                                    "gettid",
                                    "getppid",
                                    "exit",
                                    "exit_group",
                                    "getrandom",
                                    "sysinfo",
                                    "getrusage",
                                    "times",
                                    "restart_syscall",
                                    "prlimit64",
                                    "getrlimit",
                                    "sched_getaffinity",
                                    "getuid",
                                    "geteuid",
                                    "getgid",
                                    "getegid",
                                    "uname",
                                    "stat",
                                    "lstat",
                                    "fstatfs"};

// Rules that look at the arguments.
void AddArgumentRules(scmp_filter_ctx filter) {
    const scmp_datum_t writing =
        O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND | O_EXCL | (O_TMPFILE & ~O_DIRECTORY);
    RequireFilter(seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(openat), 1,
                                   SCMP_A2(SCMP_CMP_MASKED_EQ, writing, 0)),
                  "openat");
    // Memory may be mapped and protected, never made executable.
    for (const int call : {SCMP_SYS(mmap), SCMP_SYS(mprotect)})
        RequireFilter(seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 1,
                                       SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)),
                      "mmap");
    // Answers go out over the socket the worker was given, standard input.
    RequireFilter(seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(sendto), 1,
                                   SCMP_A0(SCMP_CMP_EQ, STDIN_FILENO)),
                  "sendto");
    // Signals to itself only (abort, a crash re-raised).
    const auto self = static_cast<scmp_datum_t>(::getpid());
    RequireFilter(
        seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(tgkill), 1, SCMP_A0(SCMP_CMP_EQ, self)),
        "tgkill");
    RequireFilter(
        seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(kill), 1, SCMP_A0(SCMP_CMP_EQ, self)),
        "kill");
}

} // namespace

void LimitProcess(std::size_t addressSpaceBytes) {
    // Ends with the program that started it, even when that one is killed.
    Require(::prctl(PR_SET_PDEATHSIG, SIGKILL), "parent death signal");
    const rlimit noCore{0, 0};
    Require(::setrlimit(RLIMIT_CORE, &noCore), "core files");
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The sanitizers reserve terabytes of address space for their shadow memory.
    const rlimit space{addressSpaceBytes, addressSpaceBytes};
    Require(::setrlimit(RLIMIT_AS, &space), "address space");
#else
    (void)addressSpaceBytes;
#endif
    Require(::prctl(PR_SET_DUMPABLE, 0), "not dumpable");
    Require(::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0), "no new privileges");
}

void EnterSandbox() {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (!filter)
        throw Exception("The worker's sandbox could not be set up: no filter");
    try {
        // The filter holds for every thread there is, not only the calling one.
        RequireFilter(seccomp_attr_set(filter, SCMP_FLTATR_CTL_TSYNC, 1), "every thread");
        for (const char* name : kAllowed) {
            const int call = seccomp_syscall_resolve_name(name);
            if (call != __NR_SCMP_ERROR && call >= 0) // not every machine has every call
                RequireFilter(seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0), name);
        }
        AddArgumentRules(filter);
        RequireFilter(seccomp_load(filter), "load");
    } catch (...) {
        seccomp_release(filter);
        throw;
    }
    seccomp_release(filter);
}

namespace {

struct Try {
    const char* what;
    bool mustWork;
    bool (*attempt)();
};

bool OpensForReading() {
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    return fd >= 0 && ::close(fd) == 0;
}

bool OpensForWriting() {
    const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    return fd >= 0;
}

bool CreatesAFile() {
    return ::open("/tmp/nimbrel-worker-sandbox-check", O_WRONLY | O_CREAT | O_CLOEXEC, 0600) >= 0;
}

bool OpensASocket() {
    return ::socket(AF_INET, SOCK_STREAM, 0) >= 0 || ::socket(AF_UNIX, SOCK_STREAM, 0) >= 0;
}

bool StartsAProgram() {
    char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
    ::execv("/bin/true", argv);
    return false; // only a failed exec comes back
}

bool StartsAProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    return child > 0;
}

bool MapsMemory() {
    void* memory =
        ::mmap(nullptr, 1 << 20, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory != MAP_FAILED && ::munmap(memory, 1 << 20) == 0;
}

bool MapsExecutableMemory() {
    return ::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) !=
           MAP_FAILED;
}

bool SignalsItsParent() {
    return ::kill(::getppid(), 0) == 0;
}

} // namespace

bool CheckSandbox(std::string& report) {
    const Try tries[] = {
        {"read a file", true, &OpensForReading},
        {"map memory", true, &MapsMemory},
        {"open a file for writing", false, &OpensForWriting},
        {"create a file", false, &CreatesAFile},
        {"open a network socket", false, &OpensASocket},
        {"start a program", false, &StartsAProgram},
        {"start a process", false, &StartsAProcess},
        {"map executable memory", false, &MapsExecutableMemory},
        {"signal the program that started it", false, &SignalsItsParent},
    };
    bool allAsTheyShould = true;
    for (const Try& attempt : tries) {
        const bool worked = attempt.attempt();
        const bool asItShould = worked == attempt.mustWork;
        allAsTheyShould &= asItShould;
        report += std::string(asItShould ? "ok      " : "WRONG   ") +
                  (worked ? "can " : "cannot ") + attempt.what + "\n";
    }
    return allAsTheyShould;
}

} // namespace nimbrel::worker
