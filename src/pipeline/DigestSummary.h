// The line at the top of the digest: when it was made, how many sites it shows, how many of
// them failed (linking to the first failed one) and how many items are new. Pure functions of
// their inputs.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace nimbrel {

struct DigestCounts {
    size_t sites = 0;
    size_t failed = 0;
    size_t newItems = 0;
    std::string firstFailedId; // the frame id of the first failed site; empty when none failed
};

// <p class="digest-summary" data-sites data-failed data-new>, the time in local time.
std::string DigestSummary(const DigestCounts& counts, std::time_t madeAt);

// The layout with the summary put right after its <body> start tag; a layout without one gets it
// after its document type declaration, or at its very start.
std::string PlaceSummary(std::string_view layout, std::string_view summary);

} // namespace nimbrel
