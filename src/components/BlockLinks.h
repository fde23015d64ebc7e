// The digest is opened from a local file, where a relative link of a site's block leads
// nowhere, and it must run no script. Before a block is placed in the layout, its relative
// href, src, action, formaction, poster and background values (and an object's data) are
// resolved against the site's URL; then every such address that is not http, https, mailto,
// a fragment or empty goes (an href becomes "#", the other attributes are dropped), and so do
// event handler attributes (on...) and script elements.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// True for an address that may stay in the digest: http, https or mailto, a fragment, or empty
// (the page itself), read as browsers read it (blanks around it and tabs and line breaks inside it
// ignored). A relative address would lead into the local folder, so it may not.
bool IsAllowedAddress(std::string_view address);

// The address relative links of a site resolve against: the site's URL, with "http://" put in
// front when it names no scheme (site URLs need none).
std::string SiteBaseAddress(std::string_view siteUrl);

// The block with its relative links made absolute and its script taken out. A block the
// transform wrote as XML is re-read as XML, anything else with the HTML parser; a changed
// block is always written as HTML, and one that needs no change comes back byte for byte. Raises
// nimbrel::Exception when a block that may hold a link cannot be read at all. Costs one parse of
// the block when it may hold a link and one write when something changed; the tree is walked
// without recursion.
std::string ResolveBlockLinks(std::string_view block, std::string_view siteUrl);

} // namespace nimbrel
