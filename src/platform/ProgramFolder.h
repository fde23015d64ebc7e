// The program folder: the current directory when the program starts, taken once. Every file of
// the program is named by appending a relative name to it.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// Takes the current directory as the program folder (only the first call has an effect unless
// the folder is set explicitly). Returns it, without a trailing separator.
const std::string& TakeProgramFolder();

// Sets the program folder explicitly (nimbrel-digest --folder, tests). A trailing "/" is dropped.
void SetProgramFolder(std::string_view folder);

// The program folder; TakeProgramFolder() if none has been taken yet.
const std::string& ProgramFolder();

// The program's own relative name, in which "\\" and "/" both mean the folder separator, turned
// into a path: ProgramFile("\\options.nmo") == ProgramFolder() + "/options.nmo". Use it only for
// the program's own names, never for names that come from data (see DataFile).
std::string ProgramFile(std::string_view relative);

// Makes the folders a cycle writes (Sites, Work and Temp) where they are missing, as a copied or
// hand-made program folder may lack them. A folder without a selection (setup.xml) is left
// alone: a cycle there ends at once, and it may not be a program folder at all. Raises
// EInOutError naming a folder it cannot make.
void MakeWorkingFolders();

// A file named by data (a page stem, RipFile, StyleSheet) in one of the program's folders.
// The data name is appended as written: it is never split at "\\".
std::string DataFile(std::string_view folder, std::string_view dataName);

// False for a data name that would leave its folder: empty, absolute, or with a ".." step
// between slashes. Every reader of RipFile and StyleSheet names asks this one question.
bool DataNameStaysInFolder(std::string_view dataName);

// A name for logging and tests: "a\\b/c" -> "a/b/c".
std::string WithForwardSlashes(std::string_view relative);

} // namespace nimbrel
