// libxml2 trees for the library's own files (Categories.xml, OPML, rule files) and for pages
// read to find their feeds: reading with the engine's safety settings and an error that names
// the line, building elements with properly escaped text, and writing the tree back as it was
// read plus what was added (comments, order and untouched markup stay).
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel::xmltree {

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

struct ParsedXml {
    DocPtr doc;               // null when the text is not well-formed
    std::string reason;       // the parser's reason; empty when parsed
    int line = 0;             // where the parser stopped, when it says
    bool declaration = false; // the text began with an XML declaration

    // "<file>, line N: <reason>" (without the line when unknown).
    std::string Where(const std::string& file) const;
};

// Parses XML without network, DTD loading or entity substitution. A document that declares
// entities of its own is refused: reading its attributes would expand them. `recover` keeps
// what a broken document holds, entity declarations included (for recognising feeds that are
// not quite well-formed: only their names and text are read, never expanding a reference).
ParsedXml ReadXml(std::string_view bytes, bool recover = false);

// Parses HTML as a browser would, never failing on content; null only for an empty text.
// `url` is the page's address, the base of its relative links.
DocPtr ReadHtml(std::string_view utf8Text, const std::string& url);

// The document as UTF-8 text, with an XML declaration only when asked; `indent` lays out a tree
// built from nothing (a read tree keeps its own blanks either way).
std::string WriteXml(xmlDoc* doc, bool declaration, bool indent = false);

// The file libxml2 was loaded from; empty when it cannot be told.
std::string XmlLibraryFile();

// Element helpers: the name without prefix, an attribute's value ("" when absent), the text
// content with blanks collapsed (entity references left out, at most 64 KB), and the element
// children in document order.
std::string LocalName(const xmlNode* element);
std::string NamespaceOf(const xmlNode* element);
bool HasAttribute(const xmlNode* element, const char* name);
std::string Attribute(const xmlNode* element, const char* name);
// The value of the attribute of that name in that namespace ("" when absent).
std::string AttributeNs(const xmlNode* element, const char* name, const char* namespaceUri);
std::string CollapsedText(const xmlNode* node);
std::string CollapseBlanks(std::string_view text);
std::vector<xmlNode*> ChildElements(const xmlNode* parent);
// The first child element with that local name, or null.
xmlNode* FirstChildNamed(const xmlNode* parent, std::string_view localName);

// Calls `visit` for the element and every element below it, in document order, without
// recursing (a document may nest as deep as its parser allows).
template <class Visit> void ForEachElement(xmlNode* top, Visit visit) {
    for (xmlNode* node = top; node;) {
        if (node->type == XML_ELEMENT_NODE)
            visit(node);
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != top && !node->next)
            node = node->parent;
        node = node == top ? nullptr : node->next;
    }
}

// Appends an element with attributes (values escaped on output) after the parent's last
// element child, indented as that child is; `indent` is used when the parent has none.
xmlNode* AppendIndented(xmlNode* parent, const char* name,
                        const std::vector<std::pair<std::string, std::string>>& attributes,
                        const std::string& indent);

} // namespace nimbrel::xmltree
