#include "library/Opml.h"

#include "components/MSXML2_TLB.h"
#include "library/AddressLookup.h"
#include "library/FeedLink.h"
#include "library/Library.h"
#include "library/LibraryFile.h"
#include "library/SelectionEntry.h"
#include "library/XmlTree.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <ctime>
#include <map>
#include <set>

namespace nimbrel {

namespace {

using xmltree::Attribute;
using xmltree::CollapseBlanks;

std::string LabelOf(const xmlNode* outline) {
    const std::string title = CollapseBlanks(Attribute(outline, "title"));
    return title.empty() ? CollapseBlanks(Attribute(outline, "text")) : title;
}

void CollectFeeds(const xmlNode* parent, const std::string& category, const std::string& fallback,
                  std::vector<OpmlFeed>& feeds) {
    for (const xmlNode* outline : xmltree::ChildElements(parent)) {
        if (xmltree::LocalName(outline) != "outline")
            continue;
        // Old readers wrote feeds as feed://host/path.
        const std::string url = FeedLinkAddress(Attribute(outline, "xmlUrl"));
        const std::string label = LabelOf(outline);
        if (!url.empty()) {
            feeds.push_back(
                {label.empty() ? url : label, url, category.empty() ? fallback : category});
            continue;
        }
        CollectFeeds(outline, label.empty() ? category : label, fallback, feeds);
    }
}

// "Name", else "Name (2)", "Name (3)" ...: the first the category does not hold.
std::string FreeName(const LibraryFile& library, const std::string& category,
                     const std::string& name) {
    std::string candidate = name;
    for (int n = 2; library.HasSite(category, candidate); ++n)
        candidate = name + " (" + std::to_string(n) + ")";
    return candidate;
}

// A selection entry's category stands before the first "->": one inside a folder's name would
// split the entry at the wrong place.
std::string UsableCategory(const std::string& label) {
    return ReplaceAll(label, kEntrySeparator, "-");
}

std::string Rfc822Now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[utc.tm_wday],
                  utc.tm_mday, months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

xmlNode* AddChild(xmlNode* parent, const char* name, const std::string& text = {}) {
    return xmlNewTextChild(parent, nullptr, BAD_CAST name,
                           text.empty() ? nullptr : BAD_CAST text.c_str());
}

void SetAttribute(xmlNode* element, const char* name, const std::string& value) {
    xmlNewProp(element, BAD_CAST name, BAD_CAST value.c_str());
}

void AddSiteOutline(xmlNode* folder, const msxml::XmlNode& site) {
    const std::string name = AttributeText(site, "Name");
    const std::string url = AttributeText(site, "URL");
    const std::string type = LowerAscii(Trim(AttributeText(site, "Type")));
    xmlNode* outline = AddChild(folder, "outline");
    const bool page = type == "html" || type == "addxmltags";
    SetAttribute(outline, "type", page ? "link" : "rss");
    SetAttribute(outline, "text", name);
    SetAttribute(outline, "title", name);
    SetAttribute(outline, page ? "url" : "xmlUrl", SiteAddress(url));
}

} // namespace

std::vector<OpmlFeed> ReadOpmlFeeds(const std::string& path, const std::string& fallbackCategory) {
    if (!FileExists(path))
        throw Exception("The OPML file " + path + " could not be found.");
    const xmltree::ParsedXml parsed = xmltree::ReadXml(ReadFileBytes(path));
    if (!parsed.doc)
        throw Exception("The OPML file does not parse, so nothing was added.\r\n" +
                        parsed.Where(path));
    const xmlNode* root = xmlDocGetRootElement(parsed.doc.get());
    if (xmltree::LocalName(root) != "opml")
        throw Exception(path + " is not an OPML file (its root element is <" +
                        xmltree::LocalName(root) + ">), so nothing was added.");
    std::vector<OpmlFeed> feeds;
    CollectFeeds(xmltree::FirstChildNamed(root, "body"), "", fallbackCategory, feeds);
    if (feeds.empty())
        throw Exception(path + " holds no feeds (no outline has an xmlUrl), so nothing was added.");
    return feeds;
}

OpmlImport ImportOpml(const std::string& path, const std::string& fallbackCategory) {
    const std::vector<OpmlFeed> feeds = ReadOpmlFeeds(path, fallbackCategory);
    LibraryFile library;
    OpmlImport result;
    for (const OpmlFeed& feed : feeds) {
        if (const std::string problem = AddressProblem(feed.url); !problem.empty()) {
            result.unusable.push_back(feed.name + ": " + problem);
            continue;
        }
        if (library.HoldsAddress(feed.url)) {
            ++result.skipped;
            continue;
        }
        const std::string category = UsableCategory(feed.category);
        result.added.push_back(
            library.AddSite(category, FeedSite(FreeName(library, category, feed.name),
                                               SiteAddress(feed.url), "rss")));
    }
    if (!result.added.empty()) {
        library.Save();
        AppendToSelection(result.added);
    }
    return result;
}

OpmlExport ExportSelectionOpml(const std::string& path) {
    const auto entries = LoadSetupNml();
    if (!entries)
        throw Exception("There is no selection to export: " + SetupNmlPath() + " does not exist.");
    msxml::XmlDocument library = msxml::XmlDocument::Create();
    library.setAsync(false);
    if (const LibraryLoad load = LoadWebPageLibrary(library); load.state != LibraryState::Loaded)
        throw Exception(load.message);

    xmltree::DocPtr doc(xmlNewDoc(BAD_CAST "1.0"));
    xmlNode* opml = xmlNewDocNode(doc.get(), nullptr, BAD_CAST "opml", nullptr);
    xmlDocSetRootElement(doc.get(), opml);
    SetAttribute(opml, "version", "2.0");
    xmlNode* head = AddChild(opml, "head");
    AddChild(head, "title", "Nimbrel selection");
    AddChild(head, "dateCreated", Rfc822Now());
    xmlNode* body = AddChild(opml, "body");

    OpmlExport result;
    std::map<std::string, xmlNode*> folders;
    std::set<std::string> written;
    for (const std::string& entry : *entries) {
        const SelectionEntry parts = SplitSelectionEntry(entry);
        const msxml::XmlNode site = FindLibrarySite(library, parts.category, parts.site);
        if (!site) {
            ++result.missing;
            continue;
        }
        if (!written.insert(entry).second)
            continue;
        xmlNode*& folder = folders[parts.category];
        if (!folder) {
            folder = AddChild(body, "outline");
            SetAttribute(folder, "text", parts.category);
            SetAttribute(folder, "title", parts.category);
        }
        AddSiteOutline(folder, site);
        ++result.written;
    }
    AtomicWriteFile(path, xmltree::WriteXml(doc.get(), true, true));
    return result;
}

} // namespace nimbrel
