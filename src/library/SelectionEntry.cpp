#include "library/SelectionEntry.h"

namespace nimbrel {

SelectionEntry SplitSelectionEntry(std::string_view entry) {
    const size_t at = entry.find(kEntrySeparator);
    if (at == std::string_view::npos)
        return {std::string(), std::string(entry)};
    return {std::string(entry.substr(0, at)),
            std::string(entry.substr(at + kEntrySeparator.size()))};
}

std::string MakeSelectionEntry(std::string_view category, std::string_view site) {
    std::string entry;
    entry.reserve(category.size() + kEntrySeparator.size() + site.size());
    entry.append(category).append(kEntrySeparator).append(site);
    return entry;
}

} // namespace nimbrel
