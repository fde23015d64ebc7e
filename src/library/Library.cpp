#include "library/Library.h"

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

// An absent attribute is not an empty name: a category without Name matches no entry.
bool IsNamed(const XmlNode& element, std::string_view name) {
    const XmlNode attribute = element.attributes().getNamedItem("Name");
    return attribute && attribute.text() == name;
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
            entry.sites.push_back(AttributeText(sites.item(j), "Name"));
        tree.push_back(std::move(entry));
    }
    return tree;
}

LibraryLoad LoadWebPageLibrary(XmlDocument& library) {
    const std::string path = LibraryPath();
    if (!FileExists(path))
        return {LibraryState::Missing, kLibraryMissingMessage};
    library.load(path);
    const std::string reason = library.parseError().reason;
    if (reason.empty())
        return {};
    library = XmlDocument::Create();
    library.setAsync(false);
    // The file is the user's to mend: installing never overwrites a library someone edited.
    return {LibraryState::Unreadable,
            "Categories.xml could not be read: " + reason + "\r\nThe file " + path +
                " can be edited: correct it and start Nimbrel again. Until then your selection "
                "(setup.xml) is left as it is."};
}

// Names are compared as attribute values, never spliced into an XPath expression, so quotes and
// apostrophes in them cannot break the query.
XmlNode FindLibrarySite(const XmlDocument& library, std::string_view category,
                        std::string_view site) {
    bool categoryExists = false;
    const XmlNodeList categories = library.selectNodes("//Category");
    for (long i = 0; i < categories.length(); ++i) {
        const XmlNode candidate = categories.item(i);
        if (!IsNamed(candidate, category))
            continue;
        categoryExists = true;
        const XmlNodeList sites = SitesOfCategory(candidate);
        for (long j = 0; j < sites.length(); ++j)
            if (IsNamed(sites.item(j), site))
                return sites.item(j);
    }
    if (!categoryExists)
        return {};
    // Moved to another category since the entry was chosen.
    const XmlNodeList everySite = library.selectNodes("//site");
    for (long i = 0; i < everySite.length(); ++i)
        if (IsNamed(everySite.item(i), site))
            return everySite.item(i);
    return {};
}

} // namespace nimbrel
