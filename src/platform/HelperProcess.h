// A helper program run beside this one and spoken to over one socket (MessageFrames.h).
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace nimbrel {

class HelperProcess {
  public:
    // Starts the program at `path` with `arguments` by posix_spawn. Its standard input is its end
    // of the socket, its standard output and error are /dev/null; it inherits no other
    // descriptor, starts with every signal at its default and none blocked, in a process group
    // of its own (a Ctrl-C at the terminal reaches this program, which then ends its helpers).
    // Raises nimbrel::Exception when it cannot be started.
    HelperProcess(const std::string& path, const std::vector<std::string>& arguments);
    // Kills the helper unless it has ended, and waits for it.
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    int socket() const { return socket_; }
    pid_t pid() const { return pid_; }

    // How the helper ended: by a signal (its number), or by exiting (its status).
    struct Ending {
        bool signalled = false;
        int code = 0;
    };
    // Kills it (SIGKILL) and waits for its end.
    Ending kill();
    // Waits for it to end by itself, as it does right after closing its end of the socket; one
    // still running after `grace` is killed.
    Ending finish(std::chrono::milliseconds grace);

  private:
    bool reaped(int options);

    pid_t pid_ = -1;
    int socket_ = -1;
    bool ended_ = false;
    Ending ending_;
};

} // namespace nimbrel
