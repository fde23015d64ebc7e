// Adding sites to the library, Categories.xml of the program folder. Sites are only ever
// appended (to their category, which is made at the end of the library when it is new); every
// other byte's meaning stays, and the file is replaced atomically. A library that does not load
// is never written.
#pragma once

#include "components/XmlTree.h"
#include "library/SelectionList.h"

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

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

// The longest site or category name taken from a feed or another reader's file, in characters.
inline constexpr size_t kTakenNameCharacters = 200;
// A name taken from a feed's title or an outline: blanks collapsed, cut after
// kTakenNameCharacters characters (never inside a UTF-8 letter).
std::string TakenName(std::string_view text);

// Categories.xml held in memory with what it holds indexed, so every question and every site
// added costs the same however large the library is.
class LibraryFile {
  public:
    // Reads Categories.xml; raises Exception with a message naming the file (and the line,
    // when it does not parse) when it is missing or malformed.
    LibraryFile();

    // True when a category of that name holds a site of that name.
    bool HasSite(std::string_view category, std::string_view name) const;
    // True when some site of the library has that address (compared by AddressKey).
    bool HoldsAddress(std::string_view url) const;
    // The selection entry of the first site with that address, in document order; empty when
    // there is none.
    std::string EntryOfAddress(std::string_view url) const;
    // "Name", else "Name (2)", "Name (3)" ...: the first the category does not hold.
    std::string FreeName(const std::string& category, const std::string& name);

    // Raises Exception with the reason when AddSite would refuse the names.
    void CheckNewSite(std::string_view category, std::string_view name) const;

    // Appends the site to the category (made when new) and returns its selection entry. Names
    // lose their leading and trailing blanks. Raises Exception for a name or category that
    // cannot be used or a name the category holds already.
    std::string AddSite(const std::string& category, const LibrarySite& site);

    // Replaces Categories.xml atomically with the library as it now is.
    void Save() const;
    // Categories.xml's path and the text it would now hold.
    const std::string& Path() const { return path_; }
    std::string Text() const;

  private:
    void Index(xmltree::Element category);
    xmltree::Element FindOrMakeCategory(const std::string& category);

    std::string path_;
    msxml::XmlDocument document_;
    bool declaration_ = false;
    std::unordered_map<std::string, xmltree::Element> categories_;      // the first of each name
    std::set<std::pair<std::string, std::string>> sites_;               // (category, site) names
    std::unordered_map<std::string, std::string> entryOfAddress_;       // by AddressKey
    std::map<std::pair<std::string, std::string>, int> nextFreeNumber_; // FreeName's next try
};

// Writes the library and the selection (setup.nml, setup.xml, made from that library) as one
// step (FileGroup.h): a run killed meanwhile leaves all three as they were or all three new.
void SaveLibraryAndSelection(const LibraryFile& library, const SelectionEntries& entries);

} // namespace nimbrel
