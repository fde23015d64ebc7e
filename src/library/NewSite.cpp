#include "library/NewSite.h"

#include "components/MSXML2_TLB.h"
#include "library/LibraryFile.h"
#include "pipeline/LibraryDocument.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/FolderLock.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace nimbrel {

namespace {

bool IsStyleSheetName(const std::string& name) {
    const std::string lowered = LowerAscii(name);
    for (const std::string extension : {".xsl", ".xslt"})
        if (lowered.size() > extension.size() &&
            lowered.compare(lowered.size() - extension.size(), extension.size(), extension) == 0)
            return true;
    return false;
}

} // namespace

std::vector<std::string> StyleSheetNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(ProgramFile("\\stylesheets"), ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(ec) && IsStyleSheetName(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> LibraryCategoryNames() {
    msxml::XmlDocument library = msxml::XmlDocument::Create();
    library.setAsync(false);
    std::vector<std::string> names;
    if (LoadWebPageLibrary(library).state != LibraryState::Loaded)
        return names;
    for (const LibraryCategory& category : ReadLibraryTree(library))
        if (std::find(names.begin(), names.end(), category.name) == names.end())
            names.push_back(category.name);
    return names;
}

std::string AddFeedToLibrary(const std::string& category, const std::string& name,
                             const std::string& url, const std::string& type) {
    const FolderLock lock = FolderLock::Take();
    LibraryFile library;
    const std::string entry = library.AddSite(category, FeedSite(name, url, type));
    library.Save();
    return entry;
}

std::string AddFeedToLibraryAndSelection(const std::string& category, const std::string& name,
                                         const std::string& url, const std::string& type) {
    const FolderLock lock = FolderLock::Take();
    LibraryFile library;
    const std::string entry = library.AddSite(category, FeedSite(name, url, type));
    SelectionEntries entries = LoadSetupNml().value_or(SelectionEntries{});
    entries.push_back(entry);
    SaveLibraryAndSelection(library, entries);
    return entry;
}

namespace {

// The page's rule written to a new file in Rip and its entry added to the library; `save`
// writes what has to be written. Should that fail, the rule file is removed again.
std::string AddRuleSite(const std::string& category, const std::string& name,
                        const std::string& url, const RuleSettings& rule,
                        const std::string& styleSheet,
                        const std::function<void(const LibraryFile&, const std::string&)>& save) {
    if (!DataNameStaysInFolder(styleSheet) || !FileExists(DataFile("\\stylesheets", styleSheet)))
        throw Exception("The stylesheet \"" + styleSheet +
                        "\" is not in the folder stylesheets: choose one that is.");
    const FolderLock lock = FolderLock::Take();
    LibraryFile library;
    library.CheckNewSite(category, name);
    const LibrarySite site{name, url, "html", styleSheet, SaveNewRuleFile(name, rule)};
    try {
        const std::string entry = library.AddSite(category, site);
        save(library, entry);
        return entry;
    } catch (...) {
        DeleteFileQuietly(DataFile("\\Rip", site.ripFile));
        throw;
    }
}

} // namespace

std::string AddRuleSiteToLibrary(const std::string& category, const std::string& name,
                                 const std::string& url, const RuleSettings& rule,
                                 const std::string& styleSheet) {
    return AddRuleSite(category, name, url, rule, styleSheet,
                       [](const LibraryFile& library, const std::string&) { library.Save(); });
}

std::string AddRuleSiteToLibraryAndSelection(const std::string& category, const std::string& name,
                                             const std::string& url, const RuleSettings& rule,
                                             const std::string& styleSheet) {
    return AddRuleSite(category, name, url, rule, styleSheet,
                       [](const LibraryFile& library, const std::string& entry) {
                           SelectionEntries entries = LoadSetupNml().value_or(SelectionEntries{});
                           entries.push_back(entry);
                           SaveLibraryAndSelection(library, entries);
                       });
}

} // namespace nimbrel
