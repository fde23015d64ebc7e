// One site's part of the display step: its cut text cleaned, corrected by fix.dat, transformed
// by its stylesheet and made safe for the digest, its new items marked and the whole framed
// with the site's name, time and state; or, when the block cannot be made, the frame with the
// reason and the block the last digest showed.
#pragma once

#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/FixList.h"
#include "pipeline/SiteFiles.h"

#include <ctime>
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
    std::string type;    // lower case
    size_t position = 0; // its place in the selection, from 1

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
    std::string block;                  // the framed block the layout gets for the site
    std::optional<std::string> failure; // why the site's own block was not made
    std::string status;                 // the frame's status (ok, failed, never ...)
    size_t newItems = 0;                // items marked new
    std::optional<LastShown> shown;     // to remember once the digest is written; nothing:
                                        // the site's record stays as it is
};

// The display step's cleaner: the four fixed options set (output-xml, numeric-entities, indent
// 2, tab size 8). Raises nimbrel::Exception when the cleaner cannot be created.
std::unique_ptr<tidycom::TidyObject> MakeDisplayCleaner();

// The cut file at `path` cleaned as a site of this type is (lower case): as HTML for "html", as
// XML otherwise, wrapped in <xml> for "addxmltags". A missing file is an empty text. Raises
// nimbrel::Exception, naming the stage, when it cannot be read or cleaned.
std::string CleanCutFile(tidycom::TidyObject& cleaner, const std::string& type,
                         const std::string& path);

// What one worker needs to make blocks: a cleaner of its own with the fixed options set, the
// site stylesheets it has loaded this run (each file read and compiled once, however many
// sites use it) and fix.dat's pairs. Used by one thread at a time.
class BlockWorkshop {
  public:
    // Raises nimbrel::Exception when the cleaner cannot be created.
    explicit BlockWorkshop(std::vector<FixPair> fixes);

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
    std::vector<FixPair> fixes_;
    std::map<std::string, Loaded> styleSheets_;
};

// Makes the site's framed block; `now` is the digest's time. Every error that belongs to this
// site (a recorded cut failure, a cut file that cannot be read, too large to clean or that the
// cleaner fails on, a stylesheet that is refused, missing, malformed or fails, a block that
// cannot be read or is larger than limits::kBlockBytes, a fetch record that cannot be read)
// comes back as the failure, shown in the frame; nothing is raised but std::bad_alloc. The
// cleaned text is parsed without the parser's depth limit (a worker's memory limit bounds it).
// Reads the site's fetch record and what the last digest showed of it, writes nothing. Sets the
// cleaner's per-site switch; the site's own documents live for this call only. The framed block
// has been through the last pass (ActiveContent.h).
SiteOutcome MakeSiteBlock(const DisplaySite& site, BlockWorkshop& workshop, std::time_t now);

// The framed block of a site that failed for `reason`: the note above `before`'s block (what
// the last digest showed), which has been through the last pass; none when there is no
// `before`. Never raises but std::bad_alloc.
SiteOutcome FailedSiteOutcome(const DisplaySite& site, const std::string& reason, std::time_t now,
                              const std::optional<LastShown>& before);

} // namespace nimbrel
