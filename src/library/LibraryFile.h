// Adding sites to the library, Categories.xml of the program folder. Sites are only ever
// appended (to their category, which is made at the end of the library when it is new); every
// other byte's meaning stays, and the file is replaced atomically. A library that does not load
// is never written.
#pragma once

#include "library/SelectionList.h"
#include "library/XmlTree.h"

#include <string>
#include <string_view>

namespace nimbrel {

inline constexpr const char* kDefaultSiteCategory = "My Sites";
inline constexpr const char* kFeedRuleFile = "feed.xml";
inline constexpr const char* kFeedStyleSheet = "feed.xslt";

// One library entry, as Categories.xml holds it.
struct LibrarySite {
    std::string name;
    std::string url;
    std::string type;
    std::string styleSheet;
    std::string ripFile;
};

// A feed's entry: the shipped feed rule and stylesheet.
LibrarySite FeedSite(std::string name, std::string url, std::string type);

// Why the text cannot name a site or a category ("" when it can): empty after trimming, a line
// break or other control character (a selection file holds one entry per line), and for a
// category the "->" that separates category and site in an entry.
std::string SiteNameProblem(std::string_view name);
std::string CategoryNameProblem(std::string_view category);

// An address compared as the same site: scheme and host in lower case, "http://" added where
// none is named, and a lone "/" path dropped.
std::string AddressKey(std::string_view url);

class LibraryFile {
  public:
    // Reads Categories.xml; raises Exception with a message naming the file (and the line,
    // when it does not parse) when it is missing or malformed.
    LibraryFile();

    // True when a category of that name holds a site of that name.
    bool HasSite(std::string_view category, std::string_view name) const;
    // True when some site of the library has that address (compared by AddressKey).
    bool HoldsAddress(std::string_view url) const;

    // Raises Exception with the reason when AddSite would refuse the names.
    void CheckNewSite(std::string_view category, std::string_view name) const;

    // Appends the site to the category (made when new) and returns its selection entry. Names
    // lose their leading and trailing blanks. Raises Exception for a name or category that
    // cannot be used or a name the category holds already.
    std::string AddSite(const std::string& category, const LibrarySite& site);

    // Replaces Categories.xml atomically with the library as it now is.
    void Save() const;

  private:
    xmlNode* FindOrMakeCategory(const std::string& category);

    std::string path_;
    xmltree::DocPtr doc_;
    bool declaration_ = false;
};

// Appends the entries to the selection and writes setup.nml and setup.xml from it, as the
// selection window does (setup.nml's entries first; none when it does not exist yet).
void AppendToSelection(const SelectionEntries& added);

} // namespace nimbrel
