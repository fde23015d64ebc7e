// The display step as nimbrel-digest runs it: at the end of a full cycle and alone with
// --display-only (RunDisplayOnly, DigestModes.h). Automatic display comes from options.nmo
// unless --open or --no-open gave `openOverride` for the run; the option file is left alone.
#pragma once

#include <optional>

namespace nimbrel::digest {

// The display step; true when site.html was written, false when a message or the missing
// cleaner ended it (shown through the dialogs in force). Raises nimbrel::Exception with the
// engine's text when a site's stylesheet or text cannot be handled.
bool DisplayStep(std::optional<bool> openOverride);

} // namespace nimbrel::digest
