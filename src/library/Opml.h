// OPML, the outline format every feed reader imports and exports. Reading takes every outline
// with an xmlUrl (a feed) or a url (a page); writing makes OPML 2.0 with one folder per category.
// What only Nimbrel knows of a site (its Type, rule file and stylesheet) travels in attributes
// of the namespace kOpmlNamespace, which other readers pass over, so an exported selection
// imports again whole, pages with their rules included.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nimbrel {

inline constexpr const char* kOpmlNamespace = "https://nimbrel.example.org/ns/opml";
inline constexpr const char* kOpmlNamespacePrefix = "nimbrel";

struct OpmlSite {
    std::string name;       // the outline's title, else its text, else its address (TakenName)
    std::string url;        // xmlUrl, else url
    std::string category;   // the innermost enclosing outline's title or text, else the fallback
    std::string type;       // the library's Type: "rss" for a feed unless the outline says
    std::string styleSheet; // the library's StyleSheet and RipFile
    std::string ripFile;
    std::string problem; // why it cannot be imported; empty when it can
};

// Why an outline was not imported.
struct OpmlLeftOut {
    std::string name;
    std::string reason;
};

// Every site outline of the file in document order, each with its problem when it cannot be
// imported (an address other than http or https, a page without its rule file in Rip, a folder
// name that cannot be a category). Raises Exception (naming the file) when it cannot be read,
// does not parse, is not OPML or holds no outline with an address.
std::vector<OpmlSite> ReadOpmlSites(const std::string& path, const std::string& fallbackCategory);

struct OpmlImport {
    std::vector<std::string> added;    // selection entries of new library sites, in file order
    std::vector<std::string> selected; // entries of sites the library held, put in the selection
    size_t skipped = 0; // addresses the library and the selection held already (or twice here)
    std::vector<OpmlLeftOut> leftOut; // outlines not imported, in file order
};

// Adds every site whose address the library does not hold yet to Categories.xml and to the
// selection, and puts the library's own site in the selection for an address the library holds
// but the selection lacks, so running an import again finishes it. A name its category holds
// already gets " (2)", " (3)" ... The library, setup.nml and setup.xml are written as one step
// under the folder lock (FolderBusy while another run holds it); nothing is written when the
// file or the library is bad, or when nothing changes.
OpmlImport ImportOpml(const std::string& path, const std::string& fallbackCategory);

struct OpmlExport {
    size_t written = 0; // sites written
    size_t missing = 0; // selection entries the library does not hold (left out)
};

// Writes the selection (setup.nml, each entry looked up in the library) as OPML 2.0, atomically:
// one folder outline per category in order of first use; feeds as type "rss" with xmlUrl, pages
// (Type html or addxmltags) as type "link" with url; every site with its Type, RipFile and
// StyleSheet in the namespace kOpmlNamespace. Raises Exception when there is no selection.
OpmlExport ExportSelectionOpml(const std::string& path);

} // namespace nimbrel
