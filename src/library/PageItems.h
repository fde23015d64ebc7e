// Finding a page's repeated items from one item a person points at: the element holding an
// example (a text they copied, or a link the site's last digest showed) is walked up to the item
// that repeats on the page with the same shape (tag path, classes, where the item's link and
// title stand in it), and each repetition's own link is taken. Items are elements, or runs of
// sibling elements that each begin with the same kind of heading. Nothing here cuts.
#pragma once

#include "components/HtmlSource.h"

#include <cstddef>
#include <string>
#include <vector>

namespace nimbrel {

// The page as the rule finder reads it.
struct PageView {
    // `joinedText`: the page as the cutter reads it (UTF-8, joined into one line); `pageUrl`:
    // the site's address.
    PageView(std::string joinedText, const std::string& pageUrl);

    std::string text;
    std::string lowered; // text with ASCII letters lowered, as the cutter compares markers
    html::SourceTree tree;
    std::string base; // where relative links lead from: the page's <base href>, else its URL

    // The link's address as a browser would follow it; empty for no link.
    std::string hrefOf(size_t anchor) const;
    bool isLink(size_t node) const;
};

struct PageItem {
    size_t root = html::kNoNode; // the item's element, or the first element of its run
    size_t begin = 0;            // where the item stands in the page
    size_t end = 0;
    size_t link = html::kNoNode;  // the item's own link
    size_t title = html::kNoNode; // the element its title stands in
    std::string href;             // where the link leads
    // The elements from the item's element down to its link and to its title. For a run the
    // link's chain begins with the run's element that holds the link.
    std::vector<size_t> linkChain;
    std::vector<size_t> titleChain;
};

struct ItemSet {
    std::vector<PageItem> items; // in page order
    size_t example = 0;          // the item holding the (first) example
    size_t examplesHeld = 0;     // how many of the examples' links are items' links
    bool runs = false;           // items are runs of siblings
    bool titleIsLink = true;     // the example stands in the item's own link
    size_t distinctLinks = 0;
};

// The likely item sets around the anchors (elements holding the examples), best first: most
// examples held, then most distinct links, fewest items, nearest kin, widest item. Sets of
// fewer than two distinct links are left out. At most `wanted` sets.
std::vector<ItemSet> FindItemSets(const PageView& page, const std::vector<size_t>& anchors,
                                  size_t wanted);

} // namespace nimbrel
