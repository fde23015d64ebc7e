#include "platform/Companions.h"

#include "platform/Files.h"

#include <filesystem>

namespace nimbrel {

std::string ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

std::string FindCompanionFile(const std::string& name, const std::string& installedFolder) {
    const std::filesystem::path folder = ExecutableFolder();
    if (folder.empty())
        return {};
    for (const auto& candidate : {folder / name, folder / ".." / installedFolder / name}) {
        const std::string path = candidate.lexically_normal().string();
        if (FileExists(path))
            return path;
    }
    return {};
}

} // namespace nimbrel
