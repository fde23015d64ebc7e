#include "library/SelectionList.h"

#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/FolderLock.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"

namespace nimbrel {

std::string SelectionListText(const SelectionEntries& entries) {
    std::string text;
    for (const std::string& entry : entries)
        text.append(entry).append("\r\n");
    return text + "\r\n";
}

void SaveSelectionList(const std::string& path, const SelectionEntries& entries) {
    AtomicWriteFile(path, SelectionListText(entries));
}

SelectionEntries LoadSelectionList(const std::string& path) {
    TextReader reader(path);
    SelectionEntries entries;
    std::string line;
    while (reader.readLine(line)) {
        // A file saved by a Linux editor ends its lines with a lone LF.
        size_t from = 0;
        for (size_t lf = line.find('\n'); from <= line.size(); lf = line.find('\n', from)) {
            const size_t end = lf == std::string::npos ? line.size() : lf;
            if (end > from)
                entries.push_back(line.substr(from, end - from));
            from = end + 1;
        }
    }
    return entries;
}

std::string SetupNmlPath() {
    return ProgramFile("\\setup.nml");
}

void SaveSetupNml(const SelectionEntries& entries) {
    const FolderLock lock = FolderLock::Take();
    SaveSelectionList(SetupNmlPath(), entries);
}

std::optional<SelectionEntries> LoadSetupNml() {
    const std::string path = SetupNmlPath();
    if (!FileExists(path))
        return std::nullopt;
    return LoadSelectionList(path);
}

} // namespace nimbrel
