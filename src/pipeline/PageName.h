// The names of a site's files in the program folder, all formed from the page file stem of its
// URL. Their formats and their one reader and writer each:
//   Sites/<stem>.dat       the page as downloaded: the last whole one (the fetch, app/SiteFetch)
//   Sites/<stem>.rec       the fetch record: validators, Retry-After, status, times (SiteRecord.h)
//   Sites/<stem>.dig       what the last digest showed of the site (LastShown.h)
//   Sites/<stem>.dig.next  the same, waiting until the digest that shows it is written
//   Work/<stem>.dat        the pieces the cut made of the page (Rip.h)
//   Work/<stem>.err        why the site's last cut failed (SiteFailure.h)
// The record and the shown block stay two files: the fetch writes the one as soon as the page
// lands and the display step the other only after site.html, each without reading the other's,
// and the small record is read for every site at every plan without the block's bytes.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// The stem of a site's page file and cut file, formed from its URL: every "/" becomes "___" and
// then every ":" becomes "..."; a URL without any "/" is used unchanged (so "host:8080" keeps
// its colon). The result never holds a "/", so the file stays inside its folder. A stem longer
// than limits::kPageStemBytes is shortened to that length: its head and a hash of the whole
// URL, so each URL keeps a name of its own and the page file's temporary name still fits.
std::string PageFileStem(std::string_view url);

// The page file stem followed by ".dat": the file name in both Sites and Work.
std::string PageFileName(std::string_view url);

std::string SitePagePath(std::string_view url);         // Sites/<stem>.dat
std::string SiteRecordPath(std::string_view url);       // Sites/<stem>.rec
std::string LastShownPath(std::string_view url);        // Sites/<stem>.dig
std::string WaitingLastShownPath(std::string_view url); // Sites/<stem>.dig.next
std::string SiteCutPath(std::string_view url);          // Work/<stem>.dat
std::string CutFailurePath(std::string_view url);       // Work/<stem>.err

} // namespace nimbrel
