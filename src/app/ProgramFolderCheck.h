// Whether a folder is a Nimbrel program folder: the files and folders the program reads from
// its first window on. Started anywhere else, the program says what is missing and how to make
// a program folder, and ends before it shows a window that could not work.
#pragma once

#include <string>
#include <vector>

namespace nimbrel {

// What the folder lacks, in a fixed order: files by name ("Categories.xml",
// "icons/banner_vert1.jpg"), folders with a trailing "/" ("Work/"). Empty for a program folder.
std::vector<std::string> MissingProgramFiles(const std::string& folder);

// The message for a folder that lacks them: the folder, what it lacks, and the command that lays
// out a program folder (nimbrel-launch, with --folder to make this one).
std::string NotAProgramFolderMessage(const std::string& folder,
                                     const std::vector<std::string>& missing);

} // namespace nimbrel
