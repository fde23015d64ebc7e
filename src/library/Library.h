// The web page library, Categories.xml: categories anywhere in the document, each with its
// sites as direct children. The program only reads it.
#pragma once

#include "components/MSXML2_TLB.h"

#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

inline constexpr const char* kLibraryMissingMessage =
    "Categories.xml could not be found, please reinstall Nimbrel";

// Categories.xml of the program folder.
std::string LibraryPath();

// The value of an element's attribute, or "" when it has none.
std::string AttributeText(const msxml::XmlNode& element, const std::string& name);

struct LibraryCategory {
    std::string name;
    std::vector<std::string> sites; // names of its direct child sites, in document order
};

// Every category in document order with the names of its sites: what the library tree shows.
std::vector<LibraryCategory> ReadLibraryTree(const msxml::XmlDocument& library);

// Loads Categories.xml into the document. Returns "" when loaded, otherwise the message to
// show: the missing-library message, or the parser's reason for a malformed library (the
// document is then left empty so that every lookup finds nothing).
std::string LoadWebPageLibrary(msxml::XmlDocument& library);

// The first category of that name (exact comparison, any characters) that has a direct child
// site of that name; a null node when there is none.
msxml::XmlNode FindLibrarySite(const msxml::XmlDocument& library, std::string_view category,
                               std::string_view site);

} // namespace nimbrel
