// The name under which a site's page is stored (folder Sites) and cut (folder Work).
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

} // namespace nimbrel
