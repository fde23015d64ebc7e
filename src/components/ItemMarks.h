// What is new in a site's block since the site's last digest. The items of a block are its
// elements of class "item"; an item's link is its first link (an <a> with an href, the item
// itself when it is one). An item whose link was not among the links the last digest showed
// gets the added class "new".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

struct MarkedBlock {
    std::string block;              // the block, its new items marked
    std::vector<std::string> links; // every item's link, in order, each once
    size_t newItems = 0;            // how many items were marked
};

// Reads the block with the HTML parser. Without `shownBefore` (the site's first digest) nothing
// is marked. A block in which nothing is marked comes back byte for byte; one in which
// something is, is written back by the HTML serializer. Links are compared as browsers read
// them: without the blanks around them and the tabs and line breaks inside.
MarkedBlock MarkNewItems(std::string_view block, const std::vector<std::string>* shownBefore);

// The last pass (ActiveContent.h) over the HTML and its new items marked, in one reading: the
// links are those of the items as the page shows them, and the HTML is always written back by the
// HTML serializer (which leaves its own writing byte for byte as it was).
MarkedBlock MarkNewItemsWithoutActiveContent(std::string_view html,
                                             const std::vector<std::string>* shownBefore);

} // namespace nimbrel
