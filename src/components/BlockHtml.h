// A site's block read into a libxml2 tree and written back as HTML. The block is a fragment:
// it is read inside a wrapper element, whose children are then the block's nodes. Every call
// makes its own tree, so blocks may be read on several threads at once.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

namespace nimbrel {

struct BlockDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using BlockDoc = std::unique_ptr<xmlDoc, BlockDocFree>;

// The fragment read as XML; nothing when it is not well-formed.
BlockDoc ReadBlockAsXml(std::string_view fragment);
// The fragment read by the HTML parser, which reads anything.
BlockDoc ReadBlockAsHtml(std::string_view fragment);

// The element whose children are the fragment's nodes: the wrapper of a tree read by either
// function above; nullptr when the HTML parser left no body.
xmlNode* BlockNodes(xmlDoc* doc);

// The children of the element written by the HTML serializer, as they came and without added
// white space: an empty element keeps its end tag (<a href="x"></a>), a void one has none.
// Addresses (href, src, action) are written as they are, not percent-escaped.
std::string WriteHtmlChildren(xmlDoc* doc, xmlNode* parent);

// The length of the XML declaration at the head of the block, or 0 when there is none.
size_t BlockDeclarationLength(std::string_view block);

// The element after this one in document order (its first child element, else the next
// element after it), never leaving the subtree of `top`; nullptr at the end.
xmlNode* NextElement(xmlNode* node, const xmlNode* top);

// True when the element's class attribute holds the token ("item" in "item new", not in
// "item-link").
bool HasClass(const xmlNode* element, std::string_view token);

} // namespace nimbrel
