#include "platform/Errors.h"

#include "platform/Convert.h"
#include "platform/Limits.h"

#include <algorithm>
#include <cerrno>

namespace nimbrel {

namespace {

// Enough of the text to recognise it; a megabyte line never becomes a megabyte message box. A
// UTF-8 letter is not cut in two (at most three bytes go back, so Latin-1 text loses no more).
std::string_view Quoted(std::string_view text) {
    const std::string_view cut = Utf8Prefix(text, limits::kQuotedTextBytes);
    return cut.size() + 3 >= std::min(text.size(), limits::kQuotedTextBytes)
               ? cut
               : text.substr(0, limits::kQuotedTextBytes);
}

} // namespace

EConvertError::EConvertError(std::string_view offendingText)
    : Exception("'" + std::string(Quoted(offendingText)) + "' is not a valid integer value") {}

static std::string InOutMessage(int code) {
    switch (code) {
    case 2:
        return "File not found";
    case 5:
        return "File access denied";
    case 101:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(code);
    }
}

EInOutError::EInOutError(int code, const std::string& path, const std::string& detail)
    : Exception(InOutMessage(code) + (path.empty() ? std::string() : ": " + path) +
                (detail.empty() ? std::string() : " (" + detail + ")")),
      code_(code), path_(path) {}

void RaiseInOutError(int errnoValue, const std::string& path) {
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
        throw EInOutError(2, path);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        throw EInOutError(5, path);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        throw EInOutError(101, path);
    default:
        throw EInOutError(errnoValue, path);
    }
}

EFOpenError::EFOpenError(const std::string& path) : Exception("Cannot open file " + path) {}

} // namespace nimbrel
