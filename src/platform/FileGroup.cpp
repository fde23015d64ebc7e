#include "platform/FileGroup.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <cstdio>

namespace nimbrel {

namespace {

// The journal: this line, then each rename as the temporary file's path and the target's, every
// path ended by a NUL byte (a path may hold any other byte).
constexpr std::string_view kJournalHeading = "nimbrel file group 1\n";

std::string JournalText(const std::vector<std::unique_ptr<AtomicFile>>& files) {
    std::string text(kJournalHeading);
    for (const auto& file : files) {
        text.append(file->tempPath()).push_back('\0');
        text.append(file->target()).push_back('\0');
    }
    return text;
}

std::vector<std::string> JournalPaths(std::string_view text) {
    std::vector<std::string> paths;
    if (!text.starts_with(kJournalHeading))
        return paths;
    text.remove_prefix(kJournalHeading.size());
    for (size_t end; (end = text.find('\0')) != std::string_view::npos;) {
        paths.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    if (paths.size() % 2 != 0)
        paths.pop_back();
    return paths;
}

// Renames the temporary file over its target; a temporary file that is gone was renamed before.
int RenameUnlessDone(const std::string& temp, const std::string& target) {
    if (std::rename(temp.c_str(), target.c_str()) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

} // namespace

std::string FileGroupJournalPath() {
    return ProgramFile("\\nimbrel.journal");
}

void FileGroup::write(const std::string& path, std::string_view bytes) {
    auto file = std::make_unique<AtomicFile>(path);
    file->write(bytes);
    files_.push_back(std::move(file));
}

void FileGroup::commit() {
    for (const auto& file : files_)
        file->sync();
    const std::string journal = FileGroupJournalPath();
    AtomicWriteFile(journal, JournalText(files_));
    // From here on the journal answers for the temporary files: none is removed on a failure.
    for (const auto& file : files_) {
        if (const int err = RenameUnlessDone(file->tempPath(), file->target()); err != 0) {
            for (const auto& rest : files_)
                rest->release();
            RaiseInOutError(err, file->target());
        }
        file->release(); // renamed while open and locked, so no clean-up could take it
    }
    files_.clear();
    DeleteFileQuietly(journal);
}

void FinishInterruptedFileGroup() {
    const std::string journal = FileGroupJournalPath();
    if (!FileExists(journal))
        return;
    const std::vector<std::string> paths = JournalPaths(ReadFileBytes(journal));
    for (size_t i = 0; i + 1 < paths.size(); i += 2)
        if (const int err = RenameUnlessDone(paths[i], paths[i + 1]); err != 0)
            RaiseInOutError(err, paths[i + 1]);
    DeleteFileQuietly(journal);
}

} // namespace nimbrel
