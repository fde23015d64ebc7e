// How the status grid and the digest name the selected sites. A site goes by its Name; where
// another selected site has the same Name, by "Name (Category)": the category of the library
// (Categories.xml) that holds the site's entry, told by its URL.
#pragma once

#include "components/MSXML2_TLB.h"

#include <string>
#include <vector>

namespace nimbrel {

// One label per site element of the selection, in order, blanks trimmed; an absent Name gives
// "". A site of a shared Name that no category holds with that Name and URL, or that several
// categories hold so, keeps its Name; so do all when the library cannot be read.
std::vector<std::string> SiteLabels(const msxml::XmlNodeList& sites);

} // namespace nimbrel
