#include "platform/AtomicFile.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel {

namespace {

constexpr int kCreateAttempts = 100;
constexpr int kAccessDenied = 5; // EInOutError's "File access denied"
// As many links as the kernel follows in one path (MAXSYMLINKS).
constexpr int kMostLinks = 40;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LinkText(const std::string& path) {
    std::string text(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), text.data(), text.size());
    if (length < 0)
        RaiseInOutError(errno, path);
    text.resize(static_cast<size_t>(length));
    return text;
}

// Six letters or digits, as mkstemp would choose them.
std::string RandomSuffix() {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    uint8_t bytes[6];
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        static thread_local uint64_t fallback = static_cast<uint64_t>(::getpid()) << 20;
        const uint64_t seed = ++fallback * 0x9E3779B97F4A7C15ULL;
        for (size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<uint8_t>(seed >> (8 * i));
    }
    std::string suffix;
    for (uint8_t b : bytes)
        suffix += kAlphabet[b % (sizeof kAlphabet - 1)];
    return suffix;
}

// Created with mode 0666 so the process umask applies as to any new file; the umask itself
// is never touched (changing it would race with every other thread creating files).
int CreateExclusive(const std::string& target, std::string& temp) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        temp = target + kAtomicTempMarker + RandomSuffix();
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

// Renaming over a link would replace the link and leave the file it points to behind; renaming
// over a device, a folder or a pipe would replace something that is not ours to replace.
std::string WriteTarget(const std::string& path) {
    std::string target = path;
    for (int links = 0; links <= kMostLinks; ++links) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return target; // a new file
            RaiseInOutError(errno, target);
        }
        if (S_ISREG(st.st_mode))
            return target;
        if (!S_ISLNK(st.st_mode))
            throw EInOutError(kAccessDenied, target,
                              "not a regular file but a folder, a device or a pipe, so it was "
                              "left alone");
        const std::string link = LinkText(target);
        target = link.starts_with('/') ? link : FolderOf(target) + link;
    }
    throw EInOutError(kAccessDenied, path, "too many symbolic links, so it was left alone");
}

namespace {
constexpr size_t kWriteBufferBytes = 64 * 1024;
} // namespace

AtomicFile::AtomicFile(std::string target, Durability durability)
    : target_(WriteTarget(target)), durability_(durability) {
    std::string temp;
    const int fd = CreateExclusive(target_, temp);
    if (fd < 0)
        RaiseInOutError(errno, target_);
    // Held while the file is written, so the clean-up of leftovers passes it over.
    ::flock(fd, LOCK_EX | LOCK_NB);
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        RaiseInOutError(err, target_);
    }
    // Pages and cuts come in many small pieces; the default 4 KB buffer is a system call for
    // every 4 KB of them. (Given no buffer of its own, the C library ignores the size.)
    buffer_ = std::make_unique<char[]>(kWriteBufferBytes);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kWriteBufferBytes);
    temp_ = temp;
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
        throw EInOutError(103, target_); // file not open
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        const int err = errno ? errno : EIO;
        abandon();
        RaiseInOutError(err, target_);
    }
    size_ += bytes.size();
}

void AtomicFile::overwrite(uint64_t offset, std::string_view bytes) {
    if (!file_)
        throw EInOutError(103, target_);
    if (offset > size_ || bytes.size() > size_ - offset)
        throw Exception("A region past the end of the file cannot be overwritten");
    int err = std::fflush(file_) == 0 ? 0 : (errno ? errno : EIO);
    for (size_t done = 0; err == 0 && done < bytes.size();) {
        const ssize_t n = ::pwrite(::fileno(file_), bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno != EINTR)
            err = errno;
        else if (n > 0)
            done += static_cast<size_t>(n);
    }
    if (err != 0) {
        abandon();
        RaiseInOutError(err, target_);
    }
}

void AtomicFile::truncate(uint64_t size) {
    if (!file_)
        throw EInOutError(103, target_);
    if (size >= size_)
        return;
    if (std::fflush(file_) != 0 || ::ftruncate(::fileno(file_), static_cast<off_t>(size)) != 0 ||
        std::fseek(file_, static_cast<long>(size), SEEK_SET) != 0) {
        const int err = errno ? errno : EIO;
        abandon();
        RaiseInOutError(err, target_);
    }
    size_ = size;
}

int AtomicFile::flushToDisk() {
    if (std::fflush(file_) != 0)
        return errno ? errno : EIO;
    if (durability_ == Durability::Synced && ::fsync(::fileno(file_)) != 0)
        return errno ? errno : EIO;
    return 0;
}

void AtomicFile::sync() {
    if (!file_)
        throw EInOutError(103, target_);
    if (const int err = flushToDisk(); err != 0) {
        abandon();
        RaiseInOutError(err, target_);
    }
}

void AtomicFile::release() {
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    temp_.clear();
}

int AtomicFile::flushAndPlace(int (*place)(const char*, const char*)) {
    if (!file_)
        throw EInOutError(103, target_);
    int err = flushToDisk();
    // Placed while still open and locked, so no clean-up can take the file in between.
    if (err == 0 && place(temp_.c_str(), target_.c_str()) != 0)
        err = errno;
    return err;
}

void AtomicFile::commit() {
    const int err = flushAndPlace(&::rename);
    if (err != 0) {
        abandon();
        RaiseInOutError(err, target_);
    }
    std::fclose(file_); // the bytes are synced and in place: nothing left to fail
    file_ = nullptr;
    temp_.clear();
}

// link() fails when the target exists, so no other writer's file is ever replaced.
bool AtomicFile::commitAsNew() {
    const int err = flushAndPlace(&::link);
    abandon();
    if (err == EEXIST)
        return false;
    if (err != 0)
        RaiseInOutError(err, target_);
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
