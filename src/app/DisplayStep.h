// The display step as both programs run it: TidyAndDisplay, followed by the cleaner report
// (TidyError) when the cleaner could not be created.
#pragma once

#include "pipeline/TidyAndDisplay.h"

#include <string>

namespace nimbrel {

DisplayReport RunDisplayStep(const std::string& selectionFileName, const DisplayContext& context);

} // namespace nimbrel
