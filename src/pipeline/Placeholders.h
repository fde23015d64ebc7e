// The layout marks each site's place with an empty element <site URL="..."/>, which the layout
// transform writes as "<site URL=\"...\" />" or "<site URL=\"...\"></site>". A URL holding
// characters the transform escapes ("&", "<", ">", a double quote) is found in its escaped
// spelling too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// Every spelling under which the placeholder of the URL may stand in the layout, in the order
// they are replaced: the URL as it is, then escaped; each as "<site URL=\"v\" />" first, then
// "<site URL=\"v\"></site>". No spelling is listed twice.
std::vector<std::string> PlaceholderForms(std::string_view url);

// Replaces every placeholder of the URL in the layout by the block.
std::string ReplaceSitePlaceholders(std::string layout, std::string_view url,
                                    std::string_view block);

// Where "<site URL=" begins in a placeholder of one of the sites: the first site, in site
// order, one of whose spellings stands there.
struct PlaceholderUse {
    size_t at = 0;     // offset in the layout
    size_t length = 0; // of the spelling found
    size_t site = 0;   // index into the URLs
};

// The placeholders of the layout from left to right, as one pass that replaces each by its
// site's block finds them (a spot that begins like a placeholder but is none is passed over).
std::vector<PlaceholderUse> FindPlaceholders(std::string_view layout,
                                             const std::vector<std::string>& urls);

// The text a placeholder begins with; a block holding it makes the one pass unsafe (the
// placeholders a block brings in are replaced by the sites after it).
inline constexpr std::string_view kPlaceholderStart = "<site URL=";

struct PlacedBlock {
    std::string url;
    std::string block;
};

// Replaces the placeholders of every site, in site order, as ReplaceSitePlaceholders called once
// per site would; in one pass over the layout unless a block itself holds a placeholder.
std::string PlaceBlocks(std::string_view layout, const std::vector<PlacedBlock>& sites);

// The layout without the declarations the transforms put at the head of their output.
std::string RemoveEngineDeclarations(std::string_view layout);

} // namespace nimbrel
