// One site's part of the display step: its cut text cleaned, corrected by fix.dat, transformed
// by its stylesheet and made safe for the digest; or, when any of that fails, the reason.
#pragma once

#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/FixList.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

// What the display step reads of a site element of the selection (values trimmed).
struct DisplaySite {
    std::string name;
    std::string url;
    std::string styleSheet;
    std::string type; // lower case

    bool operator==(const DisplaySite&) const = default;
};

// How the digest names the site: its Name, or its URL when it has none.
inline const std::string& ShownName(const DisplaySite& site) {
    return site.name.empty() ? site.url : site.name;
}

// The attributes Name, URL, StyleSheet and Type of a site element; absent ones read as empty,
// values lose leading and trailing blanks and control characters, the type is lower-cased.
DisplaySite ReadDisplaySite(const msxml::XmlNode& element);

// What a site came to. A plain record: later steps (the block's frame, what is remembered of
// the site) read what they need from it.
struct SiteOutcome {
    std::string block;                  // the site's HTML block when it was made
    std::optional<std::string> failure; // why it was not
};

// What one thread needs to make blocks: a cleaner of its own with the fixed options set, the
// site stylesheets it has loaded this cycle (each file read and compiled once, however many
// sites use it) and fix.dat's pairs. Used by one thread at a time.
class BlockWorkshop {
  public:
    // Raises nimbrel::Exception when the cleaner cannot be created.
    explicit BlockWorkshop(const std::vector<FixPair>& fixes);

    tidycom::TidyObject& cleaner() { return *cleaner_; }
    const std::vector<FixPair>& fixes() const { return fixes_; }
    // The stylesheet of the folder stylesheets with this name, loaded on first use. Raises
    // nimbrel::Exception (every time it is asked for) when it is not named, lies outside the
    // folder or does not load.
    const msxml::XmlDocument& styleSheet(const std::string& name);

  private:
    struct Loaded {
        std::optional<msxml::XmlDocument> sheet;
        std::string failure;
    };
    static Loaded Load(const std::string& name);

    std::unique_ptr<tidycom::TidyObject> cleaner_;
    const std::vector<FixPair>& fixes_;
    std::map<std::string, Loaded> styleSheets_;
};

// Makes the site's block. Every error that belongs to this site (a recorded cut failure, a cut
// file that cannot be read, too large or too deeply nested to clean, a stylesheet that is
// refused, missing, malformed or fails, a block that cannot be read) comes back as the
// failure; nothing is raised. Sets the cleaner's per-site switch; the site's own documents live
// for this call only.
SiteOutcome MakeSiteBlock(const DisplaySite& site, BlockWorkshop& workshop);

} // namespace nimbrel
