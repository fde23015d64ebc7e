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
// number: 2 "File not found", 5 "File access denied", 101 "Disk full", else "I/O error %d";
// the file's path, when given, follows: "File not found: /path/to/file".
class EInOutError : public Exception {
  public:
    explicit EInOutError(int code, const std::string& path = {});
    int code() const { return code_; }

  private:
    int code_;
};

// The run-time's error for a failed system call on the file at `path` (empty when none):
// maps errno to the EInOutError codes above.
[[noreturn]] void RaiseInOutError(int errnoValue, const std::string& path = {});

// "Cannot open file %s": a picture or other resource that is not there.
class EFOpenError : public Exception {
  public:
    explicit EFOpenError(const std::string& path);
};

} // namespace nimbrel
