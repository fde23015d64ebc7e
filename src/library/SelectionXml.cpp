#include "library/SelectionXml.h"

#include "library/SelectionEntry.h"
#include "pipeline/LibraryDocument.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/FileGroup.h"
#include "platform/Files.h"
#include "platform/FolderLock.h"
#include "platform/ProgramFolder.h"

namespace nimbrel {

namespace {

const char* const kLayoutBegin = "<Layout><table><tr>";
const char* const kLayoutEnd = "</tr></table></Layout>";

std::string Cell(const std::string& markup) {
    return "<td>" + markup + "</td>";
}

// The element a cell of setup.xml holds (a site or Error) when it stands for the entry.
msxml::XmlNode CellFor(const msxml::XmlNode& cell, std::string_view entry) {
    const msxml::XmlNode content = cell.selectSingleNode("*");
    if (!content)
        return {};
    if (content.nodeName() == "Error")
        return content;
    if (content.nodeName() == "site" &&
        AttributeText(content, "Name") == SplitSelectionEntry(entry).site)
        return content;
    return {};
}

std::string SiteMarkup(const LibrarySiteIndex& library, std::string_view entry) {
    const SelectionEntry parts = SplitSelectionEntry(entry);
    const msxml::XmlNode site = library.find(parts.category, parts.site);
    return site ? site.xml() : std::string(kMissingSiteMarkup);
}

} // namespace

std::string ReturnSiteXML(const msxml::XmlDocument& library, std::string_view entry) {
    return SiteMarkup(LibrarySiteIndex(library), entry);
}

std::string BuildSelectionXml(const msxml::XmlDocument& library, const SelectionEntries& entries) {
    const LibrarySiteIndex index(library);
    std::string text = kLayoutBegin;
    for (const std::string& entry : entries)
        text.append(Cell(SiteMarkup(index, entry)));
    text.append(kLayoutEnd);
    return text;
}

std::string SetupXmlPath() {
    return ProgramFile("\\setup.xml");
}

std::string SelectionXmlText(const msxml::XmlDocument& library, const SelectionEntries& entries,
                             msxml::XmlDocument& selection) {
    selection.loadXML(BuildSelectionXml(library, entries));
    // Saving a document that failed to parse would replace the user's selection with nothing.
    const std::string reason = selection.parseError().reason;
    if (!reason.empty())
        throw Exception("setup.xml could not be built: " + reason);
    return selection.xml();
}

void ListToXml(const msxml::XmlDocument& library, const SelectionEntries& entries,
               msxml::XmlDocument& selection) {
    const FolderLock lock = FolderLock::Take();
    AtomicWriteFile(SetupXmlPath(), SelectionXmlText(library, entries, selection));
}

void WriteSelection(const msxml::XmlDocument& library, const SelectionEntries& entries,
                    msxml::XmlDocument& selection) {
    const FolderLock lock = FolderLock::Take();
    FileGroup group;
    group.write(SetupNmlPath(), SelectionListText(entries));
    group.write(SetupXmlPath(), SelectionXmlText(library, entries, selection));
    group.commit();
}

bool RefreshSelectionXml(const msxml::XmlDocument& library, const SelectionEntries& entries,
                         msxml::XmlDocument& selection) {
    const std::string path = SetupXmlPath();
    if (!FileExists(path))
        return false;
    msxml::XmlDocument current = msxml::XmlDocument::Create();
    current.load(path);
    const msxml::XmlNodeList cells = current.selectNodes("/Layout/table/tr/td");
    if (!current.parseError().reason.empty() || cells.length() != static_cast<long>(entries.size()))
        return false;
    const LibrarySiteIndex index(library);
    std::string text = kLayoutBegin;
    bool changed = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const msxml::XmlNode copy = CellFor(cells.item(static_cast<long>(i)), entries[i]);
        if (!copy)
            return false; // setup.xml holds another selection (opened and not saved)
        std::string markup = SiteMarkup(index, entries[i]);
        if (markup == kMissingSiteMarkup)
            markup = copy.xml();
        changed = changed || markup != copy.xml();
        text.append(Cell(markup));
    }
    text.append(kLayoutEnd);
    if (!changed)
        return false;
    selection.loadXML(text);
    if (!selection.parseError().reason.empty())
        return false;
    const FolderLock lock = FolderLock::Take();
    selection.save(path);
    return true;
}

} // namespace nimbrel
