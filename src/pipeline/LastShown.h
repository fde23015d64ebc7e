// What the last digest showed of a site, for the next digest to tell what is new and to fall
// back on when the site's block cannot be made: the time of the page it was made from, the
// links of its items and the block itself. One file beside the page file,
// Sites/<page file stem>.dig (docs/digest-markup.md). The display step alone reads and writes
// it, and writes it only once the digest that showed the block has been written.
#pragma once

#include "pipeline/PageName.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

struct LastShown {
    std::time_t fetched = 0;        // when the page the block was made from came (UTC); 0 unknown
    std::vector<std::string> links; // the links of the block's items, in order
    std::string block;              // the block as made, before the new items were marked

    bool operator==(const LastShown&) const = default;
};

// The site's record; nothing when the site was never shown (no file, or one that cannot be
// read). Never raises.
std::optional<LastShown> ReadLastShown(std::string_view url);

// A record waits in a file of its own beside the site's record (".dig.next") until the digest
// that showed it is in place; the display step keeps only the names meanwhile. Raises
// EInOutError when it cannot be written. A block larger than limits::kKeptBlockBytes is not
// kept (the links are).
void WriteWaitingLastShown(std::string_view url, const LastShown& shown);
// Puts the waiting records of these sites in place of their records. Every one is tried; when
// any cannot be moved, it is removed and Exception raised naming how many and the first one's
// path and reason (those sites' items are marked new once more).
void KeepWaitingLastShown(const std::vector<std::string>& urls);
// The message of records that could not be kept or written: how many sites, and why.
std::string PendingRecordsLost(size_t sites, const std::string& reason);
// Removes the waiting records of a digest that was not written.
void DropWaitingLastShown(const std::vector<std::string>& urls);

// The record as its file holds it, and back: "key: value" lines (fetched, then one link line
// per link), an empty line, then the block.
std::string FormatLastShown(const LastShown& shown);
LastShown ParseLastShown(std::string_view text);

} // namespace nimbrel
