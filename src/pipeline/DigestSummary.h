// The line at the top of the digest: when it was made, how many sites it shows, how many of
// them failed (linking to the first failed one), how many were stopped midway, and how many
// items are new. Pure functions of their inputs.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nimbrel {

struct DigestCounts {
    size_t sites = 0;
    size_t failed = 0;
    size_t stopped = 0; // sites whose download was stopped: they show an older page
    size_t broken = 0;  // sites whose rule found nothing in the page that came
    size_t newItems = 0;
    std::string firstFailedId; // the frame id of the first failed site; empty when none failed
    std::string firstBrokenId; // the frame id of the first broken rule's site; empty for none
};

// A site the digest shows with new items, by the name its frame shows.
struct SiteNews {
    std::string name;
    size_t newItems = 0;

    bool operator==(const SiteNews&) const = default;
};

// Counts what the digest shows, site by site in selection order. A site whose URL came earlier
// in the selection shows that earlier site's frame (both placeholders take the first block), so
// it counts as that one.
class DigestTally {
  public:
    // Adds the next site with the status and new items of its own frame; true when its own frame
    // is the one shown (the first site with its URL).
    bool add(const std::string& url, const std::string& status, size_t newItems);
    const DigestCounts& counts() const { return counts_; }

  private:
    struct Shown {
        std::string status;
        size_t newItems;
        size_t position;
    };
    std::unordered_map<std::string, Shown> firstOfUrl_;
    DigestCounts counts_;
};

// <p class="digest-summary" data-sites data-failed data-stopped data-broken data-new>, the
// time in local time; "N stopped" and "N rules found nothing" are written only when there are
// some.
std::string DigestSummary(const DigestCounts& counts, std::time_t madeAt);

// Where the summary goes in the layout: right after its <body> start tag; in a layout without
// one, after its document type declaration, or at its very start.
size_t SummaryOffset(std::string_view layout);

} // namespace nimbrel
