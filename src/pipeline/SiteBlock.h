// One site's part of the display step: its cut text cleaned, corrected by fix.dat, transformed
// by its stylesheet and made safe for the digest, its new items marked and the whole framed
// with the site's name, time and state; or, when the block cannot be made, the frame with the
// reason and the block the last digest showed.
#pragma once

#include "components/TidyCOM_TLB.h"
#include "pipeline/FixList.h"
#include "pipeline/ShownSite.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

// What the display step reads of a site element of the selection (values trimmed).
struct DisplaySite {
    std::string name;
    std::string url;
    std::string styleSheet;
    std::string type;    // lower case
    size_t position = 0; // its place in the selection, from 1
};

struct SiteOutcome {
    std::string block;                  // the framed block the layout gets for the site
    std::optional<std::string> failure; // why the site's own block was not made
    std::string status;                 // the frame's status (ok, failed, never ...)
    size_t newItems = 0;                // items marked new
    std::optional<ShownSite> shown;     // to remember once the digest is written; nothing:
                                        // the site's record stays as it is
};

// Makes the site's framed block; `now` is the digest's time. Every error that belongs to this
// site (a recorded cut failure, a cut file that cannot be read, too large or too deeply nested
// to clean, a stylesheet that is refused, missing, malformed or fails, a block that cannot be
// read) comes back as the failure, shown in the frame; nothing is raised. Reads the site's
// fetch record and what the last digest showed of it, writes nothing. Sets the cleaner's
// per-site switch, so one cleaner serves one site at a time; the documents it uses live for
// this call only.
SiteOutcome MakeSiteBlock(const DisplaySite& site, tidycom::TidyObject& cleaner,
                          const std::vector<FixPair>& fixes, std::time_t now);

} // namespace nimbrel
