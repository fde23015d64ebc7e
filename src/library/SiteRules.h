// A library site's rule against the page the site has now (its page file in Sites, as the last
// download left it): checking how many items it finds, proposing a repair from what the site's
// last good digest showed, reading an editor-made rule back into its settings, and replacing
// the rule file (the old one kept beside it). Nothing here fetches. Used by nimbrel-digest
// --check-rules and --repair-rule and by the rule editor.
#pragma once

#include "library/ExampleRule.h"
#include "library/LibraryFile.h"
#include "library/RulePreview.h"

#include <memory>
#include <optional>
#include <string>

namespace nimbrel {

// The library site a selection entry names, as the selection finds it. Raises Exception when
// the library does not load; nothing when it holds no such site.
std::optional<LibrarySite> FindEntrySite(const std::string& entry);

// The site's page file as a page to try rules on (a scratch copy); nothing when the site has no
// page yet. Raises EInOutError when it cannot be read.
std::unique_ptr<PreviewPage> CurrentPage(const LibrarySite& site);

struct RuleCheck {
    enum class State {
        Items,        // the rule's block shows `items` items
        FoundNothing, // the page is there but the block shows no item
        NoPage,       // the site has no page yet
        Failed,       // the rule or stylesheet could not be used: `reason`
    };
    State state = State::NoPage;
    size_t items = 0;
    std::string reason;
};

// Cuts the site's page by its rule, cleans and transforms the cut as the display step does and
// counts the block's items (those with a link). Never raises; writes nothing in the program
// folder.
RuleCheck CheckSiteRule(const LibrarySite& site);

struct RuleRepair {
    RuleProposal proposal; // the new rule, when one was found
    size_t remembered = 0; // links the site's last good digest showed
    size_t recovered = 0;  // of those, links the new rule's block shows
    std::string problem;   // why there is no new rule
};

// A new rule for the site from the links its last good digest showed (its .dig record) that
// are still on its page, tried with the site's own stylesheet. Never raises.
RuleRepair ProposeRuleRepair(const LibrarySite& site);

// The rule's settings when the file is one the rule editor writes (one cutting command, after
// an optional one that keeps the page's title); nothing for any other rule.
std::optional<RuleSettings> ReadRuleSettings(const std::string& ruleText);

// What the rule editor needs to edit a library site's rule: the site, its rule's settings and
// the page it has now; or why it cannot (a feed, a rule the editor does not write, no page yet).
struct RuleEditing {
    LibrarySite site;
    RuleSettings rule;
    std::string pageText; // UTF-8, as the last download stored it
    std::string problem;  // empty when the rule can be edited
};
RuleEditing PrepareRuleEditing(const std::string& entry);

// Writes the rule in place of the site's rule file, the old one kept beside it as
// <RipFile>.old (replacing an older .old). Raises Exception when the site names no rule file in
// Rip, and EInOutError when a file cannot be written.
void ReplaceRuleFile(const LibrarySite& site, const RuleSettings& rule);

} // namespace nimbrel
