#include "library/FeedDiscovery.h"

#include "components/HtmlSource.h"
#include "library/XmlTree.h"
#include "platform/Convert.h"

#include <algorithm>
#include <functional>

namespace nimbrel {

namespace {

using xmltree::Attribute;
using xmltree::FirstChildNamed;
using xmltree::LocalName;
using xmltree::NamespaceOf;

const char* const kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const char* const kAtom10Namespace = "http://www.w3.org/2005/Atom";
const char* const kAtom03Namespace = "http://purl.org/atom/ns#";

// How far into a text its first tag is looked for when telling HTML by its opening.
constexpr size_t kSniffBytes = 1024;

std::string TitleOf(const xmlNode* parent) {
    const xmlNode* title = FirstChildNamed(parent, "title");
    return title ? xmltree::CollapsedText(title) : std::string();
}

std::optional<FeedHead> FeedOfRoot(const xmlNode* root) {
    const std::string name = LocalName(root);
    if (name == "rss")
        return FeedHead{"rss", TitleOf(FirstChildNamed(root, "channel"))};
    if (name == "RDF" && NamespaceOf(root) == kRdfNamespace) {
        const xmlNode* channel = FirstChildNamed(root, "channel");
        if (channel)
            return FeedHead{"rss", TitleOf(channel)};
    }
    const std::string ns = NamespaceOf(root);
    if (name == "feed" && (ns == kAtom10Namespace || ns == kAtom03Namespace))
        return FeedHead{"atom", TitleOf(root)};
    return std::nullopt;
}

// The media type of a Content-Type value, lower-cased, without its parameters.
std::string MediaType(std::string_view contentType) {
    return LowerAscii(Trim(contentType.substr(0, contentType.find(';'))));
}

bool HasToken(std::string_view list, std::string_view token) {
    const std::string lowered = LowerAscii(list);
    size_t at = 0;
    while (at < lowered.size()) {
        const size_t start = lowered.find_first_not_of(" \t\r\n\f", at);
        if (start == std::string::npos)
            break;
        const size_t end = std::min(lowered.find_first_of(" \t\r\n\f", start), lowered.size());
        if (std::string_view(lowered).substr(start, end - start) == token)
            return true;
        at = end;
    }
    return false;
}

std::string FeedTypeOfLink(const std::string& linkType) {
    const std::string media = MediaType(linkType);
    if (media == "application/rss+xml")
        return "rss";
    if (media == "application/atom+xml")
        return "atom";
    return {};
}

void VisitElements(xmlNode* node, const std::function<void(xmlNode*)>& visit) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        visit(node);
        VisitElements(node->children, visit);
    }
}

// The page's <base href>, itself resolved against the page's address, or the address.
std::string BaseOf(xmlDoc* doc, const std::string& pageUrl) {
    std::string base = pageUrl;
    bool found = false;
    VisitElements(xmlDocGetRootElement(doc), [&](xmlNode* element) {
        if (!found && LowerAscii(LocalName(element)) == "base" &&
            xmltree::HasAttribute(element, "href")) {
            const std::string resolved =
                html::ResolveAddress(Trim(Attribute(element, "href")), pageUrl);
            if (!resolved.empty())
                base = resolved;
            found = true;
        }
    });
    return base;
}

} // namespace

std::optional<FeedHead> DetectFeed(std::string_view utf8Text) {
    const xmltree::ParsedXml parsed = xmltree::ReadXml(utf8Text, true);
    if (!parsed.doc)
        return std::nullopt;
    const xmlNode* root = xmlDocGetRootElement(parsed.doc.get());
    return root ? FeedOfRoot(root) : std::nullopt;
}

bool LooksLikeHtml(std::string_view utf8Text, std::string_view contentType) {
    const std::string media = MediaType(contentType);
    if (media == "text/html" || media == "application/xhtml+xml")
        return true;
    const std::string head = LowerAscii(utf8Text.substr(0, kSniffBytes));
    for (const char* opening : {"<!doctype html", "<html", "<head", "<body"})
        if (head.find(opening) != std::string::npos)
            return true;
    return false;
}

std::vector<FeedLink> FeedLinksOf(std::string_view utf8Html, const std::string& pageUrl) {
    std::vector<FeedLink> links;
    const xmltree::DocPtr doc = xmltree::ReadHtml(utf8Html, pageUrl);
    if (!doc)
        return links;
    const std::string base = BaseOf(doc.get(), pageUrl);
    VisitElements(xmlDocGetRootElement(doc.get()), [&](xmlNode* element) {
        if (LowerAscii(LocalName(element)) != "link" ||
            !HasToken(Attribute(element, "rel"), "alternate"))
            return;
        const std::string type = FeedTypeOfLink(Attribute(element, "type"));
        const std::string href = Trim(Attribute(element, "href"));
        if (type.empty() || href.empty())
            return;
        const std::string url = html::ResolveAddress(href, base);
        const bool known = std::any_of(links.begin(), links.end(),
                                       [&](const FeedLink& link) { return link.url == url; });
        if (!url.empty() && !known)
            links.push_back({url, type, xmltree::CollapseBlanks(Attribute(element, "title"))});
    });
    return links;
}

std::string HtmlTitleOf(std::string_view utf8Html, const std::string& pageUrl) {
    const xmltree::DocPtr doc = xmltree::ReadHtml(utf8Html, pageUrl);
    std::string title;
    if (doc)
        VisitElements(xmlDocGetRootElement(doc.get()), [&](xmlNode* element) {
            if (title.empty() && LowerAscii(LocalName(element)) == "title")
                title = xmltree::CollapsedText(element);
        });
    return title;
}

} // namespace nimbrel
