// One site's turn in a download cycle, on both sides of the transfer: what is asked of its
// server (a conditional request while its page file exists; nothing while the server's
// Retry-After has not passed), and what the answer leaves behind (the page file, the site's
// record, the row's status and tooltip). The transfer itself is the caller's.
#pragma once

#include "components/HttpFetch.h"
#include "platform/AtomicFile.h"

#include <ctime>
#include <string>
#include <string_view>

namespace nimbrel {

struct SiteFetchPlan {
    bool deferred = false; // not to be asked now: `status` says until when
    std::string status;    // the row's status when deferred
    HttpRequest request;   // otherwise: address, agent and validators (no sink yet)
};

// Decides a site's request at `now` from its record and its page file. Raises
// nimbrel::Exception when the record is there but cannot be read (ReadSiteRecord).
SiteFetchPlan PlanSiteFetch(const std::string& url, std::time_t now);

struct SiteFetchOutcome {
    std::string status; // the row's end status: "Complete", "Not modified", "Stopped",
                        // "Deferred: retry after ...", "Failed: <one reason>"
    std::string tip;    // the whole story for the row's tooltip; empty when there is none
};

// Settles a site's transfer that has ended (a sink error is the caller's): a new page is
// committed over the page file and brought to UTF-8; any other answer keeps the page file from
// before. The site's record is brought up to date. Raises EInOutError when a file cannot be
// written.
SiteFetchOutcome FinishSiteFetch(const std::string& url, const HttpResult& result, AtomicFile& page,
                                 std::time_t now);

// "Deferred: retry after " and the moment in local time, to the second when it is today.
std::string DeferredStatus(std::time_t retryAfter, std::time_t now);

} // namespace nimbrel
