// Trying one library site: the download cycle's stages for that site alone (fetch, cut, clean,
// transform), with what each stage produced printed as it goes, so a rule author sees at once
// where a rule loses the page. The site's page and cut files are written as a cycle would;
// the selection, site.html and update.dat are left alone.
#pragma once

#include <ostream>
#include <string>

namespace nimbrel {

// Runs the library entry "Category->Site" of the program folder's Categories.xml, found as the
// selection finds it (FindLibrarySite), and writes the report to `out`. Returns 0 when the site's
// block was made, 1 when a stage failed or the library does not load (the report says which and
// why), 2 when the entry names no library site. Errors of the cutter or the engines are
// reported, not raised.
int RunSiteTrial(const std::string& entry, std::ostream& out);

} // namespace nimbrel
