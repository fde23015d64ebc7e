#include "platform/Shell.h"

#include "platform/ServiceSlot.h"

#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace nimbrel {

namespace {
// Starts argv detached (double fork through a short-lived child), so no zombie is left and the
// caller never waits for the program itself.
void SpawnDetached(const std::vector<std::string>& args) {
    const pid_t child = ::fork();
    if (child < 0)
        return;
    if (child == 0) {
        ::setsid();
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t grandchild;
        ::posix_spawnp(&grandchild, argv[0], nullptr, nullptr, argv.data(), environ);
        ::_exit(0);
    }
    int status;
    ::waitpid(child, &status, 0);
}

std::string BrowserCommand() {
    const char* env = std::getenv("BROWSER");
    if (env && *env) {
        std::string first(env);
        const auto colon = first.find(':');
        return colon == std::string::npos ? first : first.substr(0, colon);
    }
    return "xdg-open";
}
} // namespace

void ProcessShell::openInBrowser(const std::string& pathOrUrl) {
    SpawnDetached({BrowserCommand(), pathOrUrl});
}

void ProcessShell::startProgram(const std::string& program, const std::string& parameter) {
    SpawnDetached({program, parameter});
}

ShellService& Shell() {
    return ServiceSlot<ShellService, ProcessShell>::current();
}

void SetShell(ShellService* service) {
    ServiceSlot<ShellService, ProcessShell>::install(service);
}

} // namespace nimbrel
