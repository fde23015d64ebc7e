#include "platform/ProgramFolder.h"

#include "platform/Errors.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace nimbrel {

namespace {
std::string& Folder() {
    static std::string folder;
    return folder;
}
bool& Taken() {
    static bool taken = false;
    return taken;
}
} // namespace

void MakeWorkingFolders() {
    struct stat selection {};
    if (::stat(ProgramFile("\\setup.xml").c_str(), &selection) != 0)
        return;
    for (const char* name : {"\\Sites", "\\Work", "\\Temp"}) {
        const std::string path = ProgramFile(name);
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
            RaiseInOutError(errno, path);
    }
}

const std::string& TakeProgramFolder() {
    if (!Taken()) {
        std::error_code ec;
        SetProgramFolder(std::filesystem::current_path(ec).string());
    }
    return Folder();
}

void SetProgramFolder(std::string_view folder) {
    std::string f(folder);
    while (f.size() > 1 && f.back() == '/')
        f.pop_back();
    Folder() = f;
    Taken() = true;
}

const std::string& ProgramFolder() {
    return TakeProgramFolder();
}

std::string WithForwardSlashes(std::string_view relative) {
    std::string out(relative);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string ProgramFile(std::string_view relative) {
    std::string rel = WithForwardSlashes(relative);
    if (!rel.empty() && rel.front() != '/')
        rel.insert(rel.begin(), '/');
    return ProgramFolder() + rel;
}

std::string DataFile(std::string_view folder, std::string_view dataName) {
    return ProgramFile(folder) + "/" + std::string(dataName);
}

bool DataNameStaysInFolder(std::string_view dataName) {
    if (dataName.empty() || dataName.front() == '/')
        return false;
    for (;;) {
        const size_t slash = dataName.find('/');
        if (dataName.substr(0, slash) == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        dataName.remove_prefix(slash + 1);
    }
}

} // namespace nimbrel
