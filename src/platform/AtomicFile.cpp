#include "platform/AtomicFile.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel {

namespace {
mode_t DefaultFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}
} // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {
    std::string pattern = target_ + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        RaiseInOutError(errno);
    ::fchmod(fd, DefaultFileMode());
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        const int err = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        RaiseInOutError(err);
    }
    temp_ = pattern;
}

AtomicFile::~AtomicFile() {
    abandon();
}

void AtomicFile::abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

void AtomicFile::write(std::string_view bytes) {
    if (!file_)
        throw EInOutError(103); // file not open
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        const int err = errno ? errno : EIO;
        abandon();
        RaiseInOutError(err);
    }
}

int AtomicFile::flushAndClose() {
    if (!file_)
        return EBADF;
    int err = 0;
    if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0)
        err = errno ? errno : EIO;
    if (std::fclose(file_) != 0 && err == 0)
        err = errno ? errno : EIO;
    file_ = nullptr;
    return err;
}

void AtomicFile::commit() {
    if (!file_)
        throw EInOutError(103);
    int err = flushAndClose();
    if (err == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0)
        err = errno;
    if (err != 0) {
        abandon();
        RaiseInOutError(err);
    }
    temp_.clear();
}

// link() fails when the target exists, so no other writer's file is ever replaced.
bool AtomicFile::commitAsNew() {
    if (!file_)
        throw EInOutError(103);
    int err = flushAndClose();
    if (err == 0 && ::link(temp_.c_str(), target_.c_str()) != 0)
        err = errno;
    abandon();
    if (err == EEXIST)
        return false;
    if (err != 0)
        RaiseInOutError(err);
    return true;
}

void AtomicWriteFile(const std::string& path, std::string_view bytes) {
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

bool AtomicCreateFile(const std::string& path, std::string_view bytes) {
    AtomicFile file(path);
    file.write(bytes);
    return file.commitAsNew();
}

} // namespace nimbrel
