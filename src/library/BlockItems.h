// What a site's block shows: its items (elements of class "item"), each with its title (the
// element of class "item-title", else its first link's text, else its text) and its link (its
// first link, as the digest marks new items).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

struct ShownItem {
    std::string title;
    std::string link;
};

std::vector<ShownItem> BlockItems(std::string_view block);

} // namespace nimbrel
