#include "components/XmlTree.h"

#include "components/XmlEngineInternal.h"
#include "components/XmlSave.h"
#include "platform/Convert.h"
#include "platform/Errors.h"

#include <libxml/HTMLparser.h>
#include <libxml/hash.h>
#include <libxml/parser.h>
#include <libxml/xmlsave.h>

#include <climits>
#include <dlfcn.h>

namespace nimbrel::xmltree {

namespace {

const xmlChar* X(const std::string& text) {
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

std::string S(const xmlChar* text) {
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// Titles and names are short; a longer text is cut here.
constexpr size_t kMaxTextBytes = 64 * 1024;

bool DeclaresEntitiesOfItsOwn(const xmlDoc* doc) {
    return doc->intSubset && doc->intSubset->entities &&
           xmlHashSize(static_cast<xmlHashTablePtr>(doc->intSubset->entities)) > 0;
}

int Length(std::string_view bytes) {
    return bytes.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(bytes.size());
}

xmlDoc* TreeOf(const msxml::XmlDocument& document) {
    return static_cast<xmlDoc*>(document.node().raw());
}

bool IsBlankText(const xmlNode* node) {
    return node && node->type == XML_TEXT_NODE && xmlIsBlankNode(const_cast<xmlNode*>(node));
}

xmlNode* LastChildElement(const xmlNode* parent) {
    for (xmlNode* n = parent->last; n; n = n->prev)
        if (n->type == XML_ELEMENT_NODE)
            return n;
    return nullptr;
}

const char* const kOutOfMemory = "Out of memory while building XML";

// A node libxml2 made, or the error of one it could not make (it runs out of memory only).
xmlNode* Made(xmlNode* node) {
    if (!node)
        throw Exception(kOutOfMemory);
    return node;
}

std::string BlankBefore(const xmlNode* node, const std::string& fallback) {
    return IsBlankText(node->prev) ? S(node->prev->content) : fallback;
}

} // namespace

void DocFree::operator()(_xmlDoc* doc) const {
    xmlFreeDoc(doc);
}

ParsedXml ReadXml(std::string_view bytes, bool recover) {
    ParsedXml result;
    result.doc.reset(
        msxml::ParseXmlBytes(bytes, nullptr, recover ? XML_PARSE_RECOVER : 0, result.error));
    if (result.doc && !recover && DeclaresEntitiesOfItsOwn(result.doc.get())) {
        result.doc.reset();
        result.error = msxml::ParseError::Of(kOwnEntitiesReason);
    }
    if (result.doc) {
        result.declaration = bytes.substr(0, 5) == "<?xml";
        result.error = {};
    } else if (result.error.reason.empty()) {
        result.error = msxml::ParseError::Of("the text is not well-formed XML");
    }
    return result;
}

bool DeclaresEntities(const msxml::XmlDocument& document) {
    return DeclaresEntitiesOfItsOwn(TreeOf(document));
}

DocPtr ReadHtml(std::string_view utf8Text, const std::string& url) {
    msxml::InitialiseEngine();
    if (utf8Text.empty())
        return nullptr;
    return DocPtr(htmlReadMemory(utf8Text.data(), Length(utf8Text), url.c_str(), "UTF-8",
                                 HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                     HTML_PARSE_RECOVER | HTML_PARSE_NODEFDTD));
}

std::string WriteXml(const DocPtr& doc, bool declaration, bool indent) {
    const int options = (declaration ? 0 : XML_SAVE_NO_DECL) | (indent ? XML_SAVE_FORMAT : 0);
    return msxml::SaveTreeText(reinterpret_cast<xmlNode*>(doc.get()), options);
}

Element Root(const DocPtr& doc) {
    return Element(doc ? xmlDocGetRootElement(doc.get()) : nullptr);
}

Element Root(const msxml::XmlDocument& document) {
    return Element(xmlDocGetRootElement(TreeOf(document)));
}

std::string WriteXml(const msxml::XmlDocument& document, bool declaration) {
    return msxml::SaveTreeText(reinterpret_cast<xmlNode*>(TreeOf(document)),
                               declaration ? 0 : XML_SAVE_NO_DECL);
}

DocPtr NewDocument(const char* rootName) {
    msxml::InitialiseEngine();
    DocPtr doc(xmlNewDoc(BAD_CAST "1.0"));
    if (!doc)
        throw Exception(kOutOfMemory);
    xmlDocSetRootElement(doc.get(),
                         Made(xmlNewDocNode(doc.get(), nullptr, BAD_CAST rootName, nullptr)));
    return doc;
}

std::string XmlLibraryFile() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&xmlInitParser), &info) != 0 && info.dli_fname)
        return info.dli_fname;
    return {};
}

std::string LocalName(Element element) {
    return element ? S(element.raw()->name) : std::string();
}

std::string NamespaceOf(Element element) {
    return element && element.raw()->ns ? S(element.raw()->ns->href) : std::string();
}

