#include "platform/HelperProcess.h"

#include "platform/Errors.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace nimbrel {

namespace {

// posix_spawn's settings, released however the start ends.
struct SpawnSettings {
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

void Prepare(SpawnSettings& settings, int childSocket) {
    posix_spawn_file_actions_adddup2(&settings.actions, childSocket, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&settings.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&settings.actions, STDOUT_FILENO, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1);
#endif
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&settings.attributes, &none);
    posix_spawnattr_setsigdefault(&settings.attributes, &all);
    posix_spawnattr_setpgroup(&settings.attributes, 0);
    posix_spawnattr_setflags(&settings.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                       POSIX_SPAWN_SETPGROUP);
}

HelperProcess::Ending EndingOf(int status) {
    if (WIFSIGNALED(status))
        return {true, WTERMSIG(status)};
    return {false, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

} // namespace

HelperProcess::HelperProcess(const std::string& path, const std::vector<std::string>& arguments) {
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        throw Exception(std::string("No socket for a helper: ") + std::strerror(errno));
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int failure;
    {
        SpawnSettings settings;
        Prepare(settings, sockets[1]);
        failure = posix_spawn(&pid_, path.c_str(), &settings.actions, &settings.attributes,
                              argv.data(), environ);
    }
    ::close(sockets[1]);
    if (failure != 0) {
        ::close(sockets[0]);
        throw Exception("The helper program " + path +
                        " could not be started: " + std::strerror(failure));
    }
    socket_ = sockets[0];
}

HelperProcess::~HelperProcess() {
    if (!ended_)
        kill();
    ::close(socket_);
}

bool HelperProcess::reaped(int options) {
    if (ended_)
        return true;
    int status = 0;
    pid_t done;
    do
        done = ::waitpid(pid_, &status, options);
    while (done < 0 && errno == EINTR);
    if (done == 0)
        return false;
    ended_ = true;
    // Reaped elsewhere (done < 0): nothing more is known of its end.
    ending_ = done > 0 ? EndingOf(status) : Ending{};
    return true;
}

HelperProcess::Ending HelperProcess::kill() {
    if (!ended_)
        ::kill(pid_, SIGKILL);
    reaped(0);
    return ending_;
}

HelperProcess::Ending HelperProcess::finish(std::chrono::milliseconds grace) {
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (!reaped(WNOHANG)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return kill();
        ::usleep(1000);
    }
    return ending_;
}

} // namespace nimbrel
