// The error classes of the whole program. Errors are raised, not returned; the GUI shows
// message() in a message box, nimbrel-digest prints it and exits non-zero.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace nimbrel {

class Exception : public std::runtime_error {
  public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
};

// A text that is not a decimal whole number: "'%s' is not a valid integer value", quoting at
// most the first kQuotedTextBytes of it.
class EConvertError : public Exception {
  public:
    explicit EConvertError(std::string_view offendingText);
};

// A file that cannot be opened, read, created or written. code() is the run-time's error
// number: 2 "File not found", 5 "File access denied", 101 "Disk full", else "I/O error %d".
// When the file is known, the message names it after a colon ("File not found: /a/b.dat"),
// followed by a detail in brackets when there is one.
class EInOutError : public Exception {
  public:
    explicit EInOutError(int code, const std::string& path = {}, const std::string& detail = {});
    int code() const { return code_; }
    const std::string& path() const { return path_; }

  private:
    int code_;
    std::string path_;
};

// The run-time's error for a failed system call on the file at `path`: maps errno to the
// EInOutError codes above.
[[noreturn]] void RaiseInOutError(int errnoValue, const std::string& path = {});

// "Cannot open file %s": a picture or other resource that is not there.
class EFOpenError : public Exception {
  public:
    explicit EFOpenError(const std::string& path);
};

} // namespace nimbrel
