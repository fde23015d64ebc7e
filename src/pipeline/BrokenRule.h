// A site whose rule broke: its page came (a new page or "Not modified") but its block holds no
// item, while the site's last digest showed some. The site has most likely changed its layout,
// which is no quiet day: the frame says so (status "broken"), shows the last good block below
// the note, and the record of that block is kept for the next digest and for a repair.
#pragma once

#include "pipeline/SiteFiles.h"
#include "pipeline/SiteFrame.h"

#include <ctime>
#include <optional>

namespace nimbrel {

inline constexpr const char* kBrokenStatus = "broken";

// True when the page came but the block's items hold no link while the last digest's did.
bool RuleFoundNothing(const SiteRecord& fetch, size_t itemLinks,
                      const std::optional<LastShown>& before);

// "The page came at 14:05, but the site's rule found nothing in it (it found 26 items at
// 13:50). The site may have changed its layout."
std::string BrokenRuleNote(std::time_t pageCame, size_t itemsBefore, std::time_t before,
                           std::time_t now);

// Makes the frame a broken rule's: status, note, and the last good block with its time.
// `pageFileTime` stands in for a fetch record without times.
void ShowBrokenRule(SiteFrame& frame, const SiteRecord& fetch, const LastShown& before,
                    std::time_t pageFileTime, std::time_t now);

} // namespace nimbrel
