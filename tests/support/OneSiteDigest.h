// One download cycle's end for a single site, as the program runs it: the page is cut by the
// site's shipped rule file, then cleaned, transformed by its shipped stylesheet and laid out.
#pragma once

#include "support/TestSupport.h"

#include <string>

namespace nimbrel::test {

// The digest page (site.html) for the `site` element (URL, Type, RipFile and StyleSheet as in
// Categories.xml) whose download was `pageBytes`. The rule file, the stylesheet, the layout and
// fix.dat are copied from data/ into the folder.
std::string OneSiteDigest(const TempProgramFolder& folder, const std::string& siteElement,
                          const std::string& pageBytes);

} // namespace nimbrel::test
