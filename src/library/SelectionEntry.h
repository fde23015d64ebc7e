// A selection entry names one site by its place in the library: the category's name, "->" and
// the site's name, with nothing added.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

inline constexpr std::string_view kEntrySeparator = "->";

struct SelectionEntry {
    std::string category; // everything before the first "->"
    std::string site;     // everything after it
};

// Splits at the first "->". An entry without one has an empty category and is all site name,
// so it only ever matches a category whose name is empty.
SelectionEntry SplitSelectionEntry(std::string_view entry);

// category + "->" + site.
std::string MakeSelectionEntry(std::string_view category, std::string_view site);

} // namespace nimbrel
