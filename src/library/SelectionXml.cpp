#include "library/SelectionXml.h"

#include "library/Library.h"
#include "library/SelectionEntry.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"

namespace nimbrel {

std::string ReturnSiteXML(const msxml::XmlDocument& library, std::string_view entry) {
    const SelectionEntry parts = SplitSelectionEntry(entry);
    const msxml::XmlNode site = FindLibrarySite(library, parts.category, parts.site);
    return site ? site.xml() : std::string(kMissingSiteMarkup);
}

std::string BuildSelectionXml(const msxml::XmlDocument& library, const SelectionEntries& entries) {
    std::string text = "<Layout><table><tr>";
    for (const std::string& entry : entries)
        text.append("<td>").append(ReturnSiteXML(library, entry)).append("</td>");
    text.append("</tr></table></Layout>");
    return text;
}

std::string SetupXmlPath() {
    return ProgramFile("\\setup.xml");
}

void ListToXml(const msxml::XmlDocument& library, const SelectionEntries& entries,
               msxml::XmlDocument& selection) {
    selection.loadXML(BuildSelectionXml(library, entries));
    // Saving a document that failed to parse would replace the user's selection with nothing.
    const std::string reason = selection.parseError().reason;
    if (!reason.empty())
        throw Exception("setup.xml could not be built: " + reason);
    selection.save(SetupXmlPath());
}

void WriteSelection(const msxml::XmlDocument& library, const SelectionEntries& entries,
                    msxml::XmlDocument& selection) {
    SaveSetupNml(entries);
    ListToXml(library, entries, selection);
}

} // namespace nimbrel
