#include "platform/LeftoverFiles.h"

#include "platform/AtomicFile.h"
#include "platform/ProgramFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nimbrel {

namespace {

constexpr std::string_view kCutterScratchEnding = ".temp";
// Joined copies of pages, which older versions wrote to Temp.
constexpr std::string_view kJoinedPageEnding = ".dat";
// Where the atomic writers put their temporary files.
constexpr const char* kTempFileFolders[] = {"", "\\Sites", "\\Work", "\\Temp"};

// Removes the regular file unless another open file holds its lock.
void RemoveUnlessHeld(int folder, const char* name) {
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::unlinkat(folder, name, 0);
    ::close(fd);
}

// Removes the regular file, held or not.
void RemoveRegular(int folder, const char* name) {
    struct stat st {};
    if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        ::unlinkat(folder, name, 0);
}

template <class Test>
void RemoveMatching(const std::string& folderPath, Test matches,
                    void (*remove)(int, const char*) = RemoveUnlessHeld) {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(folderPath.c_str()), &::closedir);
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder.get()))
        if (matches(std::string_view(entry->d_name)))
            remove(::dirfd(folder.get()), entry->d_name);
}

} // namespace

bool IsAtomicTempName(std::string_view name) {
    const std::string_view marker = kAtomicTempMarker;
    const size_t tail = marker.size() + kAtomicTempSuffixBytes;
    if (name.size() <= tail || name.substr(name.size() - tail, marker.size()) != marker)
        return false;
    for (char c : name.substr(name.size() - kAtomicTempSuffixBytes))
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

void RemoveLeftoverTempFiles() {
    for (const char* folder : kTempFileFolders)
        RemoveMatching(ProgramFile(folder), IsAtomicTempName);
    RemoveMatching(ProgramFile("\\Temp"), [](std::string_view name) {
        return (name.size() > kCutterScratchEnding.size() &&
                name.ends_with(kCutterScratchEnding)) ||
               (name.size() > kJoinedPageEnding.size() && name.ends_with(kJoinedPageEnding));
    });
}

void RemoveOwnTempFiles() {
    for (const char* folder : kTempFileFolders)
        RemoveMatching(ProgramFile(folder), IsAtomicTempName, RemoveRegular);
}

} // namespace nimbrel
