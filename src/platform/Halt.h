// Ending the program at once, without further clean-up. Tests install a handler that records
// the request and returns; Halt then throws HaltRequested so the caller's code stops there.
#pragma once

#include <exception>
#include <functional>

namespace nimbrel {

// Thrown by Halt when the installed handler returns. Deliberately not an nimbrel::Exception,
// so ordinary error handlers never swallow it; a handler of every std::exception lets it pass
// first.
struct HaltRequested : std::exception {
    explicit HaltRequested(int code) : exitCode(code) {}
    const char* what() const noexcept override { return "end of the program requested"; }
    int exitCode;
};

using HaltHandler = std::function<void(int exitCode)>;

// Ends the process (std::_Exit) unless a handler is installed.
[[noreturn]] void Halt(int exitCode = 0);
// Installs a handler; an empty handler restores the real end of the process.
void SetHaltHandler(HaltHandler handler);

} // namespace nimbrel
