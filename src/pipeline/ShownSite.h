// What the last digest showed of a site, for the next digest to tell what is new and to fall
// back on when the site's block cannot be made: the time of the page it was made from, the
// links of its items and the block itself. One file beside the page file,
// Sites/<page file stem>.dig (docs/digest-markup.md). The display step alone reads and writes
// it, and writes it only once the digest that showed the block has been written.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel {

struct ShownSite {
    std::time_t fetched = 0;        // when the page the block was made from came (UTC); 0 unknown
    std::vector<std::string> links; // the links of the block's items, in order
    std::string block;              // the block as made, before the new items were marked

    bool operator==(const ShownSite&) const = default;
};

// The record's file for a site's URL.
std::string ShownSitePath(std::string_view url);

// The site's record; nothing when the site was never shown (no file, or one that cannot be
// read). Never raises.
std::optional<ShownSite> ReadShownSite(std::string_view url);

// Replaces the site's record atomically; raises EInOutError when it cannot be written. A block
// larger than limits::kKeptBlockBytes is not kept (the links are).
void WriteShownSite(std::string_view url, const ShownSite& shown);

// Writes the records of the sites (URL and record), passing over those that cannot be written:
// a record that is not written only means its site's items are marked new once more.
void RememberShownSites(const std::vector<std::pair<std::string, ShownSite>>& sites);

// The record as its file holds it, and back: "key: value" lines (fetched, then one link line
// per link), an empty line, then the block.
std::string FormatShownSite(const ShownSite& shown);
ShownSite ParseShownSite(std::string_view text);

} // namespace nimbrel
