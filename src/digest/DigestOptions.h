// The command line of nimbrel-digest. Scripts rely on these options and on the exit statuses
// (0 ran to its end, 1 an error ended it, 2 usage error, 3 the program would have ended at once).
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace nimbrel::digest {

enum class DigestMode {
    FullCycle,   // fetch, cut and display, as one download cycle
    RipOnly,     // --rip-only: the cutting step alone
    DisplayOnly, // --display-only: the display step alone
    AddSite,     // --add-site URL: a feed (or a page's feed) into the library and the selection
    ImportOpml,  // --import-opml FILE: every feed of an OPML file, likewise
    ExportOpml,  // --export-opml FILE: the selection as OPML 2.0
    CheckRules,  // --check-rules: every selected site's rule on the page it has, nothing fetched
    RepairRule,  // --repair-rule "Category->Site": a new rule from the site's last good digest
};

struct DigestOptions {
    std::string folder; // --folder DIR; empty for the current directory
    DigestMode mode = DigestMode::FullCycle;
    std::string modeOption;              // the option that chose the mode, for usage errors
    std::string modeValue;               // its value: the URL, the OPML file or the entry
    std::string name;                    // --name NAME (--add-site)
    std::optional<std::string> example;  // --example TEXT (--add-site): a rule from one item
    std::optional<std::string> category; // --category CAT (--add-site, --import-opml)
    std::optional<bool> open;            // --open / --no-open: automatic display for this run only
    bool quiet = false;                  // --quiet: no progress lines
    int waitSeconds = 60; // --wait SECONDS: how long to wait for another run on the folder
    std::vector<std::string> sites; // --site "Category->Site", repeatable, in the order given
    bool help = false;              // --help / -h
    bool version = false;           // --version
};

// A command line that cannot be run; what() says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

DigestOptions ParseDigestOptions(int argc, const char* const* argv);

extern const char* const kDigestUsage;

// Exit statuses.
constexpr int kExitDone = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitHalted = 3;

} // namespace nimbrel::digest
