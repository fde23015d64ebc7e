// The display step as nimbrel-digest runs it: at the end of a full cycle and alone with
// --display-only. Automatic display comes from options.nmo unless --open or --no-open gave
// `openOverride` for the run; the option file itself is left as it is.
#pragma once

#include <optional>

namespace nimbrel::digest {

// The display step of the full cycle. Its messages go to the dialogs in force; raises
// nimbrel::Exception with the engine's text, or with "site.html was not written" when a message
// or the missing cleaner ended the step.
void DisplayStep(std::optional<bool> openOverride);

// --display-only: the display step alone on the program folder already set. Returns the exit
// status: 0 when site.html was written, 1 when an error ended the step (printed on stderr).
int RunDisplayOnly(std::optional<bool> openOverride);

} // namespace nimbrel::digest
