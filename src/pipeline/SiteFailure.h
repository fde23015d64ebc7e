// A site whose block cannot be made shows the reason in its frame in the digest (SiteFrame.h);
// the other sites are shown as ever. The cutting step leaves its failures in a note beside the
// site's cut file (SiteFiles.h), which the display step shows.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

struct SiteFailure {
    std::string name;   // the site's Name in the selection
    std::string reason; // what went wrong, in a sentence
};

// The reason on one line (runs of line breaks and blanks become one blank), shortened to a few
// hundred bytes when an engine's report is longer.
std::string ConciseReason(std::string_view reason);

} // namespace nimbrel
