// OPML, the outline format every feed reader imports and exports. Reading takes every outline
// with an xmlUrl; writing makes OPML 2.0 with one folder per category.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nimbrel {

struct OpmlFeed {
    std::string name;     // the outline's title, else its text, else its address
    std::string url;      // xmlUrl
    std::string category; // the innermost enclosing outline's title or text, else the fallback
};

// Every feed of the file in document order. Raises Exception (naming the file) when it cannot be
// read, does not parse, is not OPML or holds no outline with an xmlUrl.
std::vector<OpmlFeed> ReadOpmlFeeds(const std::string& path, const std::string& fallbackCategory);

struct OpmlImport {
    std::vector<std::string> added;    // selection entries, in file order
    size_t skipped = 0;                // addresses the library held already (or the file twice)
    std::vector<std::string> unusable; // why an address could not be added, one per feed
};

// Adds every feed whose address the library does not hold yet to Categories.xml (one atomic
// write) and to the selection (setup.nml and setup.xml). A name its category holds already gets
// " (2)", " (3)" ... Nothing is written when the file or the library is bad.
OpmlImport ImportOpml(const std::string& path, const std::string& fallbackCategory);

struct OpmlExport {
    size_t written = 0; // sites written
    size_t missing = 0; // selection entries the library does not hold (left out)
};

// Writes the selection (setup.nml, each entry looked up in the library) as OPML 2.0, atomically:
// one folder outline per category in order of first use; feeds as type "rss" with xmlUrl, pages
// of type html as type "link" with url. Raises Exception when there is no selection.
OpmlExport ExportSelectionOpml(const std::string& path);

} // namespace nimbrel
