// Trying a proposed rule on the page: its cutting command is run over the page by the cutter
// itself, and each piece is judged as the pieces stylesheet will show it: the piece's first
// link should be one item's own link, and no other piece should show. Cheap enough to try a
// few hundred rules on a page of a few hundred KB.
#pragma once

#include "library/PageItems.h"
#include "library/RuleFile.h"

#include <string>
#include <vector>

namespace nimbrel {

struct TrialOutcome {
    size_t shown = 0;   // pieces the stylesheet shows (they hold text or a picture)
    size_t matched = 0; // shown pieces whose first link is an item's own (each item once)
    size_t items = 0;   // items to find
    bool exampleFound = false;
    bool tooMany = false;           // the rule cut far more pieces than there are items
    bool titleAsExample = false;    // the example's piece is titled with the example's text
    size_t examplePieceBytes = 0;   // the size of the example's piece
    std::vector<std::string> links; // the shown pieces' first links, in order

    // Precision counted twice as much as recall (F0.5): a stray piece is seen by the reader,
    // a missing one rarely.
    double score() const;
};

// Cuts the page's text from the first item's beginning to the last item's end by the rule's
// command (the page-title command left out) and judges the pieces against the items.
// `exampleText` is what the person copied (empty when the examples were links). Gives up,
// tooMany set, once the pieces pass four times the items (and a few).
TrialOutcome TryRule(const PageView& page, const ItemSet& items, const RuleSettings& rule,
                     const std::string& exampleText);

// A piece's title as the pieces stylesheet chooses it: a heading that holds no link, unless
// the item's link stands in a heading; else the text of the first link to `href` that has
// text; else the piece's text.
std::string PieceTitle(const html::SourceTree& piece, const std::string& href,
                       const std::string& base);

} // namespace nimbrel
