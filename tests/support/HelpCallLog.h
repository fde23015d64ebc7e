// Records the help calls of a test through the stand-in help module: installs that module as the
// help viewer, loads it, and reads back what reached its entry point.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nimbrel::test {

struct HelpCall {
    std::string owner; // "none", "desktop" or "window"
    std::string file;  // "(none)" when no file was passed
    unsigned command = 0;
    unsigned long data = 0;
};

class HelpCallLog {
  public:
    HelpCallLog();  // installs the recording module and starts an empty log
    ~HelpCallLog(); // removes the log file
    std::vector<HelpCall> calls() const;
    void clear() const;

  private:
    std::string path_;
};

// Makes the help service look for its module at exactly this path (a test's own module, or a
// missing one); nullopt restores the places beside the executable.
void SetHtmlHelpControlPath(std::optional<std::string> path);

// Points the help service at the recording module (without a log, calls are dropped) and loads it.
void UseRecordingHelpModule();

} // namespace nimbrel::test
