#include "app/NewStories.h"

#include "platform/LocalTime.h"

#include <algorithm>

namespace nimbrel {

namespace {

constexpr size_t kNamedSites = 4;

size_t TotalNew(const std::vector<SiteNews>& news) {
    size_t total = 0;
    for (const SiteNews& site : news)
        total += site.newItems;
    return total;
}

} // namespace

std::string NewStoriesNotice(const std::vector<SiteNews>& news) {
    const size_t total = TotalNew(news);
    if (total == 0)
        return {};
    std::vector<SiteNews> ranked;
    for (const SiteNews& site : news)
        if (site.newItems > 0)
            ranked.push_back(site);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const SiteNews& a, const SiteNews& b) { return a.newItems > b.newItems; });
    std::string text = std::to_string(total) + (total == 1 ? " new story: " : " new stories: ");
    for (size_t i = 0; i < ranked.size() && i < kNamedSites; ++i)
        text += (i ? ", " : "") + ranked[i].name + " " + std::to_string(ranked[i].newItems);
    if (ranked.size() > kNamedSites) {
        const size_t others = ranked.size() - kNamedSites;
        text += ", and " + std::to_string(others) + (others == 1 ? " other site" : " other sites");
    }
    return text;
}

std::string DigestTooltip(const DisplayReport& report) {
    std::string text = std::to_string(TotalNew(report.news)) + " new";
    if (report.counts.failed > 0)
        text += " \u00B7 " + std::to_string(report.counts.failed) + " failed";
    return text + " \u00B7 updated " + LocalTimeText(report.madeAt, "%H:%M");
}

} // namespace nimbrel
