// Files a killed run leaves behind: the atomic writers' temporary files (T.tmp-XXXXXX) in the
// program folder and its folders Sites, Work and Temp, and the cutter's scratch files (*.temp)
// and joined page copies (*.dat) in Temp. Nothing else is ever touched.
#pragma once

#include <string_view>

namespace nimbrel {

// True for a name the atomic writer gives its temporary files.
bool IsAtomicTempName(std::string_view name);

// Removes the leftovers; a temporary file that a writer still holds (its flock) is left alone.
// Errors are ignored: a file that cannot be removed stays, as it would have anyway.
void RemoveLeftoverTempFiles();

// Removes the atomic writers' temporary files in the same folders, held or not: for a run that
// ends itself at once, whose own writers hold them.
void RemoveOwnTempFiles();

} // namespace nimbrel
