// setup.xml: the selection as one table row, each entry's whole library site element copied
// into a cell, "<Error/>" for an entry the library does not hold.
#pragma once

#include "components/MSXML2_TLB.h"
#include "library/SelectionList.h"

#include <string>
#include <string_view>

namespace nimbrel {

inline constexpr const char* kMissingSiteMarkup = "<Error/>";

// The library's site element for the entry, as markup, or "<Error/>". The site is looked up
// among the sites of the category the entry names.
std::string ReturnSiteXML(const msxml::XmlDocument& library, std::string_view entry);

// "<Layout><table><tr>" + "<td>" markup "</td>" per entry + "</tr></table></Layout>".
std::string BuildSelectionXml(const msxml::XmlDocument& library, const SelectionEntries& entries);

// setup.xml of the program folder.
std::string SetupXmlPath();

// Builds the selection text, loads it into `selection` and saves it as setup.xml (atomically).
// Raises nimbrel::Exception when the text does not parse (setup.xml is then left alone) and
// EInOutError when it cannot be written.
void ListToXml(const msxml::XmlDocument& library, const SelectionEntries& entries,
               msxml::XmlDocument& selection);

// setup.nml, then setup.xml: what Next, Close-with-Yes and Save As write.
void WriteSelection(const msxml::XmlDocument& library, const SelectionEntries& entries,
                    msxml::XmlDocument& selection);

} // namespace nimbrel
