// How deep the HTML cleaner will nest the elements of a text, found by a cheap scan before the
// cleaner (which recurses once per level) is given the text.
#pragma once

#include <cstddef>
#include <string_view>

namespace nimbrel::tidycom {

// The deepest element nesting of the markup, counted so that what the cleaner builds is never
// deeper but for the few parents it implies per level (a table round a lone cell): a start tag
// opens an element unless it ends with "/>" after a blank, a quote or its name (or, in HTML, names
// a void element such as br or img); an end tag closes up to the innermost open element of its name
// and is ignored when none is open; in HTML a p, li, td ... closes an open sibling of its name
// first, with the paragraphs (and, for a row, the cells) left open above it, as the cleaner does.
// Tags inside comments, CDATA sections, declarations and quoted attribute values count too, but an
// end tag there never closes an element opened outside, so text the cleaner reads either way cannot
// hide nesting. Stops once past `limit` and then returns a number above it. Linear in the text's
// length.
std::size_t MarkupNestingDepth(std::string_view text, bool html, std::size_t limit);

} // namespace nimbrel::tidycom
