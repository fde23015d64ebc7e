// Files installed with the program and found relative to its executable: beside it in a build
// tree, in a folder of the installed tree once installed (the help viewer module, the worker
// program).
#pragma once

#include <string>

namespace nimbrel {

// The folder of the running executable; empty when it cannot be read.
std::string ExecutableFolder();

// The path of the companion file `name` where it exists: <exe dir>/name, else
// <exe dir>/../<installedFolder>/name; empty when neither exists.
std::string FindCompanionFile(const std::string& name, const std::string& installedFolder);

} // namespace nimbrel
