// Reading the selection back: every site element of setup.xml ("//site"), in document order.
// "<Error/>" cells hold no site, so entries that left the library drop out here.
#pragma once

#include "components/MSXML2_TLB.h"

#include <string>
#include <vector>

namespace nimbrel {

// One selected web page. Absent attributes read as "".
struct Site {
    std::string Name;       // label in the status grid
    std::string URL;        // address fetched; base of the page file stem
    std::string Type;       // "html", "addxmltags" or other, any letter case
    std::string StyleSheet; // file in the folder stylesheets
    std::string RipFile;    // file in the folder Rip
};

// The sites of an already loaded selection document.
std::vector<Site> SitesOf(const msxml::XmlDocument& selection);

struct SiteListLoad {
    std::vector<Site> sites;
    std::string parseError; // the parser's reason; empty when the file loaded well
};

// Loads the file through the XML engine. A missing or malformed file gives no sites and the
// parser's reason; nothing is raised for it.
SiteListLoad LoadSiteList(const std::string& path);

} // namespace nimbrel
