// Several files replaced as one step, so a run killed at any moment leaves either all the old
// files or all the new ones (the library and the selection an import writes, say). Each file is
// written to its own temporary file first; commit() then writes a journal naming every rename
// (the program folder's "nimbrel.journal", itself replaced atomically), renames, and removes the
// journal. A run killed after the journal was written has its renames finished by the next run
// that takes the folder lock; one killed before leaves only temporary files, which the clean-up
// of leftovers removes. Used while the folder lock is held.
#pragma once

#include "platform/AtomicFile.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

class FileGroup {
  public:
    FileGroup() = default;
    FileGroup(const FileGroup&) = delete;
    FileGroup& operator=(const FileGroup&) = delete;

    // The whole new content of one file of the group; raises as AtomicFile does.
    void write(const std::string& path, std::string_view bytes);
    // Replaces every file written; raises EInOutError. A failure before the journal is in
    // place leaves every old file; one after it leaves the rest to the next run.
    void commit();

  private:
    std::vector<std::unique_ptr<AtomicFile>> files_;
};

// The journal of the program folder.
std::string FileGroupJournalPath();

// Finishes the renames of a journal left by a killed run, then removes it. Raises EInOutError
// (and keeps the journal) when a rename fails for another reason than being done already.
void FinishInterruptedFileGroup();

} // namespace nimbrel
