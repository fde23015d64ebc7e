// Replacing a file without ever leaving it half-written: the bytes go to a temporary file beside
// the target, which is flushed to disk and renamed over the target only by commit(). A writer
// destroyed without commit() removes its temporary file and leaves the old target whole. The
// temporary file is created like any new file (mode 0666 less the umask) and holds an exclusive
// flock while it is written, so the clean-up of files left by a killed run passes it over.
// A target that is a symbolic link is followed: the file it points to is replaced, in its own
// folder. A target that is there but is not a regular file (a device, a folder, a pipe) is
// refused and left alone.
#pragma once

#include "platform/Limits.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace nimbrel {

// The temporary file of target T is named T + kAtomicTempMarker + six letters or digits.
constexpr const char* kAtomicTempMarker = ".tmp-";
constexpr size_t kAtomicTempSuffixBytes = 6;
static_assert(std::char_traits<char>::length(kAtomicTempMarker) + kAtomicTempSuffixBytes ==
              limits::kAtomicTempEndingBytes);

class AtomicFile {
  public:
    // Synced files reach the disk before they replace their target. Scratch files (what a later
    // run makes again, such as cut pages) are only renamed: a crash may leave them empty, never
    // half-written by this run, and they cost no wait for the disk.
    enum class Durability { Synced, Scratch };
    // Creates the temporary file; raises EInOutError (naming the target) when the folder does
    // not allow it or the target is not a regular file.
    explicit AtomicFile(std::string target, Durability durability = Durability::Synced);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends bytes; raises EInOutError (for instance "Disk full").
    void write(std::string_view bytes);
    // Bytes written so far.
    uint64_t size() const { return size_; }
    // Replaces bytes already written, from `offset` on (the file does not grow); raises
    // EInOutError.
    void overwrite(uint64_t offset, std::string_view bytes);
    // Drops what was written past `size`; later writes go on from there. Raises EInOutError.
    void truncate(uint64_t size);
    // Flushes, syncs and renames over the target; raises EInOutError on failure, in which case
    // the target keeps its old content.
    void commit();
    // As commit(), but never replaces an existing target: false (and the temporary file
    // removed) when the target already exists. Raises EInOutError on other failures.
    bool commitAsNew();
    // The file replaced: the target as given, or where its symbolic links lead.
    const std::string& target() const { return target_; }

    // For files replaced together (FileGroup): flushes and syncs the bytes and keeps the
    // temporary file open and locked; raises EInOutError.
    void sync();
    const std::string& tempPath() const { return temp_; }
    // The temporary file has been renamed over the target, or is left for a journal to rename:
    // closes it without removing it.
    void release();

  private:
    void abandon();
    int flushToDisk(); // 0 or the errno of the failure; the file stays open
    // Flushes, then puts the temporary file at the target with `place` (rename or link); 0 or
    // the errno of the failure.
    int flushAndPlace(int (*place)(const char*, const char*));

    std::string target_;
    std::string temp_;
    Durability durability_;
    std::unique_ptr<char[]> buffer_; // the stream's; outlives it
    FILE* file_ = nullptr;
    uint64_t size_ = 0;
};

// Where a write of `path` lands: the path itself, or the end of its chain of symbolic links.
// Raises EInOutError ("File access denied") when something is there that is not a regular
// file, or the links loop.
std::string WriteTarget(const std::string& path);

// Writes the whole content to the path atomically.
void AtomicWriteFile(const std::string& path, std::string_view bytes);

// Creates the file with the whole content, atomically, only when nothing is at the path yet;
// false when something is. Raises EInOutError.
bool AtomicCreateFile(const std::string& path, std::string_view bytes);

} // namespace nimbrel
