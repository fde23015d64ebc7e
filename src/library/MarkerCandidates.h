// Rules that might cut a page's items, written in the cutter's own terms: a start marker that
// stands at the beginning of every item (the start tag of the item, of its title or of its
// link, as far as the items' tags agree), an end marker after every item's link (an end tag,
// counted past the ones inside the piece, or the tag of what follows the link), and, where the
// item's title is no link and other links stand between it and the item's own, a span removed
// so that the item's link comes first. Every marker is text that stands in the page.
#pragma once

#include "library/PageItems.h"
#include "library/RuleFile.h"

#include <vector>

namespace nimbrel {

// The rules to try for the items, each wrapping its pieces for the pieces stylesheet and
// taking the page's title for the heading. A start marker found far more often than there are
// items is left out.
std::vector<RuleSettings> MarkerCandidates(const PageView& page, const ItemSet& items);

} // namespace nimbrel
