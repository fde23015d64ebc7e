#include "library/SelectionList.h"

#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"

namespace nimbrel {

void SaveSelectionList(const std::string& path, const SelectionEntries& entries) {
    TextWriter writer(path);
    for (const std::string& entry : entries)
        writer.writeLine(entry);
    writer.writeLine("");
    writer.close();
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
    SaveSelectionList(SetupNmlPath(), entries);
}

std::optional<SelectionEntries> LoadSetupNml() {
    const std::string path = SetupNmlPath();
    if (!FileExists(path))
        return std::nullopt;
    return LoadSelectionList(path);
}

} // namespace nimbrel
