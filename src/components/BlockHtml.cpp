#include "components/BlockHtml.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>

#include "platform/Convert.h"

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace nimbrel {

namespace {

// The wrapper of a block read as XML.
constexpr std::string_view kXmlWrapper = "nimbrel-block";

std::string Wrapped(std::string_view body, std::string_view before, std::string_view after) {
    std::string text;
    text.reserve(body.size() + before.size() + after.size());
    text.append(before).append(body).append(after);
    return text;
}

bool IsElementNamed(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && xmlStrcasecmp(node->name, BAD_CAST name) == 0;
}

// The attributes whose values libxml2's HTML writer percent-escapes ("^" becomes "%5E", "é"
// "%C3%A9"): a link would no longer read as the page wrote it.
bool IsEscapedByWriter(const xmlAttr* attr) {
    if (attr->ns != nullptr || attr->parent == nullptr || attr->parent->ns != nullptr)
        return false;
    for (const char* name : {"href", "src", "action"})
        if (xmlStrcasecmp(attr->name, BAD_CAST name) == 0)
            return true;
    return xmlStrcasecmp(attr->name, BAD_CAST "name") == 0 && IsElementNamed(attr->parent, "a");
}

// True when the writer would escape a byte of the value: one outside what it leaves alone.
bool WouldBeEscaped(const xmlChar* value) {
    static constexpr std::string_view kLeftAlone = "-_.!~*'()@/:=?;#%&,+<>";
    for (const xmlChar* c = value; c && *c; ++c)
        if (!std::isalnum(*c) || *c >= 0x80)
            if (*c >= 0x80 || kLeftAlone.find(static_cast<char>(*c)) == std::string_view::npos)
                return true;
    return false;
}

// While the writer runs, each value it would change is a token of letters and digits it
// leaves alone; the values are put back afterwards, escaped for a quoted attribute. Tokens
// carry a random part, so no text of a page can pass for one.
class KeptAddresses {
  public:
    explicit KeptAddresses(xmlNode* parent) {
        std::string stem;
        for (xmlNode* n = parent->children; n != nullptr; n = NextElement(n, parent)) {
            if (n->type != XML_ELEMENT_NODE)
                continue;
            for (xmlAttr* attr = n->properties; attr != nullptr; attr = attr->next) {
                if (!IsEscapedByWriter(attr))
                    continue;
                xmlChar* value = xmlNodeListGetString(attr->doc, attr->children, 1);
                if (WouldBeEscaped(value)) {
                    if (stem.empty())
                        stem = "nimbrel" + std::to_string(std::random_device{}()) + "x";
                    tokens_.push_back(stem + std::to_string(kept_.size()) + "x");
                    kept_.emplace_back(attr, reinterpret_cast<const char*>(value));
                    xmlSetProp(n, attr->name, BAD_CAST tokens_.back().c_str());
                }
                xmlFree(value);
            }
        }
    }
    ~KeptAddresses() {
        for (size_t i = 0; i < kept_.size(); ++i)
            xmlSetProp(kept_[i].first->parent, kept_[i].first->name,
                       BAD_CAST kept_[i].second.c_str());
    }
    KeptAddresses(const KeptAddresses&) = delete;
    KeptAddresses& operator=(const KeptAddresses&) = delete;

    // One pass: the writer puts the values in the order they were taken.
    std::string restore(const std::string& text) const {
        std::string restored;
        restored.reserve(text.size());
        size_t from = 0;
        for (size_t i = 0; i < kept_.size(); ++i) {
            const std::string quoted = "\"" + tokens_[i] + "\"";
            const size_t at = text.find(quoted, from);
            if (at == std::string::npos)
                continue;
            restored.append(text, from, at - from);
            restored += "\"" + EscapeHtml(kept_[i].second) + "\"";
            from = at + quoted.size();
        }
        restored.append(text, from, std::string::npos);
        return restored;
    }

  private:
    std::vector<std::pair<xmlAttr*, std::string>> kept_;
    std::vector<std::string> tokens_;
};

} // namespace

BlockDoc ReadBlockAsXml(std::string_view fragment) {
    const std::string text = Wrapped(fragment, "<nimbrel-block>", "</nimbrel-block>");
    return BlockDoc(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

BlockDoc ReadBlockAsHtml(std::string_view fragment) {
    const std::string text = Wrapped(fragment, "<html><body>", "</body></html>");
    return BlockDoc(htmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                                   HTML_PARSE_NODEFDTD | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                       HTML_PARSE_NOWARNING));
}

xmlNode* BlockNodes(xmlDoc* doc) {
    xmlNode* root = xmlDocGetRootElement(doc);
    if (root == nullptr)
        return nullptr;
    if (xmlStrEqual(root->name, BAD_CAST kXmlWrapper.data()))
        return root;
    for (xmlNode* n = root->children; n != nullptr; n = n->next)
        if (IsElementNamed(n, "body"))
            return n;
    return nullptr;
}

std::string WriteHtmlChildren(xmlDoc* doc, xmlNode* parent) {
    const KeptAddresses addresses(parent);
    xmlOutputBuffer* out = xmlAllocOutputBuffer(nullptr);
    for (xmlNode* n = parent->children; n != nullptr; n = n->next)
        htmlNodeDumpFormatOutput(out, doc, n, "UTF-8", 0);
    std::string text(reinterpret_cast<const char*>(xmlOutputBufferGetContent(out)),
                     xmlOutputBufferGetSize(out));
    xmlOutputBufferClose(out);
    return addresses.restore(std::move(text));
}

size_t BlockDeclarationLength(std::string_view block) {
    if (block.substr(0, 5) != "<?xml")
        return 0;
    const size_t end = block.find("?>");
    return end == std::string_view::npos ? 0 : end + 2;
}

xmlNode* NextElement(xmlNode* node, const xmlNode* top) {
    do {
        // Only elements are entered: an entity reference's children belong to its declaration.
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != top && node->next == nullptr)
            node = node->parent;
        node = node == top ? nullptr : node->next;
    } while (node != nullptr && node->type != XML_ELEMENT_NODE);
    return node;
}

bool HasClass(const xmlNode* element, std::string_view token) {
    xmlChar* value = xmlGetProp(element, BAD_CAST "class");
    if (value == nullptr)
        return false;
    const std::string_view classes(reinterpret_cast<const char*>(value));
    bool found = false;
    for (size_t at = 0; at < classes.size() && !found;) {
        const size_t start = classes.find_first_not_of(" \t\r\n\f", at);
        if (start == std::string_view::npos)
            break;
        const size_t end = std::min(classes.find_first_of(" \t\r\n\f", start), classes.size());
        found = classes.substr(start, end - start) == token;
        at = end;
    }
    xmlFree(value);
    return found;
}

} // namespace nimbrel
