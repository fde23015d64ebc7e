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
    while (reader.readLine(line))
        if (!line.empty())
            entries.push_back(line);
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