bool HasAttribute(Element element, const char* name) {
    return xmlHasProp(element.raw(), BAD_CAST name) != nullptr;
}

std::string Attribute(Element element, const char* name) {
    xmlChar* value = xmlGetProp(element.raw(), BAD_CAST name);
    std::string text = S(value);
    xmlFree(value);
    return text;
}

std::string AttributeNs(Element element, const char* name, const char* namespaceUri) {
    xmlChar* value = xmlGetNsProp(element.raw(), BAD_CAST name, BAD_CAST namespaceUri);
    std::string text = S(value);
    xmlFree(value);
    return text;
}

// Text and CDATA of the node and its descendants. Entity references are passed over: a page
// can nest them so that expanding them would never end.
void AppendText(const xmlNode* node, std::string& text) {
    for (; node && text.size() < kMaxTextBytes; node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)
            text += S(node->content);
        else if (node->type == XML_ELEMENT_NODE)
            AppendText(node->children, text);
    }
}

std::string CollapsedText(Element element) {
    const xmlNode* node = element.raw();
    std::string text;
    if (node && (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE))
        text = S(node->content);
    else if (node)
        AppendText(node->children, text);
    return CollapseBlanks(text.substr(0, kMaxTextBytes));
}

std::string CollapseBlanks(std::string_view text) {
    std::string collapsed;
    bool blank = false;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) <= ' ') {
            blank = !collapsed.empty();
            continue;
        }
        if (blank)
            collapsed += ' ';
        blank = false;
        collapsed += c;
    }
    return collapsed;
}

std::vector<Element> ChildElements(Element parent) {
    std::vector<Element> children;
    for (xmlNode* n = parent ? parent.raw()->children : nullptr; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE)
            children.emplace_back(n);
    return children;
}

Element FirstChildNamed(Element parent, std::string_view localName) {
    for (Element child : ChildElements(parent))
        if (LocalName(child) == localName)
            return child;
    return {};
}

void ForEachElement(Element topElement, const std::function<void(Element)>& visit) {
    xmlNode* const top = topElement.raw();
    for (xmlNode* node = top; node;) {
        if (node->type == XML_ELEMENT_NODE)
            visit(Element(node));
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != top && !node->next)
            node = node->parent;
        node = node == top ? nullptr : node->next;
    }
}

Element AppendIndented(Element parentElement, const char* name,
                       const std::vector<std::pair<std::string, std::string>>& attributes,
                       const std::string& indent) {
    xmlNode* const parent = parentElement.raw();
    for (const auto& [attribute, value] : attributes)
        if (!IsValidUtf8(value))
            throw Exception("The " + attribute + " \"" + value +
                            "\" is not UTF-8 text, which the file must hold: nothing was written.");
    xmlNode* element = Made(xmlNewDocNode(parent->doc, nullptr, BAD_CAST name, nullptr));
    for (const auto& [attribute, value] : attributes)
        if (!xmlNewProp(element, X(attribute), X(value))) {
            xmlFreeNode(element);
            throw Exception(kOutOfMemory);
        }
    if (xmlNode* last = LastChildElement(parent)) {
        xmlNode* blank = Made(xmlNewDocText(parent->doc, X(BlankBefore(last, indent))));
        xmlAddNextSibling(last, element);
        xmlAddPrevSibling(element, blank);
        return Element(element);
    }
    xmlNode* before = Made(xmlNewDocText(parent->doc, X(indent)));
    xmlNode* after = Made(xmlNewDocText(parent->doc, X(BlankBefore(parent, "\n"))));
    // An empty parent: its children go on lines of their own, its end tag where it began.
    while (parent->children && IsBlankText(parent->children)) {
        xmlNode* blank = parent->children;
        xmlUnlinkNode(blank);
        xmlFreeNode(blank);
    }
    xmlAddChild(parent, before);
    xmlAddChild(parent, element);
    xmlAddChild(parent, after);
    return Element(element);
}

Element AddChild(Element parent, const char* name) {
    return Element(Made(xmlNewChild(parent.raw(), nullptr, BAD_CAST name, nullptr)));
}

Element AddTextChild(Element parent, const char* name, const std::string& text) {
    return Element(Made(xmlNewTextChild(parent.raw(), nullptr, BAD_CAST name, X(text))));
}

void SetAttribute(Element element, const char* name, const std::string& value) {
    if (!xmlNewProp(element.raw(), BAD_CAST name, X(value)))
        throw Exception(kOutOfMemory);
}

Namespace DeclareNamespace(Element element, const char* uri, const char* prefix) {
    xmlNs* ns = xmlNewNs(element.raw(), BAD_CAST uri, BAD_CAST prefix);
    if (!ns)
        throw Exception(kOutOfMemory);
    return Namespace(ns);
}

void SetAttribute(Element element, Namespace ns, const char* name, const std::string& value) {
    if (!xmlNewNsProp(element.raw(), ns.raw(), BAD_CAST name, X(value)))
        throw Exception(kOutOfMemory);
}

} // namespace nimbrel::xmltree
