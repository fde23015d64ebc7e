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

struct SiteBlock {
    std::string url;
    std::string block;
};

// Replaces the placeholders of every site, in site order, as ReplaceSitePlaceholders called once
// per site would; in one pass over the layout unless a block itself holds a placeholder.
std::string PlaceBlocks(std::string_view layout, const std::vector<SiteBlock>& sites);

// The layout without the declarations the transforms put at the head of their output.
std::string RemoveEngineDeclarations(std::string_view layout);

} // namespace nimbrel
