// --add-site, --import-opml and --export-opml: sites of the person's own into the library and
// the selection, as the selection window's New Site dialog adds them, for scripts and servers.
#include "DigestModes.h"

#include "components/MSXML2_TLB.h"
#include "library/AddressLookup.h"
#include "library/LibraryFile.h"
#include "library/NewSite.h"
#include "library/Opml.h"
#include "library/SelectionEntry.h"
#include "pipeline/LibraryDocument.h"
#include "platform/Dialogs.h"

#include <iostream>

namespace nimbrel::digest {

namespace {

// A page that names feeds stands for its first one; anything else that is not a feed fails.
bool FollowToFeed(AddressLookup& found) {
    if (found.kind == AddressLookup::Kind::PageWithFeeds) {
        const std::string& first = found.links.front().url;
        if (found.linkCount > 1)
            std::cout << "The page names " << found.linkCount
                      << " feeds; adding the first: " << first << "\n";
        else
            std::cout << "The page names the feed " << first << "\n";
        found = LookUpAddress(first);
    }
    if (found.kind == AddressLookup::Kind::PageWithoutFeed) {
        Dialogs().showError("No feed found at " + found.address +
                            ": the page names none. Add it with New Site... in the selection "
                            "window, where a rule can be written for it.");
        return false;
    }
    if (found.kind == AddressLookup::Kind::PageWithFeeds) {
        Dialogs().showError("The feed link of the page leads to another page, not to a feed: " +
                            found.address);
        return false;
    }
    if (found.kind == AddressLookup::Kind::Failed) {
        Dialogs().showError(found.message);
        return false;
    }
    return true;
}

// The feed's own title, else the host of its address.
std::string FeedName(const AddressLookup& feed) {
    if (!feed.feed.title.empty())
        return TakenName(feed.feed.title);
    const size_t host = feed.address.find("://") + 3;
    return TakenName(feed.address.substr(host, feed.address.find('/', host) - host));
}

// The entry as setup.xml now holds it.
std::string SiteMarkup(const std::string& entry) {
    msxml::XmlDocument library = msxml::XmlDocument::Create();
    library.setAsync(false);
    LoadWebPageLibrary(library);
    const SelectionEntry parts = SplitSelectionEntry(entry);
    const msxml::XmlNode site = FindLibrarySite(library, parts.category, parts.site);
    return site ? site.xml() : std::string();
}

} // namespace

int RunAddSite(const DigestOptions& options) {
    return RunStep([&options] {
        AddressLookup found = LookUpAddress(options.modeValue);
        if (!FollowToFeed(found))
            return false;
        const std::string entry = AddFeedToLibraryAndSelection(
            options.category.value_or(kDefaultSiteCategory),
            options.name.empty() ? FeedName(found) : options.name, found.address, found.feed.type);
        std::cout << "Added " << entry << " to the library and the selection:\n"
                  << SiteMarkup(entry) << "\n";
        return true;
    });
}

int RunImportOpml(const DigestOptions& options) {
    return RunStep([&options] {
        const OpmlImport imported =
            ImportOpml(options.modeValue, options.category.value_or(kDefaultSiteCategory));
        std::cout << "Added " << imported.added.size() << " sites, skipped " << imported.skipped
                  << " already in the library.\n";
        for (const std::string& entry : imported.added)
            std::cout << "  " << entry << "\n";
        if (!imported.selected.empty())
            std::cout << "Put " << imported.selected.size()
                      << " sites the library held already into the selection.\n";
        for (const std::string& entry : imported.selected)
            std::cout << "  " << entry << "\n";
        for (const OpmlLeftOut& left : imported.leftOut)
            Dialogs().showMessage("Not added: " + left.name + ": " + left.reason);
        return true;
    });
}

int RunExportOpml(const DigestOptions& options) {
    return RunStep([&options] {
        const OpmlExport exported = ExportSelectionOpml(options.modeValue);
        std::cout << "Wrote " << exported.written << " sites of the selection to "
                  << options.modeValue;
        if (exported.missing > 0)
            std::cout << "; left out " << exported.missing << " entries the library does not hold";
        std::cout << ".\n";
        return true;
    });
}

} // namespace nimbrel::digest
