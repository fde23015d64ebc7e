#include "platform/Files.h"

#include "platform/Errors.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel {

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

uint64_t FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        RaiseInOutError(errno, path);
    return static_cast<uint64_t>(st.st_size);
}

std::time_t FileModifiedTime(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

std::string ReadFileBytes(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        RaiseInOutError(errno, path);
    std::string data;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        data.append(buffer, n);
    if (std::ferror(file.get()))
        RaiseInOutError(errno ? errno : EIO, path);
    return data;
}

void DeleteFileQuietly(const std::string& path) {
    ::unlink(path.c_str());
}

void LetFileSizeLimitFailWrites() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace nimbrel
