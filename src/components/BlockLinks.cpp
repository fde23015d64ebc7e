#include "components/BlockLinks.h"

#include "components/BlockHtml.h"
#include "platform/Convert.h"
#include "platform/Errors.h"

#include <libxml/uri.h>

#include <cctype>

namespace nimbrel {

namespace {

// The attribute's name without a namespace prefix, lowered.
std::string LocalName(const xmlChar* name) {
    const std::string text = reinterpret_cast<const char*>(name);
    const size_t colon = text.rfind(':');
    return LowerAscii(colon == std::string::npos ? text : text.substr(colon + 1));
}

enum class LinkKind { None, Reference, Source };

// A reference (href) that may not stay becomes "#"; a source (src, action ...) is dropped.
LinkKind KindOfAttribute(const xmlAttr* attr) {
    const std::string name = LocalName(attr->name);
    if (name == "href")
        return LinkKind::Reference;
    if (name == "src" || name == "action" || name == "formaction" || name == "poster" ||
        name == "background")
        return LinkKind::Source;
    if (name == "data" && attr->parent && LocalName(attr->parent->name) == "object")
        return LinkKind::Source;
    return LinkKind::None;
}

bool IsEventHandler(const xmlAttr* attr) {
    return LocalName(attr->name).rfind("on", 0) == 0;
}

bool IsScriptElement(const xmlNode* node) {
    return node->type == XML_ELEMENT_NODE && LocalName(node->name) == "script";
}

// Worth a parse only when some attribute might hold a link or a script might stand in it.
bool MayNeedChanges(std::string_view block) {
    const std::string lowered = LowerAscii(block);
    for (const char* name : {"href", "src", "action", "poster", "background", "data", "<script"})
        if (lowered.find(name) != std::string::npos)
            return true;
    // An event handler: a blank (or quote or slash) before "on", letters, then "=".
    for (size_t at = lowered.find("on"); at != std::string::npos; at = lowered.find("on", at + 2)) {
        const char before = at > 0 ? lowered[at - 1] : '\0';
        if (before != ' ' && before != '\t' && before != '\n' && before != '\r' && before != '"' &&
            before != '\'' && before != '/')
            continue;
        size_t end = at + 2;
        while (end < lowered.size() && lowered[end] >= 'a' && lowered[end] <= 'z')
            ++end;
        while (end < lowered.size() && (lowered[end] == ' ' || lowered[end] == '\t'))
            ++end;
        if (end < lowered.size() && lowered[end] == '=')
            return true;
    }
    return false;
}

// Browsers ignore blanks and control characters around an address and tabs and line breaks
// inside it ("java\tscript:" is "javascript:"); the scheme is read the same way.
std::string AddressAsBrowsersRead(std::string_view value) {
    std::string address;
    for (const char c : value)
        if (c != '\t' && c != '\n' && c != '\r')
            address += c;
    return Trim(address);
}

// True when the address names its scheme ("https:"): it is absolute and stays as written.
bool HasScheme(const xmlChar* value) {
    for (const xmlChar* c = value; *c; ++c) {
        if (*c == ':')
            return c != value;
        if (!std::isalnum(*c) && *c != '+' && *c != '-' && *c != '.')
            return false;
    }
    return false;
}

// The reference resolved against the base. A relative one that libxml2 will not read as it
// stands (a blank, a "^" or a letter outside ASCII in it) is read with those percent-escaped,
// as browsers send them; null when it cannot be read at all.
xmlChar* Resolved(const xmlChar* value, const xmlChar* base) {
    if (xmlChar* resolved = xmlBuildURI(value, base))
        return resolved;
    if (HasScheme(value))
        return nullptr;
    xmlChar* escaped = xmlURIEscapeStr(value, BAD_CAST ":/?#[]@!$&'()*+,;=%~");
    xmlChar* resolved = escaped ? xmlBuildURI(escaped, base) : nullptr;
    xmlFree(escaped);
    return resolved;
}

// Resolves the attribute in place against the base and keeps it only when the result may
// stay; true when the element changed.
bool MendLinkAttribute(xmlAttr* attr, LinkKind kind, const xmlChar* base) {
    xmlChar* value = xmlNodeListGetString(attr->doc, attr->children, 1);
    if (value == nullptr)
        return false;
    bool changed = false;
    // Empty values and in-page anchors stay as they are.
    if (value[0] != '\0' && value[0] != '#') {
        if (xmlChar* resolved = Resolved(value, base)) {
            if (xmlStrcmp(resolved, value) != 0) {
                xmlSetNsProp(attr->parent, attr->ns, attr->name, resolved);
                changed = true;
            }
            xmlFree(value);
            value = resolved;
        }
    }
    if (!IsAllowedAddress(reinterpret_cast<const char*>(value))) {
        if (kind == LinkKind::Reference)
            xmlSetNsProp(attr->parent, attr->ns, attr->name, BAD_CAST "#");
        else
            xmlRemoveProp(attr);
        changed = true;
    }
    xmlFree(value);
    return changed;
}

// Mends the element's attributes; true when any changed.
bool MendAttributes(xmlNode* element, const xmlChar* base) {
    bool changed = false;
    for (xmlAttr* attr = element->properties; attr != nullptr;) {
        xmlAttr* next = attr->next; // the attribute may be removed
        const LinkKind kind = KindOfAttribute(attr);
        if (IsEventHandler(attr)) {
            xmlRemoveProp(attr);
            changed = true;
        } else if (kind != LinkKind::None) {
            changed |= MendLinkAttribute(attr, kind, base);
        }
        attr = next;
    }
    return changed;
}

// Walks the nodes and everything below them without recursion (blocks may nest deeply),
// removing script elements and mending link and event attributes. True when anything changed.
bool MendTree(xmlNode* first, const xmlChar* base) {
    bool changed = false;
    xmlNode* const top = first ? first->parent : nullptr;
    for (xmlNode* node = first; node != nullptr;) {
        xmlNode* parent = node->parent;
        xmlNode* next = node->next;
        if (IsScriptElement(node)) {
            xmlUnlinkNode(node);
            xmlFreeNode(node);
            changed = true;
        } else if (node->type == XML_ELEMENT_NODE) {
            changed |= MendAttributes(node, base);
            if (node->children != nullptr) {
                node = node->children;
                continue;
            }
        }
        // Climb back up until a later sibling is found, never above where the walk began.
        while (next == nullptr && parent != nullptr && parent != top) {
            next = parent->next;
            parent = parent->parent;
        }
        node = next;
    }
    return changed;
}

} // namespace

bool IsAllowedAddress(std::string_view value) {
    const std::string address = AddressAsBrowsersRead(value);
    if (address.empty() || address.front() == '#')
        return true;
    const size_t colon = address.find(':');
    if (colon == std::string::npos)
        return false; // still relative: it would lead into the local folder
    const std::string scheme = LowerAscii(address.substr(0, colon));
    return scheme == "http" || scheme == "https" || scheme == "mailto";
}

std::string SiteBaseAddress(std::string_view siteUrl) {
    const std::string url = Trim(siteUrl);
    const size_t scheme = url.find("://");
    const size_t slash = url.find('/');
    if (scheme != std::string::npos && scheme < slash)
        return url;
    return "http://" + url;
}

std::string ResolveBlockLinks(std::string_view block, std::string_view siteUrl) {
    if (!MayNeedChanges(block))
        return std::string(block);
    const std::string base = SiteBaseAddress(siteUrl);
    const size_t declaration = BlockDeclarationLength(block);
    const std::string_view body = block.substr(declaration);
    BlockDoc doc = ReadBlockAsXml(body);
    if (!doc)
        doc = ReadBlockAsHtml(body);
    xmlNode* nodes = doc ? BlockNodes(doc.get()) : nullptr;
    if (nodes == nullptr) {
        if (!body.empty())
            throw Exception("The block cannot be read to check its links");
        return std::string(block);
    }
    if (!MendTree(nodes->children, BAD_CAST base.c_str()))
        return std::string(block);
    // The digest is HTML: a block read as XML is written back as HTML too, or an empty
    // <a href="..."/> would open an element that swallows what follows.
    return std::string(block.substr(0, declaration)) + WriteHtmlChildren(doc.get(), nodes);
}

} // namespace nimbrel
