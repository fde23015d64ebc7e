// One site's part of the display step: its cut text cleaned, corrected by fix.dat, transformed
// by its stylesheet and made safe for the digest; or, when any of that fails, the reason.
#pragma once

#include "components/TidyCOM_TLB.h"
#include "pipeline/FixList.h"

#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

// What the display step reads of a site element of the selection (values trimmed).
struct DisplaySite {
    std::string name;
    std::string url;
    std::string styleSheet;
    std::string type; // lower case
};

struct SiteOutcome {
    std::string block;                  // the site's HTML block when it was made
    std::optional<std::string> failure; // why it was not
};

// Makes the site's block. Every error that belongs to this site (a recorded cut failure, a cut
// file that cannot be read, too large or too deeply nested to clean, a stylesheet that is
// refused, missing, malformed or fails, a block that cannot be read) comes back as the
// failure; nothing is raised. Sets the cleaner's per-site switch, so one cleaner serves one
// site at a time; the documents it uses live for this call only.
SiteOutcome MakeSiteBlock(const DisplaySite& site, tidycom::TidyObject& cleaner,
                          const std::vector<FixPair>& fixes);

} // namespace nimbrel
