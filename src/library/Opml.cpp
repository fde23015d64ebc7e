#include "library/Opml.h"

#include "components/MSXML2_TLB.h"
#include "components/XmlTree.h"
#include "library/AddressLookup.h"
#include "library/FeedLink.h"
#include "library/LibraryFile.h"
#include "library/SelectionEntry.h"
#include "pipeline/LibraryDocument.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/FolderLock.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <set>
#include <unordered_set>

namespace nimbrel {

namespace {

using xmltree::AddChild;
using xmltree::AddTextChild;
using xmltree::Attribute;
using xmltree::Element;
using xmltree::SetAttribute;

std::string LabelOf(Element outline) {
    const std::string title = TakenName(Attribute(outline, "title"));
    return title.empty() ? TakenName(Attribute(outline, "text")) : title;
}

std::string OurAttribute(Element outline, const char* name) {
    return Trim(xmltree::AttributeNs(outline, name, kOpmlNamespace));
}

bool InFolder(const std::string& name, const char* folder) {
    return !name.empty() && DataNameStaysInFolder(name) && FileExists(DataFile(folder, name));
}

// A feed keeps the rule and stylesheet it was exported with when both are here, else takes the
// shipped feed rule, which reads any feed. A page has no other way to be cut than its own rule.
void TakeRules(Element outline, bool feed, OpmlSite& site) {
    const std::string type = OurAttribute(outline, "type");
    const std::string ripFile = OurAttribute(outline, "ripFile");
    const std::string styleSheet = OurAttribute(outline, "styleSheet");
    site.type = !type.empty() ? type : feed ? "rss" : "html";
    const bool ownRules = InFolder(ripFile, "\\Rip") && InFolder(styleSheet, "\\stylesheets");
    if (feed && !ownRules) {
        site.ripFile = kFeedRuleFile;
        site.styleSheet = kFeedStyleSheet;
        return;
    }
    site.ripFile = ripFile;
    site.styleSheet = styleSheet;
    if (ripFile.empty())
        site.problem = "a web page, not a feed: it needs a rule of its own (New Site... in the "
                       "selection window writes one)";
    else if (!InFolder(ripFile, "\\Rip"))
        site.problem = "its rule file \"" + ripFile + "\" is not in the folder Rip";
    else if (!InFolder(styleSheet, "\\stylesheets"))
        site.problem = "its stylesheet \"" + styleSheet + "\" is not in the folder stylesheets";
}

// The first reason the site cannot be added, checked in the order a person would mend them.
std::string SiteProblem(const OpmlSite& site) {
    for (const std::string& problem :
         {AddressProblem(site.url), SiteNameProblem(site.name), site.problem})
        if (!problem.empty())
            return problem;
    if (const std::string problem = CategoryNameProblem(site.category); !problem.empty())
        return "its folder \"" + site.category + "\" cannot be a category: " + problem;
    return {};
}

bool IsPageOutline(Element outline) {
    return LowerAscii(Trim(Attribute(outline, "type"))) == "link" ||
           !OurAttribute(outline, "ripFile").empty();
}

void CollectSites(Element parent, const std::string& category, const std::string& fallback,
                  std::vector<OpmlSite>& sites) {
    for (Element outline : xmltree::ChildElements(parent)) {
        if (xmltree::LocalName(outline) != "outline")
            continue;
        const std::string label = LabelOf(outline);
        // Old readers wrote feeds as feed://host/path, newer ones feed:https://host/path.
        const std::string feedUrl = FeedLinkAddress(Attribute(outline, "xmlUrl"));
        const std::string pageUrl = IsPageOutline(outline) ? Trim(Attribute(outline, "url")) : "";
        const std::string url = feedUrl.empty() ? pageUrl : feedUrl;
        if (url.empty() && !xmltree::ChildElements(outline).empty()) {
            CollectSites(outline, label.empty() ? category : label, fallback, sites);
            continue;
        }
        OpmlSite site;
        site.name = label.empty() ? TakenName(url) : label;
        site.url = url;
        site.category = category.empty() ? fallback : category;
        if (url.empty()) {
            site.problem = "it names no feed or page address";
        } else {
            TakeRules(outline, !feedUrl.empty(), site);
            site.problem = SiteProblem(site);
        }
        sites.push_back(std::move(site));
    }
}

// The import's view of the library and the selection as they grow.
class ImportState {
  public:
    ImportState() : selection_(LoadSetupNml().value_or(SelectionEntries{})) {
        selected_.insert(selection_.begin(), selection_.end());
    }

    void take(const OpmlSite& site, OpmlImport& result) {
        if (!site.problem.empty()) {
            result.leftOut.push_back({site.name, site.problem});
            return;
        }
        if (!inThisFile_.insert(AddressKey(site.url)).second) {
            ++result.skipped;
            return;
        }
        if (library_.HoldsAddress(site.url)) {
            const std::string held = library_.EntryOfAddress(site.url);
            if (!held.empty() && select(held))
                result.selected.push_back(held);
            else
                ++result.skipped;
            return;
        }
        const std::string category = Trim(site.category);
        try {
            const std::string entry = library_.AddSite(
                category, {library_.FreeName(category, site.name), SiteAddress(site.url), site.type,
                           site.styleSheet, site.ripFile});
            select(entry);
            result.added.push_back(entry);
        } catch (const Exception& refused) {
            result.leftOut.push_back({site.name, refused.message()});
        }
    }

