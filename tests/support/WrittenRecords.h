// Writers the tests use to set up a folder as an earlier digest left it, and to place a
// summary in a layout on its own. The program writes these only through the display step.
#pragma once

#include "pipeline/SiteFiles.h"

#include <string>
#include <string_view>

namespace nimbrel {

// Puts the site's record in place, as a digest that showed it does.
void WriteLastShown(std::string_view url, const LastShown& shown);

// The layout with the summary at SummaryOffset.
std::string PlaceSummary(std::string_view layout, std::string_view summary);

} // namespace nimbrel
