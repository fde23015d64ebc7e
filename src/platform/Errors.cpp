#include "platform/Errors.h"

#include <cerrno>

namespace nimbrel {

EConvertError::EConvertError(const std::string& offendingText)
    : Exception("'" + offendingText + "' is not a valid integer value") {}

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

EInOutError::EInOutError(int code) : Exception(InOutMessage(code)), code_(code) {}

void RaiseInOutError(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
        throw EInOutError(2);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        throw EInOutError(5);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        throw EInOutError(101);
    default:
        throw EInOutError(errnoValue);
    }
}

EFOpenError::EFOpenError(const std::string& path) : Exception("Cannot open file " + path) {}

} // namespace nimbrel
