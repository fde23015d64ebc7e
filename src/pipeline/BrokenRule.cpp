#include "pipeline/BrokenRule.h"

#include "platform/Convert.h"
#include "platform/LocalTime.h"

namespace nimbrel {

bool RuleFoundNothing(const SiteRecord& fetch, size_t itemLinks,
                      const std::optional<LastShown>& before) {
    const bool pageCame =
        fetch.status == FetchStatus::Ok || fetch.status == FetchStatus::NotModified;
    return pageCame && itemLinks == 0 && before && !before->links.empty();
}

std::string BrokenRuleNote(std::time_t pageCame, size_t itemsBefore, std::time_t before,
                           std::time_t now) {
    std::string note = "The page came";
    if (pageCame > 0)
        note += " at " + ClockOrDateText(pageCame, now);
    note += ", but the site's rule found nothing in it (it found " +
            CountOf(itemsBefore, "item", "items");
    if (before > 0)
        note += " at " + ClockOrDateText(before, now);
    return note + "). The site may have changed its layout.";
}

void ShowBrokenRule(SiteFrame& frame, const SiteRecord& fetch, const LastShown& before,
                    std::time_t pageFileTime, std::time_t now) {
    // A page that was not modified came when it was asked for.
    std::time_t came = fetch.status == FetchStatus::Ok ? fetch.fetched : fetch.attempted;
    if (came == 0)
        came = pageFileTime;
    frame.status = kBrokenStatus;
    frame.note = BrokenRuleNote(came, before.links.size(), before.fetched, now);
    frame.block = before.block.empty() ? std::optional<std::string>() : before.block;
    frame.fetched = before.block.empty() ? 0 : before.fetched;
}

} // namespace nimbrel
