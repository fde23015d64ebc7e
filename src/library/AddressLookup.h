// Finding what an address the person typed holds: fetched through the cycle's HTTP layer (same
// agent, limits and time-outs), then told apart by content (FeedDiscovery.h). Blocking: the
// dialog runs it on a worker thread and nimbrel-digest on its main thread.
#pragma once

#include "library/FeedDiscovery.h"

#include <atomic>
#include <string>
#include <vector>

namespace nimbrel {

struct AddressLookup {
    enum class Kind {
        Feed,            // `feed` describes it
        PageWithFeeds,   // an HTML page naming the feeds in `links`
        PageWithoutFeed, // an HTML page naming none: a rule must be written for it
        Failed,          // `message` says why (unreachable, neither feed nor page, cancelled)
    };
    Kind kind = Kind::Failed;
    std::string message;
    bool cancelled = false;
    std::string address;  // what was fetched: the typed address with a scheme
    std::string finalUrl; // where redirects ended: the base of the page's relative links
    FeedHead feed;
    std::vector<FeedLink> links; // the first kListedFeedLinks feeds the page names
    size_t linkCount = 0;        // how many it names in all
    std::string pageText;        // the page as UTF-8, as the cycle stores it (pages only)
    std::string pageTitle;       // the page's <title> (pages only)
};

// Why the typed address cannot be fetched or named a site, or "" when it can: empty, blanks
// inside, a scheme other than http and https.
std::string AddressProblem(const std::string& address);

// The address as it is fetched and kept in the library: trimmed, "http://" added when it
// names no scheme.
std::string SiteAddress(const std::string& typed);

// Fetches the address and tells what it holds. Never raises; setting `*cancel` ends it soon
// with a Failed result marked cancelled.
AddressLookup LookUpAddress(const std::string& typed, const std::atomic<bool>* cancel = nullptr);

} // namespace nimbrel
