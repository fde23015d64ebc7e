#include "pipeline/CommandRules.h"

#include "platform/Convert.h"

#include <algorithm>

namespace nimbrel {

namespace {

int32_t ReverseCount(const std::string& text) {
    if (text == "0")
        return 0;
    return std::max<int32_t>(0, StrToInt(text));
}

PreparedMarker PrepareMarker(const MarkerRule& rule, int32_t reverse) {
    PreparedMarker marker;
    marker.lowered = LowerAscii(rule.text);
    marker.include = rule.include;
    marker.reverse = reverse;
    return marker;
}

} // namespace

PreparedRules PrepareRules(const CommandRules& rules) {
    PreparedRules prepared;
    const int32_t startReverse = ReverseCount(rules.start.reverseLTags);
    const int32_t endReverse = ReverseCount(rules.end.reverseLTags);
    prepared.start = PrepareMarker(rules.start, startReverse);
    prepared.end = PrepareMarker(rules.end, endReverse);
    prepared.start.skip = StrToInt(rules.start.skipSimilar);
    prepared.end.skip = StrToInt(rules.end.skipSimilar);
    prepared.specific = StrToInt(rules.specific);

    for (int rank = 0; rank < kRuleTableSize; ++rank) {
        if (!rules.removeOpen[rank].empty() && !rules.removeClose[rank].empty())
            prepared.removals.push_back({rules.removeOpen[rank], rules.removeClose[rank]});
    }
    for (int rank = 0; rank < kRuleTableSize; ++rank) {
        if (!rules.replaceFind[rank].empty())
            prepared.replaces.push_back({rules.replaceFind[rank], rules.replaceWith[rank]});
    }
    prepared.wrapOpen = rules.wrapOpen;
    prepared.wrapClose = rules.wrapClose;
    return prepared;
}

} // namespace nimbrel
