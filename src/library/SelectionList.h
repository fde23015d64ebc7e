// The selection list files: setup.nml and the selections the user saves under a name of their
// own. One entry per line, each ended by CR LF, then one more CR LF, so the file always ends with
// an empty line. Readers skip empty lines and also take a lone LF as a line end. Writers replace
// the file atomically.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

using SelectionEntries = std::vector<std::string>;

// Writes the entries in order; raises EInOutError and leaves the old file whole on failure.
void SaveSelectionList(const std::string& path, const SelectionEntries& entries);
// What such a file holds for the entries.
std::string SelectionListText(const SelectionEntries& entries);

// Every non-empty line in file order. A line ends at CR LF, at a lone CR or at a lone LF;
// 0x1A ends the input. Raises EInOutError when the file cannot be read.
SelectionEntries LoadSelectionList(const std::string& path);

// setup.nml of the program folder.
std::string SetupNmlPath();
// Writes setup.nml holding the folder lock; raises FolderBusy while another run holds it.
void SaveSetupNml(const SelectionEntries& entries);
// The entries of setup.nml, or nothing when the file does not exist.
std::optional<SelectionEntries> LoadSetupNml();

} // namespace nimbrel
