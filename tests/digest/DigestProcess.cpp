#include "DigestProcess.h"

#include "support/TestSupport.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace nimbrel::test {

DigestResult RunDigest(const std::vector<std::string>& arguments,
                       const std::function<void(pid_t)>& whileRunning, long fileSizeLimit,
                       std::chrono::seconds timeLimit) {
    char folder[] = "/tmp/nimbrel-digest-run-XXXXXX";
    if (!::mkdtemp(folder))
        throw std::runtime_error("mkdtemp failed");
    const std::string out = std::string(folder) + "/out";
    const std::string err = std::string(folder) + "/err";

    std::vector<std::string> argvStrings{NIMBREL_DIGEST_EXE};
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : argvStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // Made before the fork: a run killed before its first instruction still leaves them.
    for (const std::string& file : {out, err})
        ::close(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int outFd = ::open(out.c_str(), O_WRONLY | O_TRUNC);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_TRUNC);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        if (fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit),
                               static_cast<rlim_t>(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    // A run that hangs is ended, and fails its test, instead of holding up the whole suite.
    std::mutex mutex;
    std::condition_variable ended;
    bool exited = false;
    bool killed = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!ended.wait_for(lock, timeLimit, [&] { return exited; })) {
            killed = true;
            ::kill(pid, SIGKILL);
        }
    });
    if (whileRunning)
        whileRunning(pid);
    int wstatus = 0;
    rusage usage{};
    while (::wait4(pid, &wstatus, 0, &usage) < 0 && errno == EINTR) {
    }
    {
        std::lock_guard lock(mutex);
        exited = true;
    }
    ended.notify_all();
    watchdog.join();
    DigestResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    // The waited child's figure covers the helpers it waited for in turn.
    result.peakRssKib = usage.ru_maxrss;
    result.killed = killed;
    result.out = ReadBytes(out);
    result.err = ReadBytes(err);
    if (killed)
        result.err += "\n(the test ended nimbrel-digest: it ran for more than " +
                      std::to_string(timeLimit.count()) + " s)\n";
    ::unlink(out.c_str());
    ::unlink(err.c_str());
    ::rmdir(folder);
    return result;
}

} // namespace nimbrel::test
