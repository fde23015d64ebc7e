#include "support/WrittenRecords.h"

#include "pipeline/DigestSummary.h"

namespace nimbrel {

void WriteLastShown(std::string_view url, const LastShown& shown) {
    WriteWaitingLastShown(url, shown);
    KeepWaitingLastShown({std::string(url)});
}

std::string PlaceSummary(std::string_view layout, std::string_view summary) {
    const size_t at = SummaryOffset(layout);
    std::string placed;
    placed.reserve(layout.size() + summary.size());
    placed.append(layout.substr(0, at)).append(summary).append(layout.substr(at));
    return placed;
}

} // namespace nimbrel
