// Opening documents and starting programs, the way the desktop does it. Replaceable in tests.
#pragma once

#include <string>

namespace nimbrel {

class ShellService {
  public:
    virtual ~ShellService() = default;
    // Opens a file path or an address in the user's web browser; does not wait.
    virtual void openInBrowser(const std::string& pathOrUrl) = 0;
    // Starts a program with one parameter string; does not wait and does not look at the result.
    virtual void startProgram(const std::string& program, const std::string& parameter) = 0;
};

// $BROWSER (first entry of the colon list) or xdg-open, and plain programs, started detached.
class ProcessShell : public ShellService {
  public:
    void openInBrowser(const std::string& pathOrUrl) override;
    void startProgram(const std::string& program, const std::string& parameter) override;
};

ShellService& Shell();
// Installs a service (not owned); nullptr restores the process shell.
void SetShell(ShellService* service);

} // namespace nimbrel
