#include "pipeline/BlockLinks.h"

#include "platform/Convert.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>
#include <libxml/uri.h>
#include <libxml/xmlsave.h>

#include <memory>

namespace nimbrel {

namespace {

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

bool IsLinkAttribute(const xmlChar* name) {
    const std::string lowered = LowerAscii(reinterpret_cast<const char*>(name));
    return lowered == "href" || lowered == "src" || lowered == "action" || lowered == "poster" ||
           lowered == "background";
}

// Worth a parse only when some attribute might hold a link.
bool MayHoldLinks(std::string_view block) {
    const std::string lowered = LowerAscii(block);
    for (const char* name : {"href", "src", "action", "poster", "background"})
        if (lowered.find(name) != std::string::npos)
            return true;
    return false;
}

// Resolves the attribute in place; true when its value changed.
bool ResolveAttribute(xmlAttr* attr, const xmlChar* base) {
    xmlChar* value = xmlNodeListGetString(attr->doc, attr->children, 1);
    if (value == nullptr)
        return false;
    bool changed = false;
    // Empty values and in-page anchors stay as they are.
    if (value[0] != '\0' && value[0] != '#') {
        if (xmlChar* resolved = xmlBuildURI(value, base)) {
            if (xmlStrcmp(resolved, value) != 0) {
                xmlSetProp(attr->parent, attr->name, resolved);
                changed = true;
            }
            xmlFree(resolved);
        }
    }
    xmlFree(value);
    return changed;
}

bool ResolveTree(xmlNode* node, const xmlChar* base) {
    bool changed = false;
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        for (xmlAttr* attr = node->properties; attr != nullptr; attr = attr->next)
            if (IsLinkAttribute(attr->name))
                changed |= ResolveAttribute(attr, base);
        changed |= ResolveTree(node->children, base);
    }
    return changed;
}

std::string Wrapped(std::string_view body, std::string_view before, std::string_view after) {
    std::string text;
    text.reserve(body.size() + before.size() + after.size());
    text.append(before).append(body).append(after);
    return text;
}

DocPtr ReadAsXml(std::string_view body) {
    const std::string text = Wrapped(body, "<nimbrel-block>", "</nimbrel-block>");
    return DocPtr(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

DocPtr ReadAsHtml(std::string_view body) {
    const std::string text = Wrapped(body, "<html><body>", "</body></html>");
    return DocPtr(htmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                                 HTML_PARSE_NODEFDTD | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                     HTML_PARSE_NOWARNING));
}

xmlNode* HtmlBody(xmlDoc* doc) {
    xmlNode* root = xmlDocGetRootElement(doc);
    for (xmlNode* n = root ? root->children : nullptr; n != nullptr; n = n->next)
        if (n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, BAD_CAST "body") == 0)
            return n;
    return nullptr;
}

std::string WriteXmlChildren(xmlNode* parent) {
    xmlBuffer* buffer = xmlBufferCreate();
    xmlSaveCtxt* save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL);
    for (xmlNode* n = parent->children; n != nullptr; n = n->next)
        xmlSaveTree(save, n);
    xmlSaveClose(save);
    std::string text(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                     static_cast<size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    return text;
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

// The XML declaration the transform may have put at the head of the block, kept as it was.
size_t DeclarationLength(std::string_view block) {
    if (block.substr(0, 5) != "<?xml")
        return 0;
    const size_t end = block.find("?>");
    return end == std::string_view::npos ? 0 : end + 2;
}

} // namespace

std::string SiteBaseAddress(std::string_view siteUrl) {
    const std::string url = Trim(siteUrl);
    const size_t scheme = url.find("://");
    const size_t slash = url.find('/');
    if (scheme != std::string::npos && scheme < slash)
        return url;
    return "http://" + url;
}

std::string ResolveBlockLinks(std::string_view block, std::string_view siteUrl) {
    if (!MayHoldLinks(block))
        return std::string(block);
    const std::string base = SiteBaseAddress(siteUrl);
    const size_t declaration = DeclarationLength(block);
    const std::string_view body = block.substr(declaration);
    std::string resolved;
    if (DocPtr doc = ReadAsXml(body)) {
        xmlNode* root = xmlDocGetRootElement(doc.get());
        if (!ResolveTree(root->children, BAD_CAST base.c_str()))
            return std::string(block);
        resolved = WriteXmlChildren(root);
    } else if (DocPtr html = ReadAsHtml(body)) {
        xmlNode* htmlBody = HtmlBody(html.get());
        if (!htmlBody || !ResolveTree(htmlBody->children, BAD_CAST base.c_str()))
            return std::string(block);
        resolved = WriteHtmlChildren(html.get(), htmlBody);
    } else {
        return std::string(block);
    }
    return std::string(block.substr(0, declaration)) + resolved;
}

} // namespace nimbrel
