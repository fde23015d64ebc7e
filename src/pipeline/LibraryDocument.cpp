#include "pipeline/LibraryDocument.h"

#include "platform/Files.h"
#include "platform/ProgramFolder.h"

namespace nimbrel {

using msxml::XmlDocument;
using msxml::XmlNode;
using msxml::XmlNodeList;

namespace {

// Direct children only: a site belongs to the category it sits in.
XmlNodeList SitesOfCategory(const XmlNode& category) {
    return category.selectNodes("site");
}

} // namespace

std::string LibraryPath() {
    return ProgramFile("\\Categories.xml");
}

std::string AttributeText(const XmlNode& element, const std::string& name) {
    const XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? attribute.text() : std::string();
}

std::vector<LibraryCategory> ReadLibraryTree(const XmlDocument& library) {
    std::vector<LibraryCategory> tree;
    const XmlNodeList categories = library.selectNodes("//Category ");
    for (long i = 0; i < categories.length(); ++i) {
        const XmlNode category = categories.item(i);
        LibraryCategory entry{AttributeText(category, "Name"), {}};
        const XmlNodeList sites = SitesOfCategory(category);
        for (long j = 0; j < sites.length(); ++j)
            entry.sites.push_back(
                {AttributeText(sites.item(j), "Name"), AttributeText(sites.item(j), "URL")});
        tree.push_back(std::move(entry));
    }
    return tree;
}

LibraryLoad LoadWebPageLibrary(XmlDocument& library) {
    const std::string path = LibraryPath();
    if (library.load(path))
        return {};
    const msxml::ParseError why = library.parseError();
    library = XmlDocument::Create();
    library.setAsync(false);
    if (!FileExists(path))
        return {LibraryState::Missing, kLibraryMissingMessage, why};
    // The file is the user's to mend: installing never overwrites a library someone edited.
    return {LibraryState::Unreadable,
            "Categories.xml could not be read: " + why.reason + "\r\nThe file " + path +
                " can be edited: correct it and start Nimbrel again. Until then your selection "
                "(setup.xml) is left as it is.",
            why};
}

// Names are compared as attribute values, never spliced into an XPath expression, so quotes and
// apostrophes in them cannot break the query.
XmlNode FindLibrarySite(const XmlDocument& library, std::string_view category,
                        std::string_view site) {
    return LibrarySiteIndex(library).find(category, site);
}

LibrarySiteIndex::LibrarySiteIndex(const XmlDocument& library) {
    const XmlNodeList categories = library.selectNodes("//Category");
    for (long i = 0; i < categories.length(); ++i) {
        const XmlNode candidate = categories.item(i);
        // An absent attribute is not an empty name: a category without Name matches no entry.
        const XmlNode name = candidate.attributes().getNamedItem("Name");
        if (!name)
            continue;
        categories_.insert(name.text());
        const XmlNodeList sites = SitesOfCategory(candidate);
        for (long j = 0; j < sites.length(); ++j)
            if (const XmlNode siteName = sites.item(j).attributes().getNamedItem("Name"))
                inCategory_.try_emplace({name.text(), siteName.text()}, sites.item(j));
    }
    const XmlNodeList everySite = library.selectNodes("//site");
    for (long i = 0; i < everySite.length(); ++i)
        if (const XmlNode siteName = everySite.item(i).attributes().getNamedItem("Name"))
            anywhere_.try_emplace(siteName.text(), everySite.item(i));
}

XmlNode LibrarySiteIndex::find(std::string_view category, std::string_view site) const {
    const std::pair<std::string, std::string> key{category, site};
    if (const auto found = inCategory_.find(key); found != inCategory_.end())
        return found->second;
    if (!categories_.contains(key.first))
        return {};
    // Moved to another category since the entry was chosen.
    const auto moved = anywhere_.find(key.second);
    return moved == anywhere_.end() ? XmlNode() : moved->second;
}

} // namespace nimbrel
