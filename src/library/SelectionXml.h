// setup.xml: the selection as one table row, each entry's whole library site element copied
// into a cell, "<Error/>" for an entry the library does not hold.
#pragma once

#include "components/MSXML2_TLB.h"
#include "library/SelectionList.h"

#include <string>
#include <string_view>

namespace nimbrel {

inline constexpr const char* kMissingSiteMarkup = "<Error/>";

// The library's site element for the entry, as markup, or "<Error/>" (FindLibrarySite).
std::string ReturnSiteXML(const msxml::XmlDocument& library, std::string_view entry);

// "<Layout><table><tr>" + "<td>" markup "</td>" per entry + "</tr></table></Layout>".
std::string BuildSelectionXml(const msxml::XmlDocument& library, const SelectionEntries& entries);

// setup.xml of the program folder.
std::string SetupXmlPath();

// Builds the selection text and loads it into `selection`; returns the text setup.xml gets.
// Raises nimbrel::Exception when the text does not parse.
std::string SelectionXmlText(const msxml::XmlDocument& library, const SelectionEntries& entries,
                             msxml::XmlDocument& selection);

// Builds the selection text, loads it into `selection` and saves it as setup.xml (atomically),
// holding the folder lock. Raises nimbrel::Exception when the text does not parse (setup.xml
// is then left alone), FolderBusy while another run holds the folder and EInOutError when it
// cannot be written.
void ListToXml(const msxml::XmlDocument& library, const SelectionEntries& entries,
               msxml::XmlDocument& selection);

// setup.nml and setup.xml, as one step (FileGroup.h) under the folder lock: what Next,
// Close-with-Yes and Save As write. Raises as ListToXml; then neither file has changed.
void WriteSelection(const msxml::XmlDocument& library, const SelectionEntries& entries,
                    msxml::XmlDocument& selection);

// Brings setup.xml's copy of each entry up to date with the library (a URL or rule file edited
// in Categories.xml) without changing what is selected: only when setup.xml holds one cell per
// entry, in order, each a site of the entry's name or an error cell. A cell whose entry the
// library no longer holds keeps its copy. Returns true when setup.xml was rewritten; a missing,
// malformed or different setup.xml is left alone.
bool RefreshSelectionXml(const msxml::XmlDocument& library, const SelectionEntries& entries,
                         msxml::XmlDocument& selection);

} // namespace nimbrel
