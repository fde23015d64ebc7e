// The digest is opened from a local file, where a relative link of a site's block leads
// nowhere. Before a block is placed in the layout, its relative href, src, action, poster and
// background values are resolved against the site's URL.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// The address relative links of a site resolve against: the site's URL, with "http://" put in
// front when it names no scheme (site URLs need none).
std::string SiteBaseAddress(std::string_view siteUrl);

// The block with its relative links made absolute. A block the transform wrote as XML is
// re-read as XML, anything else with the HTML parser; a block without a relative link, or one
// that cannot be read at all, comes back unchanged. Costs one parse and one write of the block
// when it holds a link.
std::string ResolveBlockLinks(std::string_view block, std::string_view siteUrl);

} // namespace nimbrel
