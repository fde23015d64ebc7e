// A program folder for a fuzz target on tmpfs (the atomic writers' fsync costs nothing there),
// made on first use with the given subfolders, set as the program folder, removed at exit.
#pragma once

#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <sys/stat.h>

namespace nimbrel::fuzz {

inline std::string& FuzzFolderPath() {
    static std::string& path = *new std::string(); // never destroyed: the exit handler reads it
    return path;
}

inline const std::string& FuzzFolder(std::initializer_list<const char*> subfolders) {
    std::string& path = FuzzFolderPath();
    if (!path.empty())
        return path;
    char pattern[] = "/dev/shm/nimbrel-fuzz-XXXXXX";
    if (!::mkdtemp(pattern))
        std::abort();
    path = pattern;
    for (const char* sub : subfolders)
        ::mkdir((path + "/" + sub).c_str(), 0700);
    SetProgramFolder(path);
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(FuzzFolderPath(), ec);
    });
    return path;
}

} // namespace nimbrel::fuzz
