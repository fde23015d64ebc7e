// The display step: cleans every selected site's cut text, transforms it with the site's
// stylesheet, frames each block with the site's name, time and state, places the blocks into
// the layout that setup.xslt makes from the selection under a summary line, writes site.html,
// remembers what it showed of each site and opens it in the browser when automatic display is
// on.
#pragma once

#include "pipeline/DigestSummary.h"
#include "pipeline/SiteFailure.h"

#include <ctime>
#include <string>
#include <vector>

namespace nimbrel {

class EarlyDisplay;

struct DisplayContext {
    bool autoView = true;          // open site.html in the browser at the end of the run
    bool updatePageMayOpen = true; // the update reminder may open its page in the browser
    // The step as begun while the cut ran, on the cycle's plan, which it then keeps; may be null.
    EarlyDisplay* early = nullptr;
    unsigned workers = 0;   // worker processes making the blocks; 0 for DisplayWorkerCount()
    std::time_t madeAt = 0; // the digest's time; 0 for the time the step begins
};

// A site whose rule found nothing in the page that came (BrokenRule.h).
struct BrokenRuleSite {
    std::string name;
    size_t position = 0; // its place in the selection, from 1
};

struct DisplayReport {
    bool written = false;              // site.html was rewritten
    bool cleanerMissing = false;       // the cleaner could not be created: the caller reports it
    std::vector<SiteFailure> failures; // sites whose block could not be made, in order
    std::vector<BrokenRuleSite> brokenRules; // in order
    // Of the page written: what its summary line counts, its sites with new items (page order,
    // each once) and its time.
    DigestCounts counts;
    std::vector<SiteNews> news;
    std::time_t madeAt = 0;
};

// One run on the selection file (relative names are the program folder's). A selection or
// layout stylesheet that does not load shows its message and ends the run; a cleaner that
// cannot be created ends it with cleanerMissing set (the caller runs the cleaner report). A
// site whose block cannot be made shows the reason in its frame (SiteBlock.h) and the run goes
// on. What the digest showed of each site (SiteFiles.h) is written only after site.html. An error
// that belongs to the whole run (the layout transform, site.html or update.dat that cannot be
// written) is raised as nimbrel::Exception. Whenever the report does not say written, site.html
// keeps its old content. The blocks are made by worker processes, one site at a time each, with
// their own time and memory limits (SiteWorkers.h), and site.html is written as they come, so
// memory holds a few blocks, never the page. Raises nimbrel::Exception when the worker program is
// not found.
DisplayReport TidyAndDisplay(const std::string& selectionFileName, const DisplayContext& context);

// The message shown when setup.xml or setup.xslt does not load, followed by the parser's
// reason.
extern const char* const kSetupLoadErrorMessage;

} // namespace nimbrel
