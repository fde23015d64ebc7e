// The display step: cleans every selected site's cut text, transforms it with the site's
// stylesheet, places the blocks into the layout that setup.xslt makes from the selection,
// writes site.html and opens it in the browser when automatic display is on.
#pragma once

#include <string>

namespace nimbrel {

struct DisplayContext {
    bool autoView = true; // open site.html in the browser at the end of the run
};

// One run on the selection file (relative names are the program folder's). Returns true when
// site.html was rewritten. A cleaner that cannot be created runs TidyError; a selection or
// layout stylesheet that does not load shows its message; both end the run and return false.
// An error the XML engine or the cleaner raises while the sites are handled (a missing site
// stylesheet, say) goes back to the caller as nimbrel::Exception with the engine's text. In
// every case that does not return true, site.html keeps its old content.
bool TidyAndDisplay(const std::string& selectionFileName, const DisplayContext& context);

// The message shown when setup.xml or setup.xslt does not load, followed by the parser's
// reason.
extern const char* const kSetupLoadErrorMessage;

} // namespace nimbrel
