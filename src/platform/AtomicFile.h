// Replacing a file without ever leaving it half-written: the bytes go to a temporary file beside
// the target, which is flushed to disk and renamed over the target only by commit(). A writer
// destroyed without commit() removes its temporary file and leaves the old target whole. The
// temporary file is created like any new file (mode 0666 less the umask) and holds an exclusive
// flock while it is written, so the clean-up of files left by a killed run passes it over.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace nimbrel {

// The temporary file of target T is named T + kAtomicTempMarker + six letters or digits.
constexpr const char* kAtomicTempMarker = ".tmp-";
constexpr size_t kAtomicTempSuffixBytes = 6;

class AtomicFile {
  public:
    // Creates the temporary file; raises EInOutError when the folder does not allow it.
    explicit AtomicFile(std::string target);
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
    const std::string& target() const { return target_; }

  private:
    void abandon();
    int flushToDisk(); // 0 or the errno of the failure; the file stays open

    std::string target_;
    std::string temp_;
    FILE* file_ = nullptr;
    uint64_t size_ = 0;
};

// Writes the whole content to the path atomically.
void AtomicWriteFile(const std::string& path, std::string_view bytes);

// Creates the file with the whole content, atomically, only when nothing is at the path yet;
// false when something is. Raises EInOutError.
bool AtomicCreateFile(const std::string& path, std::string_view bytes);

} // namespace nimbrel
