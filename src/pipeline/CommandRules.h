// The rules of one cutting command, as read from its rule file, and their prepared form.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nimbrel {

constexpr int kRuleTableSize = 50;

// One marker (start or end) as written: the counts stay texts until cutting begins, so a
// command that never cuts never fails on them.
struct MarkerRule {
    std::string text;
    bool include = false;     // IncludeTags is exactly "1"
    std::string reverseLTags; // ReverseLTags
    std::string skipSimilar;  // SkipSimilar
};

// One command's rules: every text trimmed, tables by rank with empty slots that do nothing.
struct CommandRules {
    std::string name;
    std::string specific;
    MarkerRule start;
    MarkerRule end;
    std::array<std::string, kRuleTableSize> replaceFind;
    std::array<std::string, kRuleTableSize> replaceWith;
    std::array<std::string, kRuleTableSize> removeOpen;
    std::array<std::string, kRuleTableSize> removeClose;
    std::string wrapOpen;
    std::string wrapClose;
};

struct PreparedMarker {
    std::string lowered; // A-Z lowered; compared with the lowered line
    bool include = false;
    int32_t reverse = 0; // "<" to step back; never negative
    int32_t skip = 0;    // occurrences to pass over; negative finds nothing
};

struct TextPair {
    std::string first;
    std::string second;
};

// The rules ready for cutting: counts converted, markers lowered, empty table slots dropped
// (an empty find or open/close text never does anything).
struct PreparedRules {
    PreparedMarker start;
    PreparedMarker end;
    int32_t specific = 0;           // 0 every piece, N > 0 the N-th only, < 0 none
    std::vector<TextPair> removals; // open, close: both non-empty, in rank order
    std::vector<TextPair> replaces; // find (non-empty), replacement: in rank order
    std::string wrapOpen;
    std::string wrapClose;
};

// Converts the counts in this order: start reverse, end reverse, start skip, end skip,
// specific. Raises EConvertError with the first text that is not a whole number (the empty
// text for a missing attribute or marker element).
PreparedRules PrepareRules(const CommandRules& rules);

} // namespace nimbrel
