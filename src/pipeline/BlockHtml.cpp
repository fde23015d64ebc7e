#include "pipeline/BlockHtml.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>

#include <algorithm>

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
    xmlOutputBuffer* out = xmlAllocOutputBuffer(nullptr);
    for (xmlNode* n = parent->children; n != nullptr; n = n->next)
        htmlNodeDumpFormatOutput(out, doc, n, "UTF-8", 0);
    std::string text(reinterpret_cast<const char*>(xmlOutputBufferGetContent(out)),
                     xmlOutputBufferGetSize(out));
    xmlOutputBufferClose(out);
    return text;
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
