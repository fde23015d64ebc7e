#include "library/LibraryFile.h"

#include "components/MSXML2_TLB.h"
#include "library/Library.h"
#include "library/SelectionEntry.h"
#include "library/SelectionXml.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace nimbrel {

namespace {

using xmltree::Attribute;

// How Categories.xml is indented: categories two blanks in, sites four.
const char* const kCategoryIndent = "\n  ";
const char* const kSiteIndent = "\n    ";

bool HoldsControlCharacter(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7f')
            return true;
    return false;
}

// Every element of that name, in document order, wherever it stands.
std::vector<xmlNode*> ElementsNamed(xmlNode* node, const char* name) {
    std::vector<xmlNode*> found;
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (xmlStrcmp(node->name, BAD_CAST name) == 0)
            found.push_back(node);
        for (xmlNode* inner : ElementsNamed(node->children, name))
            found.push_back(inner);
    }
    return found;
}

bool IsNamed(const xmlNode* element, std::string_view name) {
    return xmltree::HasAttribute(element, "Name") && Attribute(element, "Name") == name;
}

} // namespace

LibrarySite FeedSite(std::string name, std::string url, std::string type) {
    return {std::move(name), std::move(url), std::move(type), kFeedStyleSheet, kFeedRuleFile};
}

std::string SiteNameProblem(std::string_view name) {
    if (Trim(name).empty())
        return "The site needs a name.";
    if (HoldsControlCharacter(name))
        return "A site's name cannot hold a line break or another control character.";
    return {};
}

std::string CategoryNameProblem(std::string_view category) {
    if (Trim(category).empty())
        return "The site needs a category.";
    if (HoldsControlCharacter(category))
        return "A category's name cannot hold a line break or another control character.";
    if (category.find(kEntrySeparator) != std::string_view::npos)
        return "A category's name cannot hold \"->\": it separates category and site in the "
               "selection.";
    return {};
}

std::string AddressKey(std::string_view url) {
    std::string address = Trim(url);
    size_t hostStart = address.find("://");
    if (hostStart == std::string::npos) {
        address = "http://" + address;
        hostStart = 4;
    }
    hostStart += 3;
    const size_t hostEnd = std::min(address.find_first_of("/?#", hostStart), address.size());
    address = LowerAscii(address.substr(0, hostEnd)) + address.substr(hostEnd);
    if (address.size() == hostEnd + 1 && address.back() == '/')
        address.pop_back();
    return address;
}

LibraryFile::LibraryFile() : path_(LibraryPath()) {
    if (!FileExists(path_))
        throw Exception(kLibraryMissingMessage);
    xmltree::ParsedXml parsed = xmltree::ReadXml(ReadFileBytes(path_));
    if (!parsed.doc || !xmlDocGetRootElement(parsed.doc.get()))
        throw Exception("Categories.xml does not load, so nothing was changed.\r\n" +
                        parsed.Where(path_));
    doc_ = std::move(parsed.doc);
    declaration_ = parsed.declaration;
}

bool LibraryFile::HasSite(std::string_view category, std::string_view name) const {
    for (const xmlNode* candidate : ElementsNamed(xmlDocGetRootElement(doc_.get()), "Category"))
        if (IsNamed(candidate, category))
            for (const xmlNode* site : xmltree::ChildElements(candidate))
                if (xmlStrcmp(site->name, BAD_CAST "site") == 0 && IsNamed(site, name))
                    return true;
    return false;
}

bool LibraryFile::HoldsAddress(std::string_view url) const {
    const std::string key = AddressKey(url);
    for (const xmlNode* site : ElementsNamed(xmlDocGetRootElement(doc_.get()), "site"))
        if (AddressKey(Attribute(site, "URL")) == key)
            return true;
    return false;
}

xmlNode* LibraryFile::FindOrMakeCategory(const std::string& category) {
    xmlNode* root = xmlDocGetRootElement(doc_.get());
    for (xmlNode* candidate : ElementsNamed(root, "Category"))
        if (IsNamed(candidate, category))
            return candidate;
    return xmltree::AppendIndented(root, "Category", {{"Name", category}}, kCategoryIndent);
}

void LibraryFile::CheckNewSite(std::string_view category, std::string_view name) const {
    for (const std::string& problem : {CategoryNameProblem(category), SiteNameProblem(name)})
        if (!problem.empty())
            throw Exception(problem);
    if (HasSite(Trim(category), Trim(name)))
        throw Exception("The category \"" + Trim(category) + "\" already holds a site named \"" +
                        Trim(name) + "\": choose another name.");
}

std::string LibraryFile::AddSite(const std::string& categoryName, const LibrarySite& site) {
    CheckNewSite(categoryName, site.name);
    const std::string category = Trim(categoryName);
    const std::string name = Trim(site.name);
    xmltree::AppendIndented(FindOrMakeCategory(category), "site",
                            {{"Name", name},
                             {"URL", site.url},
                             {"Type", site.type},
                             {"StyleSheet", site.styleSheet},
                             {"RipFile", site.ripFile}},
                            kSiteIndent);
    return MakeSelectionEntry(category, name);
}

void LibraryFile::Save() const {
    AtomicWriteFile(path_, xmltree::WriteXml(doc_.get(), declaration_));
}

void AppendToSelection(const SelectionEntries& added) {
    SelectionEntries entries = LoadSetupNml().value_or(SelectionEntries{});
    entries.insert(entries.end(), added.begin(), added.end());
    msxml::XmlDocument library = msxml::XmlDocument::Create();
    library.setAsync(false);
    if (const LibraryLoad load = LoadWebPageLibrary(library); load.state != LibraryState::Loaded)
        throw Exception(load.message);
    msxml::XmlDocument selection = msxml::XmlDocument::Create();
    WriteSelection(library, entries, selection);
}

} // namespace nimbrel
