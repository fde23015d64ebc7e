// Rule files written by the rule editor: one cutting command with the settings the person
// chose, and, when asked, a first command that keeps the page's title for the block's heading.
// The text is what the cutter reads back, so the preview and the saved rule cut the same.
#pragma once

#include "pipeline/CommandRules.h"

#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

struct MarkerSettings {
    std::string text;
    bool include = false; // IncludeTags="1"
    int reverse = 0;      // ReverseLTags
    int skip = 0;         // SkipSimilar
};

struct RuleSettings {
    MarkerSettings start;
    MarkerSettings end;
    int specific = 0;               // 0 every piece, N the N-th only
    std::vector<TextPair> removals; // RemoveOpen, RemoveClose (pairs with an empty text dropped)
    std::vector<TextPair> replaces; // Replace, ReplaceWith (pairs with an empty find dropped)
    std::string wrapOpen;           // AddTagOpen
    std::string wrapClose;          // AddTagClose
    bool titleHeading = true;       // first cut the page's title, for the block's heading
};

// The wrap the editor starts with: each piece one element the pieces stylesheet lists.
inline constexpr const char* kPieceWrapOpen = "<div class=\"piece\">";
inline constexpr const char* kPieceWrapClose = "</div>";

// The rule file's text: its root element first (no declaration, no comment before it), markup
// in the texts escaped. At most 50 removals and replaces are written, as the cutter reads.
std::string RuleFileText(const RuleSettings& settings);

// A file name stem made from a site's name: ASCII letters and digits lower-cased, accented
// Latin letters without their accents, any other run of characters one "-"; "site" when
// nothing is left. Never longer than 64 bytes.
std::string SafeFileStem(std::string_view name);

// Writes Rip/<stem>.xml, or <stem>-2.xml, <stem>-3.xml ... when that name is taken, never
// replacing a file, and returns the file name used. Raises EInOutError.
std::string SaveNewRuleFile(std::string_view siteName, const RuleSettings& settings);

} // namespace nimbrel
