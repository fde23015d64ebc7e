// The run counter in update.dat: every display run adds one, and on the runs that reach 71, 72
// and 73 the update page shipped in the program folder is opened in the browser; after 72 the
// count starts again at 1.
#pragma once

#include <string>

namespace nimbrel {

// Advances update.dat (rewritten atomically) and opens the update page when it is due, unless
// the caller keeps every browser closed (pageMayOpen false). Returns the count written. The stored
// count is update.dat's first line: a missing file counts as 1, a file that is empty or holds no
// whole number as 0, so the count restarts at 1 instead of failing every run. Raises EInOutError
// when the file exists but cannot be read or written.
int RunUpdateReminder(bool pageMayOpen = true);

// Program folder + "\\update.html": the page that tells how to get a newer version.
std::string UpdatePagePath();

} // namespace nimbrel
