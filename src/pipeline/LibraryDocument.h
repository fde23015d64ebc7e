// The web page library, Categories.xml: categories anywhere in the document, each with its
// sites as direct children. Every reader of the library loads it here: the library windows, the
// selection's lookups, the status grid's labels, a site's trial and the library's writer
// (library/LibraryFile, which edits the tree loaded here).
#pragma once

#include "components/MSXML2_TLB.h"

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nimbrel {

inline constexpr const char* kLibraryMissingMessage =
    "Categories.xml could not be found, please reinstall Nimbrel";

// Categories.xml of the program folder.
std::string LibraryPath();

// The value of an element's attribute, or "" when it has none.
std::string AttributeText(const msxml::XmlNode& element, const std::string& name);

struct LibraryTreeSite {
    std::string name;
    std::string url;
    bool operator==(const LibraryTreeSite&) const = default;
};

struct LibraryCategory {
    std::string name;
    std::vector<LibraryTreeSite> sites; // its direct child sites, in document order
};

// Every category in document order with the names and addresses of its sites, as written
// (an absent attribute reads as ""): what the library tree shows.
std::vector<LibraryCategory> ReadLibraryTree(const msxml::XmlDocument& library);

enum class LibraryState {
    Loaded,    // the document holds the library
    Missing,   // no Categories.xml in the program folder
    Unreadable // it is there but does not load (a typo, a file that cannot be read)
};

struct LibraryLoad {
    LibraryState state = LibraryState::Loaded;
    std::string message;   // what to tell the user; empty when loaded
    msxml::ParseError why; // the load's own error; empty when loaded
};

// Loads Categories.xml into the document. Missing: the reinstall message. Unreadable: the
// parser's reason (with its line) and the file's path, which the user may edit. Unless loaded,
// the document is left empty so that every lookup finds nothing.
LibraryLoad LoadWebPageLibrary(msxml::XmlDocument& library);

// The library site a selection entry names: the site of that name in the first category of
// that name that holds one (exact comparison, any characters). A site that has moved on to
// another category is still found: then the first site of that name anywhere in the library
// answers, as long as the named category exists. A null node when there is none.
msxml::XmlNode FindLibrarySite(const msxml::XmlDocument& library, std::string_view category,
                               std::string_view site);

// FindLibrarySite for many entries: the library is read once, and each lookup then costs the
// same however large it is. The library must not change while the index is used.
class LibrarySiteIndex {
  public:
    explicit LibrarySiteIndex(const msxml::XmlDocument& library);
    msxml::XmlNode find(std::string_view category, std::string_view site) const;

  private:
    std::set<std::string> categories_;                                         // names in use
    std::map<std::pair<std::string, std::string>, msxml::XmlNode> inCategory_; // first of each
    std::unordered_map<std::string, msxml::XmlNode> anywhere_; // first site of each name
};

} // namespace nimbrel
