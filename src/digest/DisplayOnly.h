// The display step as nimbrel-digest runs it: at the end of a full cycle and alone with
// --display-only (RunDisplayOnly, DigestModes.h). Automatic display comes from options.nmo
// unless --open or --no-open gave `openOverride` for the run; the option file is left alone.
#pragma once

#include <optional>

namespace nimbrel {
class EarlyDisplay;
}

namespace nimbrel::digest {

// The display step; true when site.html was written, false when a message or the missing
// cleaner ended it (shown through the dialogs in force). Sites shown by a failure notice are
// listed on stderr, a line each, unless `quiet`. With --no-open (openOverride false) not even
// the update reminder opens a browser. Raises nimbrel::Exception when an error of the whole
// run (the layout transform, writing site.html) ends the step. `early` is the step as begun
// while the cut ran, when it was.
bool ShowDigestPage(std::optional<bool> openOverride, bool quiet, EarlyDisplay* early = nullptr);

} // namespace nimbrel::digest
