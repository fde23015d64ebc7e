// Adding one site of the person's own to the library: a feed with the shipped feed rule and
// stylesheet, or a page with the rule written in the rule editor and a chosen stylesheet.
// Used by the New Site dialog and by nimbrel-digest --add-site.
#pragma once

#include "library/RuleFile.h"

#include <string>
#include <vector>

namespace nimbrel {

// The stylesheet pages cut by the rule editor start with: one item per piece.
inline constexpr const char* kPiecesStyleSheet = "pieces.xslt";

// The file names of the folder stylesheets (*.xsl, *.xslt), sorted; empty when it is missing.
std::vector<std::string> StyleSheetNames();

// The category names of Categories.xml in document order, each once; empty when it does not
// load.
std::vector<std::string> LibraryCategoryNames();

// Appends the feed's entry to Categories.xml and returns its selection entry. Raises Exception
// (nothing written) for a library that does not load, a name or category that cannot be used,
// a name the category holds, or another run holding the folder (FolderBusy).
std::string AddFeedToLibrary(const std::string& category, const std::string& name,
                             const std::string& url, const std::string& type);

// The same, and the entry appended to the selection (setup.nml, setup.xml), all three files
// written as one step.
std::string AddFeedToLibraryAndSelection(const std::string& category, const std::string& name,
                                         const std::string& url, const std::string& type);

// Writes the rule to a new file in Rip, then the page's entry (Type "html", the chosen
// stylesheet) to Categories.xml, and returns the selection entry. Everything is checked before
// the rule is written; should the entry still fail, the rule file is removed again.
std::string AddRuleSiteToLibrary(const std::string& category, const std::string& name,
                                 const std::string& url, const RuleSettings& rule,
                                 const std::string& styleSheet);

// The same, and the entry appended to the selection (setup.nml, setup.xml); the library and the
// selection are written as one step.
std::string AddRuleSiteToLibraryAndSelection(const std::string& category, const std::string& name,
                                             const std::string& url, const RuleSettings& rule,
                                             const std::string& styleSheet);

} // namespace nimbrel
