// The last pass every block makes before it reaches site.html, whatever made it (a site's
// stylesheet, disable-output-escaping, the block the last digest showed, a failure note): the
// block is read by libxml2's HTML parser and only an allow-list of elements and attributes is
// written back. What could act on its own in the browser goes: script, style elements, frames,
// object, embed, forms, meta, base and link, SVG animation, comments and processing
// instructions, event handler (on...) and srcdoc attributes, style attributes that load
// (url(, expression, escapes), and every address in an href, src, srcset, cite or longdesc that
// is not http, https, mailto or a fragment (an href becomes "#", the others go). An element that
// is not allowed but harmless (a font tag of a dialect, a form's field) gives way to its
// content; one that is not (a script, an iframe) goes with it.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>

namespace nimbrel {

// The block as the HTML parser reads it, cleaned of active content and written back by the HTML
// serializer. A block the serializer itself wrote and that holds nothing to remove comes back
// byte for byte (the shipped stylesheets' output does). Placeholders (<site URL="...">) stay
// as they are. Costs one parse and one write; the tree is walked without recursion.
std::string WithoutActiveContent(std::string_view block);

// The same pass over a tree the caller has read (BlockHtml.h): everything below `top`.
void RemoveActiveContent(xmlNode* top);

} // namespace nimbrel
