// A rule from examples: the person points at one item of a page (its text as they see it), or
// the site's last digest does (the links it showed); the page's items of the same kind are
// found (PageItems.h), rules in the cutter's own terms are proposed for them
// (MarkerCandidates.h) and tried on the page (RuleTrial.h), and the best is run once more
// through the real cutter, cleaner and stylesheet, as a cycle would, before it is offered. The
// result is an ordinary rule (RuleFile.h). Used by nimbrel-digest --add-site --example and
// --repair-rule and by the rule editor's Suggest.
#pragma once

#include "library/BlockItems.h"
#include "library/RuleFile.h"
#include "library/RulePreview.h"

#include <string>
#include <vector>

namespace nimbrel {

struct RuleProposal {
    bool found = false;
    std::string problem; // why there is no rule, when none was found
    RuleSettings rule;
    std::vector<ShownItem> items; // what the block shows, in order (the first 15 at most)
    size_t itemsFound = 0;        // the items the rule finds on the page
};

// A rule whose pieces are the page's items of the kind of the one holding `exampleText`.
// `page` is the page as the cycle stores it; `styleSheet` the stylesheet its block is made
// with (normally the pieces stylesheet). Never raises.
RuleProposal ProposeRuleFromText(const PreviewPage& page, const std::string& exampleText,
                                 const std::string& styleSheet);

// A rule whose pieces are the page's items of the kind of those whose links are `links` (the
// links a site's last digest showed; those no longer on the page are passed over).
RuleProposal ProposeRuleFromLinks(const PreviewPage& page, const std::vector<std::string>& links,
                                  const std::string& styleSheet);

} // namespace nimbrel
