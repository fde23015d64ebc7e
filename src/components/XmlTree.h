// The XML engine's tree face, beside the document API of MSXML2_TLB.h: editing a tree element
// by element (Categories.xml, loaded as a document; OPML; rule files) and reading pages to find
// their feeds. Text is parsed by the document's own parser, with its safety settings and an
// error that names the line; elements are built with properly escaped text, and a tree is
// written back as it was read plus what was added (comments, order and untouched markup stay).
#pragma once

#include "components/MSXML2_TLB.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;
struct _xmlNs;

namespace nimbrel::xmltree {

// An element of a tree, or none; the tree's document owns it.
class Element {
  public:
    Element() = default;
    explicit Element(_xmlNode* node) : node_(node) {}
    explicit operator bool() const { return node_ != nullptr; }
    bool operator==(const Element&) const = default;
    _xmlNode* raw() const { return node_; } // for the XML layer's own code

  private:
    _xmlNode* node_ = nullptr;
};

// A namespace declared on an element, for attributes in it.
class Namespace {
  public:
    explicit Namespace(_xmlNs* ns) : ns_(ns) {}
    _xmlNs* raw() const { return ns_; }

  private:
    _xmlNs* ns_;
};

struct DocFree {
    void operator()(_xmlDoc* doc) const;
};
using DocPtr = std::unique_ptr<_xmlDoc, DocFree>;

struct ParsedXml {
    DocPtr doc;               // null when the text is not well-formed
    msxml::ParseError error;  // the parser's reason and line; empty when parsed
    bool declaration = false; // the text began with an XML declaration
};

inline constexpr const char* kOwnEntitiesReason =
    "the document declares entities of its own, which are not accepted here";

// Parses XML without network, DTD loading or entity substitution, as documents are parsed. A
// document that declares entities of its own is refused (kOwnEntitiesReason): reading its
// attributes would expand them. `recover` keeps what a broken document holds, entity
// declarations included (for recognising feeds that are not quite well-formed: only their names
// and text are read, never expanding a reference).
ParsedXml ReadXml(std::string_view bytes, bool recover = false);

// True when the document declares entities of its own.
bool DeclaresEntities(const msxml::XmlDocument& document);

// Parses HTML as a browser would, never failing on content; null only for an empty text.
// `url` is the page's address, the base of its relative links.
DocPtr ReadHtml(std::string_view utf8Text, const std::string& url);

// The document as UTF-8 text, with an XML declaration only when asked; `indent` lays out a tree
// built from nothing (a read tree keeps its own blanks either way).
std::string WriteXml(const DocPtr& doc, bool declaration, bool indent = false);

// The document's root element; none for an empty document.
Element Root(const DocPtr& doc);

// A document loaded through the document API, edited as a tree: its root element, and its text
// as read plus what was added (with an XML declaration only when asked).
Element Root(const msxml::XmlDocument& document);
std::string WriteXml(const msxml::XmlDocument& document, bool declaration);
// A new document (version 1.0) holding only its root element of that name.
DocPtr NewDocument(const char* rootName);

// The file libxml2 was loaded from; empty when it cannot be told.
std::string XmlLibraryFile();

// Element helpers: the name without prefix, an attribute's value ("" when absent), the text
// content with blanks collapsed (entity references left out, at most 64 KB), and the element
// children in document order.
std::string LocalName(Element element);
std::string NamespaceOf(Element element);
bool HasAttribute(Element element, const char* name);
std::string Attribute(Element element, const char* name);
// The value of the attribute of that name in that namespace ("" when absent).
std::string AttributeNs(Element element, const char* name, const char* namespaceUri);
std::string CollapsedText(Element element);
std::string CollapseBlanks(std::string_view text);
std::vector<Element> ChildElements(Element parent);
// The first child element with that local name, or none.
Element FirstChildNamed(Element parent, std::string_view localName);

// Calls `visit` for the element and every element below it, in document order, without
// recursing (a document may nest as deep as its parser allows).
void ForEachElement(Element top, const std::function<void(Element)>& visit);

// Appends an element with attributes (values escaped on output) after the parent's last
// element child, indented as that child is; `indent` is used when the parent has none.
Element AppendIndented(Element parent, const char* name,
                       const std::vector<std::pair<std::string, std::string>>& attributes,
                       const std::string& indent);

// Building a tree from nothing (laid out by WriteXml's `indent`): an element without content,
// one holding a text (escaped on output, an empty one too), attributes, and a namespace
// declared on an element for attributes in it.
Element AddChild(Element parent, const char* name);
Element AddTextChild(Element parent, const char* name, const std::string& text);
void SetAttribute(Element element, const char* name, const std::string& value);
Namespace DeclareNamespace(Element element, const char* uri, const char* prefix);
void SetAttribute(Element element, Namespace ns, const char* name, const std::string& value);

} // namespace nimbrel::xmltree
