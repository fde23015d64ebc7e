// Helpers for window tests.
#pragma once

#include "support/TestSupport.h"

namespace nimbrel::test {

// Puts the pictures every window loads at creation (the wizard banner) into the program folder,
// so that tests about other things see no "Cannot open file" error.
void WriteWindowPictures(const TempProgramFolder& folder);

} // namespace nimbrel::test
