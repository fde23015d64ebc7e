#include "library/LibraryFile.h"

#include "components/MSXML2_TLB.h"
#include "library/SelectionEntry.h"
#include "library/SelectionXml.h"
#include "pipeline/LibraryDocument.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/FileGroup.h"

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

bool IsElement(xmltree::Element element, const char* name) {
    return xmltree::LocalName(element) == name;
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

std::string TakenName(std::string_view text) {
    std::string name = xmltree::CollapseBlanks(text);
    size_t characters = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if (!ContinuesUtf8Letter(name[i]) && ++characters > kTakenNameCharacters) {
            name.resize(i);
            return Trim(name);
        }
    }
    return name;
}

// The library is read as every reader reads it, and edited as the tree that was read, so what
// the writer keeps is exactly what the windows and the cycle see.
LibraryFile::LibraryFile() : path_(LibraryPath()), document_(msxml::XmlDocument::Create()) {
    const LibraryLoad load = LoadWebPageLibrary(document_);
    if (load.state == LibraryState::Missing)
        throw Exception(kLibraryMissingMessage);
    const msxml::ParseError why = load.state == LibraryState::Unreadable ? load.why
                                  : xmltree::DeclaresEntities(document_)
                                      ? msxml::ParseError::Of(xmltree::kOwnEntitiesReason)
                                      : msxml::ParseError();
    if (!why.reason.empty())
        throw Exception("Categories.xml does not load, so nothing was changed.\r\n" +
                        why.Where(path_));
    declaration_ = document_.hasXmlDeclaration();
    xmltree::ForEachElement(xmltree::Root(document_), [this](xmltree::Element element) {
        if (IsElement(element, "Category"))
            Index(element);
        else if (IsElement(element, "site"))
            entryOfAddress_.try_emplace(AddressKey(Attribute(element, "URL")));
    });
}

// A category's name and the names of the sites it holds; a site's address is indexed when
// the walk reaches it, after its category, so the first in document order answers.
void LibraryFile::Index(xmltree::Element category) {
    if (!xmltree::HasAttribute(category, "Name"))
        return; // an absent attribute is not an empty name: such a category matches nothing
    const std::string name = Attribute(category, "Name");
    categories_.try_emplace(name, category);
    for (const xmltree::Element site : xmltree::ChildElements(category)) {
        if (!IsElement(site, "site") || !xmltree::HasAttribute(site, "Name"))
            continue;
        const std::string siteName = Attribute(site, "Name");
        sites_.emplace(name, siteName);
        entryOfAddress_.try_emplace(AddressKey(Attribute(site, "URL")),
                                    MakeSelectionEntry(name, siteName));
    }
}

bool LibraryFile::HasSite(std::string_view category, std::string_view name) const {
    return sites_.contains({std::string(category), std::string(name)});
}

bool LibraryFile::HoldsAddress(std::string_view url) const {
    return entryOfAddress_.contains(AddressKey(url));
}

std::string LibraryFile::EntryOfAddress(std::string_view url) const {
    const auto found = entryOfAddress_.find(AddressKey(url));
    return found == entryOfAddress_.end() ? std::string() : found->second;
}

std::string LibraryFile::FreeName(const std::string& category, const std::string& name) {
    int& next = nextFreeNumber_[{category, name}];
    if (next == 0) {
        if (!HasSite(category, name))
            return name;
        next = 2;
    }
    // Numbers below `next` were taken when last asked, and sites are never removed.
    while (HasSite(category, name + " (" + std::to_string(next) + ")"))
        ++next;
    return name + " (" + std::to_string(next) + ")";
}

xmltree::Element LibraryFile::FindOrMakeCategory(const std::string& category) {
    if (const auto found = categories_.find(category); found != categories_.end())
        return found->second;
    const xmltree::Element made = xmltree::AppendIndented(xmltree::Root(document_), "Category",
                                                          {{"Name", category}}, kCategoryIndent);
    categories_.emplace(category, made);
    return made;
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
    const std::string entry = MakeSelectionEntry(category, name);
    sites_.emplace(category, name);
    entryOfAddress_.try_emplace(AddressKey(site.url), entry);
    return entry;
}

std::string LibraryFile::Text() const {
    return xmltree::WriteXml(document_, declaration_);
}

void LibraryFile::Save() const {
    AtomicWriteFile(path_, Text());
}

void SaveLibraryAndSelection(const LibraryFile& library, const SelectionEntries& entries) {
    const std::string libraryText = library.Text();
    // setup.xml copies the library's entries as they will be, not as the file holds them now.
    msxml::XmlDocument libraryDocument = msxml::XmlDocument::Create();
    libraryDocument.loadXML(libraryText);
    if (!libraryDocument.parseError().reason.empty())
        throw Exception("Categories.xml could not be built: " +
                        libraryDocument.parseError().reason);
    msxml::XmlDocument selection = msxml::XmlDocument::Create();
    FileGroup group;
    group.write(library.Path(), libraryText);
    group.write(SetupNmlPath(), SelectionListText(entries));
    group.write(SetupXmlPath(), SelectionXmlText(libraryDocument, entries, selection));
    group.commit();
}

} // namespace nimbrel