    void save() const { SaveLibraryAndSelection(library_, selection_); }

  private:
    bool select(const std::string& entry) {
        if (!selected_.insert(entry).second)
            return false;
        selection_.push_back(entry);
        return true;
    }

    LibraryFile library_;
    SelectionEntries selection_;
    std::unordered_set<std::string> selected_;
    std::unordered_set<std::string> inThisFile_; // addresses, by AddressKey
};

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

void AddSiteOutline(Element folder, xmltree::Namespace ours, const msxml::XmlNode& site) {
    const std::string name = AttributeText(site, "Name");
    const std::string url = AttributeText(site, "URL");
    const std::string type = AttributeText(site, "Type");
    const std::string lowered = LowerAscii(Trim(type));
    const Element outline = AddChild(folder, "outline");
    const bool page = lowered == "html" || lowered == "addxmltags";
    SetAttribute(outline, "type", page ? "link" : "rss");
    SetAttribute(outline, "text", name);
    SetAttribute(outline, "title", name);
    SetAttribute(outline, page ? "url" : "xmlUrl", SiteAddress(url));
    SetAttribute(outline, ours, "type", type);
    for (const auto& [attribute, ourName] :
         {std::pair{"RipFile", "ripFile"}, std::pair{"StyleSheet", "styleSheet"}})
        SetAttribute(outline, ours, ourName, AttributeText(site, attribute));
}

} // namespace

std::vector<OpmlSite> ReadOpmlSites(const std::string& path, const std::string& fallbackCategory) {
    if (!FileExists(path))
        throw Exception("The OPML file " + path + " could not be found.");
    const xmltree::ParsedXml parsed = xmltree::ReadXml(ReadFileBytes(path));
    if (!parsed.doc)
        throw Exception("The OPML file does not parse, so nothing was added.\r\n" +
                        parsed.error.Where(path));
    const Element root = xmltree::Root(parsed.doc);
    if (xmltree::LocalName(root) != "opml")
        throw Exception(path + " is not an OPML file (its root element is <" +
                        xmltree::LocalName(root) + ">), so nothing was added.");
    std::vector<OpmlSite> sites;
    CollectSites(xmltree::FirstChildNamed(root, "body"), "", TakenName(fallbackCategory), sites);
    if (std::none_of(sites.begin(), sites.end(),
                     [](const OpmlSite& site) { return !site.url.empty(); }))
        throw Exception(path + " holds no feeds (no outline has an xmlUrl), so nothing was added.");
    return sites;
}

OpmlImport ImportOpml(const std::string& path, const std::string& fallbackCategory) {
    const FolderLock lock = FolderLock::Take();
    const std::vector<OpmlSite> sites = ReadOpmlSites(path, fallbackCategory);
    ImportState state;
    OpmlImport result;
    for (const OpmlSite& site : sites)
        state.take(site, result);
    if (!result.added.empty() || !result.selected.empty())
        state.save();
    return result;
}

OpmlExport ExportSelectionOpml(const std::string& path) {
    const FolderLock lock = FolderLock::Take();
    const auto entries = LoadSetupNml();
    if (!entries)
        throw Exception("There is no selection to export: " + SetupNmlPath() + " does not exist.");
    msxml::XmlDocument library = msxml::XmlDocument::Create();
    library.setAsync(false);
    if (const LibraryLoad load = LoadWebPageLibrary(library); load.state != LibraryState::Loaded)
        throw Exception(load.message);

    const xmltree::DocPtr doc = xmltree::NewDocument("opml");
    const Element opml = xmltree::Root(doc);
    const xmltree::Namespace ours =
        xmltree::DeclareNamespace(opml, kOpmlNamespace, kOpmlNamespacePrefix);
    SetAttribute(opml, "version", "2.0");
    const Element head = AddChild(opml, "head");
    AddTextChild(head, "title", "Nimbrel selection");
    AddTextChild(head, "dateCreated", Rfc822Now());
    const Element body = AddChild(opml, "body");

    OpmlExport result;
    std::map<std::string, Element> folders;
    std::set<std::string> written;
    const LibrarySiteIndex index(library);
    for (const std::string& entry : *entries) {
        const SelectionEntry parts = SplitSelectionEntry(entry);
        const msxml::XmlNode site = index.find(parts.category, parts.site);
        if (!site) {
            ++result.missing;
            continue;
        }
        if (!written.insert(entry).second)
            continue;
        Element& folder = folders[parts.category];
        if (!folder) {
            folder = AddChild(body, "outline");
            SetAttribute(folder, "text", parts.category);
            SetAttribute(folder, "title", parts.category);
        }
        AddSiteOutline(folder, ours, site);
        ++result.written;
    }
    AtomicWriteFile(path, xmltree::WriteXml(doc, true, true));
    return result;
}

} // namespace nimbrel
