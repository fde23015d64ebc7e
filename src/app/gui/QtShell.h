// The shell service of the desktop program: the desktop's browser and detached programs.
#pragma once

#include "platform/Shell.h"

class QtShell : public nimbrel::ShellService {
  public:
    // A file path opens as a local file, anything else as an address (http:// added when the
    // address names no scheme).
    void openInBrowser(const std::string& pathOrUrl) override;
    void startProgram(const std::string& program, const std::string& parameter) override;
};
