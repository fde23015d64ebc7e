#include "pipeline/DigestSummary.h"

#include "pipeline/BrokenRule.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/SiteFrame.h"
#include "platform/Convert.h"
#include "platform/LocalTime.h"

namespace nimbrel {

namespace {

// Where the start tag that begins at `at` ends (just after its ">"), reading quoted attribute
// values whole; npos when it does not end.
size_t TagEnd(std::string_view text, size_t at) {
    char quote = 0;
    for (size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// Just after the first start tag of the named element (lower case name), or npos.
size_t AfterStartTag(std::string_view text, std::string_view name) {
    const std::string lowered = LowerAscii(text);
    std::string open = "<";
    open += name; // not "<" + std::string(name): GCC 12 at -O3 warns of an overlap it imagines
    for (size_t at = lowered.find(open); at != std::string::npos; at = lowered.find(open, at + 1)) {
        const size_t next = at + open.size();
        if (next < lowered.size() &&
            (IsHtmlBlank(lowered[next]) || lowered[next] == '>' || lowered[next] == '/'))
            return TagEnd(text, next);
    }
    return std::string_view::npos;
}

} // namespace

bool DigestTally::add(const std::string& url, const std::string& status, size_t newItems) {
    const size_t position = counts_.sites + 1;
    const auto [first, isFirst] = firstOfUrl_.emplace(url, Shown{status, newItems, position});
    const Shown& shown = first->second;
    ++counts_.sites;
    counts_.newItems += shown.newItems;
    counts_.stopped += shown.status == "stopped" ? 1 : 0;
    if (shown.status == "failed" && counts_.failed++ == 0)
        counts_.firstFailedId = SiteFrameId(shown.position);
    if (shown.status == kBrokenStatus && counts_.broken++ == 0)
        counts_.firstBrokenId = SiteFrameId(shown.position);
    return isFirst;
}

std::string DigestSummary(const DigestCounts& counts, std::time_t madeAt) {
    const std::string failed = CountOf(counts.failed, "failed", "failed");
    const std::string broken =
        counts.broken == 0
            ? std::string()
            : " <a class=\"digest-broken\" href=\"#" + EscapeHtml(counts.firstBrokenId) + "\">" +
                  CountOf(counts.broken, "rule found nothing", "rules found nothing") + "</a>";
    return "<p class=\"digest-summary\" data-sites=\"" + std::to_string(counts.sites) +
           "\" data-failed=\"" + std::to_string(counts.failed) + "\" data-stopped=\"" +
           std::to_string(counts.stopped) + "\" data-broken=\"" + std::to_string(counts.broken) +
           "\" data-new=\"" + std::to_string(counts.newItems) +
           "\"><span class=\"digest-time\">Digest of <time datetime=\"" + FormatUtc(madeAt) +
           "\">" + LocalTimeText(madeAt, "%Y-%m-%d %H:%M") +
           "</time></span> <span class=\"digest-sites\">" + CountOf(counts.sites, "site", "sites") +
           "</span> " +
           (counts.firstFailedId.empty()
                ? "<span class=\"digest-failed\">" + failed + "</span>"
                : "<a class=\"digest-failed\" href=\"#" + EscapeHtml(counts.firstFailedId) + "\">" +
                      failed + "</a>") +
           (counts.stopped == 0 ? std::string()
                                : " <span class=\"digest-stopped\">" +
                                      CountOf(counts.stopped, "stopped", "stopped") + "</span>") +
           broken + " <span class=\"digest-new\">" +
           CountOf(counts.newItems, "new item", "new items") + "</span></p>";
}

size_t SummaryOffset(std::string_view layout) {
    const size_t body = AfterStartTag(layout, "body");
    if (body != std::string_view::npos)
        return body;
    const size_t doctype = LowerAscii(layout.substr(0, 9)) == "<!doctype" ? TagEnd(layout, 0) : 0;
    return doctype == std::string_view::npos ? 0 : doctype;
}

} // namespace nimbrel
