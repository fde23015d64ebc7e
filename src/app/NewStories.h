// What the desktop program tells of a digest outside the page: the notice after a download that
// brought new stories, and the tray icon's tooltip. Pure functions of the display step's report.
#pragma once

#include "pipeline/TidyAndDisplay.h"

#include <string>
#include <vector>

namespace nimbrel {

// "5 new stories: The Daily Courier 3, Circuit Weekly 2": the sites with the most new stories
// first (ties in page order), at most four by name and the others counted; "" when none is new.
std::string NewStoriesNotice(const std::vector<SiteNews>& news);

// "5 new · 1 failed · updated 14:05" for the digest the report describes (no failed part when
// no site failed), the time in local time.
std::string DigestTooltip(const DisplayReport& report);

} // namespace nimbrel
