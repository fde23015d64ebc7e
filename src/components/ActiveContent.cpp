#include "components/ActiveContent.h"

#include "components/BlockHtml.h"
#include "components/BlockLinks.h"
#include "platform/Convert.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace nimbrel {

namespace {

// Elements kept, with what they hold.
constexpr std::array kAllowedElements = {
    "a",        "abbr",       "address", "article", "aside",  "b",     "bdi",     "bdo",
    "big",      "blockquote", "br",      "caption", "center", "cite",  "code",    "col",
    "colgroup", "dd",         "del",     "details", "dfn",    "div",   "dl",      "dt",
    "em",       "figcaption", "figure",  "font",    "footer", "h1",    "h2",      "h3",
    "h4",       "h5",         "h6",      "header",  "hr",     "i",     "img",     "ins",
    "kbd",      "li",         "main",    "mark",    "nav",    "nobr",  "ol",      "p",
    "pre",      "q",          "rp",      "rt",      "ruby",   "s",     "samp",    "section",
    "site",     "small",      "span",    "strike",  "strong", "sub",   "summary", "sup",
    "table",    "tbody",      "td",      "tfoot",   "th",     "thead", "time",    "tr",
    "tt",       "u",          "ul",      "var",     "wbr"};

// Elements that go with everything they hold: they run, load, embed, navigate or hold text the
// browser reads as something else than the parser here does.
constexpr std::array kRemovedElements = {
    "script",       "style",    "template",  "iframe",        "frame",
    "frameset",     "noframes", "object",    "embed",         "applet",
    "param",        "meta",     "base",      "link",          "noscript",
    "noembed",      "xmp",      "plaintext", "textarea",      "title",
    "head",         "set",      "animate",   "animatemotion", "animatetransform",
    "animatecolor", "discard",  "select",    "option",        "portal",
    "listing"};

constexpr std::array kAllowedAttributes = {
    "abbr",           "align",       "alt",      "axis",     "bgcolor", "border",
    "cellpadding",    "cellspacing", "cite",     "class",    "clear",   "color",
    "colspan",        "datetime",    "decoding", "dir",      "face",    "headers",
    "height",         "hidden",      "href",     "hreflang", "hspace",  "id",
    "lang",           "loading",     "longdesc", "name",     "nowrap",  "open",
    "referrerpolicy", "rel",         "rev",      "reversed", "role",    "rowspan",
    "scope",          "size",        "sizes",    "span",     "src",     "srcset",
    "start",          "style",       "summary",  "target",   "title",   "type",
    "valign",         "value",       "vspace",   "width"};

// Attributes holding an address; an href that may not stay becomes "#", the others go.
constexpr std::array kAddressAttributes = {"href", "src", "cite", "longdesc"};

// The lists above as sets: every element and attribute of every block is looked up.
using NameSet = std::unordered_set<std::string_view>;

template <size_t N> NameSet SetOf(const std::array<const char*, N>& names) {
    return NameSet(names.begin(), names.end());
}

bool IsAllowedElement(std::string_view name) {
    static const NameSet names = SetOf(kAllowedElements);
    return names.contains(name);
}

bool IsRemovedElement(std::string_view name) {
    static const NameSet names = SetOf(kRemovedElements);
    return names.contains(name);
}

bool IsAllowedAttribute(std::string_view name) {
    static const NameSet names = SetOf(kAllowedAttributes);
    return names.contains(name) || name.starts_with("data-") || name.starts_with("aria-");
}

bool IsAddressAttribute(std::string_view name) {
    static const NameSet names = SetOf(kAddressAttributes);
    return names.contains(name);
}

// The name in lower case; the HTML parser lowers the names it reads, so most need no copy.
std::string_view NameOf(const xmlChar* name, std::string& lowered) {
    const std::string_view text(reinterpret_cast<const char*>(name));
    if (std::none_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
        return text;
    lowered = LowerAscii(text);
    return lowered;
}

std::string ValueOf(xmlAttr* attribute) {
    xmlChar* value = xmlNodeListGetString(attribute->doc, attribute->children, 1);
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// CSS that loads something or runs script (old browsers' expression(), bindings); an escape
// could spell any of them, so a style with a backslash goes too.
bool StyleMayAct(std::string style) {
    style = LowerAscii(style);
    std::erase_if(style, [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
    for (const char* risky : {"url(", "expression", "javascript:", "vbscript:", "behavior",
                              "binding", "@import", "\\", "image("})
        if (style.find(risky) != std::string::npos)
            return true;
    return false;
}

// Every candidate of a srcset ("a.jpg 1x, b.jpg 2x") must be an address that may stay.
bool SourceSetMayStay(const std::string& srcset) {
    size_t at = 0;
    while (at < srcset.size()) {
        const size_t end = std::min(srcset.find(',', at), srcset.size());
        const std::string candidate = Trim(srcset.substr(at, end - at));
        const std::string address = candidate.substr(0, candidate.find_first_of(" \t\n\r"));
        if (!address.empty() && !IsAllowedAddress(address))
            return false;
        at = end + 1;
    }
    return true;
}

// The attribute's fate: kept, removed, or (an href) pointed at nothing.
enum class Verdict { Keep, Remove, EmptyLink };

Verdict Judge(std::string_view element, std::string_view name, xmlAttr* attribute) {
    if (element == "site")
        return name == "url" ? Verdict::Keep : Verdict::Remove;
    if (!IsAllowedAttribute(name))
        return Verdict::Remove;
    if (name == "style")
        return StyleMayAct(ValueOf(attribute)) ? Verdict::Remove : Verdict::Keep;
    if (name == "srcset")
        return SourceSetMayStay(ValueOf(attribute)) ? Verdict::Keep : Verdict::Remove;
    if (IsAddressAttribute(name) && !IsAllowedAddress(ValueOf(attribute)))
        return name == "href" ? Verdict::EmptyLink : Verdict::Remove;
    return Verdict::Keep;
}

// Keeps the element's allowed attributes; a placeholder's URL keeps the capitals the layout's
// placeholders are written with. True when anything was removed or changed.
bool CleanAttributes(xmlNode* element) {
    std::string loweredElement;
    const std::string_view elementName = NameOf(element->name, loweredElement);
    bool changed = false;
    for (xmlAttr* attribute = element->properties; attribute != nullptr;) {
        xmlAttr* next = attribute->next;
        std::string loweredName;
        const std::string_view name = NameOf(attribute->name, loweredName);
        switch (Judge(elementName, name, attribute)) {
        case Verdict::Keep:
            if (elementName == "site")
                xmlNodeSetName(reinterpret_cast<xmlNode*>(attribute), BAD_CAST "URL");
            break;
        case Verdict::Remove:
            xmlRemoveProp(attribute);
            changed = true;
            break;
        case Verdict::EmptyLink:
            xmlSetProp(element, attribute->name, BAD_CAST "#");
            changed = true;
            break;
        }
        attribute = next;
    }
    return changed;
}

// Moves the element's children in its place and frees it; returns the first of them (or what
// followed it when it had none), where the walk goes on.
xmlNode* Unwrap(xmlNode* element) {
    xmlNode* first = element->children;
    xmlNode* after = element->next;
    for (xmlNode* child = first; child != nullptr;) {
        xmlNode* next = child->next;
        xmlUnlinkNode(child);
        xmlAddPrevSibling(element, child);
        child = next;
    }
    xmlUnlinkNode(element);
    xmlFreeNode(element);
    return first != nullptr ? first : after;
}

// The node after this one in document order once its children are done, never above `top`.
xmlNode* NextAfter(xmlNode* node, const xmlNode* top) {
    while (node != nullptr && node != top) {
        if (node->next != nullptr)
            return node->next;
        node = node->parent;
    }
    return nullptr;
}

enum class Fate { Keep, Remove, Unwrap };

Fate FateOf(const xmlNode* node) {
    switch (node->type) {
    case XML_TEXT_NODE:
        return Fate::Keep;
    case XML_ELEMENT_NODE: {
        std::string lowered;
        const std::string_view name = NameOf(node->name, lowered);
        if (IsAllowedElement(name))
            return Fate::Keep;
        return IsRemovedElement(name) ? Fate::Remove : Fate::Unwrap;
    }
    default: // comments, processing instructions, CDATA, entity references ...
        return Fate::Remove;
    }
}

// Cleans everything below `top`; true when anything changed.
bool CleanTree(xmlNode* top) {
    bool changed = false;
    xmlNode* node = top->children;
    while (node != nullptr) {
        switch (FateOf(node)) {
        case Fate::Remove: {
            xmlNode* next = NextAfter(node, top);
            // NextAfter may climb to an ancestor's sibling, which stays valid once this node goes.
            xmlUnlinkNode(node);
            xmlFreeNode(node);
            node = next;
            changed = true;
            continue;
        }
        case Fate::Unwrap: {
            xmlNode* parent = node->parent;
            xmlNode* next = Unwrap(node);
            node = next != nullptr ? next : NextAfter(parent, top);
            changed = true;
            continue;
        }
        case Fate::Keep:
            break;
        }
        if (node->type == XML_ELEMENT_NODE) {
            changed |= CleanAttributes(node);
            if (node->children != nullptr) {
                node = node->children;
                continue;
            }
        }
        node = NextAfter(node, top);
    }
    return changed;
}

} // namespace

std::string WithoutActiveContent(std::string_view block) {
    if (block.find('<') == std::string_view::npos && block.find('&') == std::string_view::npos)
        return std::string(block); // plain text: nothing the parser could read as markup
    BlockDoc doc = ReadBlockAsHtml(block);
    xmlNode* body = doc ? BlockNodes(doc.get()) : nullptr;
    if (body == nullptr)
        return {};
    CleanTree(body);
    return WriteHtmlChildren(doc.get(), body);
}

void RemoveActiveContent(xmlNode* top) {
    CleanTree(top);
}

} // namespace nimbrel
