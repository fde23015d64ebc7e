#include "library/FeedDiscovery.h"

#include "components/HtmlSource.h"
#include "components/XmlTree.h"
#include "platform/Convert.h"

#include <algorithm>
#include <unordered_set>

namespace nimbrel {

namespace {

using xmltree::Attribute;
using xmltree::Element;
using xmltree::FirstChildNamed;
using xmltree::LocalName;
using xmltree::NamespaceOf;

const char* const kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const char* const kAtom10Namespace = "http://www.w3.org/2005/Atom";
const char* const kAtom03Namespace = "http://purl.org/atom/ns#";

// How far into a text its first tag is looked for when telling HTML by its opening.
constexpr size_t kSniffBytes = 1024;

std::string TitleOf(Element parent) {
    Element title = FirstChildNamed(parent, "title");
    return title ? xmltree::CollapsedText(title) : std::string();
}

std::optional<FeedHead> FeedOfRoot(Element root) {
    const std::string name = LocalName(root);
    if (name == "rss")
        return FeedHead{"rss", TitleOf(FirstChildNamed(root, "channel"))};
    if (name == "RDF" && NamespaceOf(root) == kRdfNamespace) {
        Element channel = FirstChildNamed(root, "channel");
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

bool IsNamed(Element element, const char* name) {
    return LowerAscii(LocalName(element)) == name;
}

} // namespace

std::optional<FeedHead> DetectFeed(std::string_view utf8Text) {
    const xmltree::ParsedXml parsed = xmltree::ReadXml(utf8Text, true);
    if (!parsed.doc)
        return std::nullopt;
    const Element root = xmltree::Root(parsed.doc);
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

PageFeeds ReadPageFeeds(std::string_view utf8Html, const std::string& pageUrl) {
    PageFeeds page;
    const xmltree::DocPtr doc = xmltree::ReadHtml(utf8Html, pageUrl);
    if (!doc)
        return page;
    // The first <base href> counts for every link of the page, wherever it stands.
    std::optional<std::string> baseHref;
    std::vector<FeedLink> named; // hrefs as written
    xmltree::ForEachElement(xmltree::Root(doc), [&](Element element) {
        if (IsNamed(element, "title") && page.title.empty())
            page.title = xmltree::CollapsedText(element);
        else if (IsNamed(element, "base") && !baseHref && xmltree::HasAttribute(element, "href"))
            baseHref = Trim(Attribute(element, "href"));
        else if (IsNamed(element, "link") && HasToken(Attribute(element, "rel"), "alternate")) {
            const std::string type = FeedTypeOfLink(Attribute(element, "type"));
            const std::string href = Trim(Attribute(element, "href"));
            if (!type.empty() && !href.empty())
                named.push_back({href, type, Attribute(element, "title")});
        }
    });
    std::string base = pageUrl;
    if (baseHref)
        if (const std::string resolved = html::ResolveAddress(*baseHref, pageUrl);
            !resolved.empty())
            base = resolved;
    std::unordered_set<std::string> seen;
    for (FeedLink& link : named) {
        link.url = html::ResolveAddress(link.url, base);
        if (link.url.empty() || !seen.insert(link.url).second)
            continue;
        if (page.links.size() < kListedFeedLinks)
            page.links.push_back(
                {std::move(link.url), std::move(link.type), xmltree::CollapseBlanks(link.title)});
    }
    page.count = seen.size();
    return page;
}

} // namespace nimbrel
