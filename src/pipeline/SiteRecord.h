// What is remembered of each site between cycles: the validators of its last good page, when it
// may be asked again, and how its last attempt went. One small text file beside the page file,
// Sites/<page file stem>.rec, one "key: value" line each (docs/site-record.md); keys a reader
// does not know are passed over, so older and newer programs read each other's records.
// The fetch writes it; the display reads it.
#pragma once

#include "pipeline/PageName.h"

#include <ctime>
#include <string>
#include <string_view>

namespace nimbrel {

// How the last attempt at a site's page went.
enum class FetchStatus {
    Never,       // no record: the site was never fetched
    Ok,          // a new page arrived and is the page file
    NotModified, // the server said the page file is still current
    Failed,      // no page came; the page file from before stays
    Deferred,    // the server asked not to be asked before retryAfter; the page file stays
    Stopped,     // stopped mid-page; the page file from before stays
};

struct SiteRecord {
    std::string etag;           // of the page file on disk, as the server sent it
    std::string lastModified;   // of the page file on disk, as the server sent it
    std::time_t retryAfter = 0; // no request before this moment (UTC); 0 for none
    FetchStatus status = FetchStatus::Never;
    std::string reason;        // why the last attempt failed or was deferred
    std::time_t attempted = 0; // when the last request was made (UTC); 0 for never
    std::time_t fetched = 0;   // when the page file on disk was downloaded (UTC); 0 for never

    bool operator==(const SiteRecord&) const = default;
};

// The site's record; an empty one when the file is missing, empty or garbled (values that do
// not read are left empty). The limits of writing hold for what is read too, whoever wrote the
// file: a retry-after at most limits::kLongestDeferralSeconds after `now`, validators of at most
// limits::kValidatorBytes. Raises nimbrel::Exception, naming the file, when something is there
// that cannot be read (a folder, a file without read permission): that fails the site alone.
SiteRecord ReadSiteRecord(std::string_view url, std::time_t now = std::time(nullptr));

// The record within those limits at `now`.
SiteRecord WithinLimits(SiteRecord record, std::time_t now);

// Replaces the site's record atomically; raises EInOutError when it cannot be written.
void WriteSiteRecord(std::string_view url, const SiteRecord& record);

// The record as its file holds it, and back.
std::string FormatSiteRecord(const SiteRecord& record);
SiteRecord ParseSiteRecord(std::string_view text);

// "ok", "not-modified", "failed", "deferred", "stopped"; empty for Never.
std::string FetchStatusName(FetchStatus status);

// A moment as ISO 8601 UTC text ("2024-05-01T12:34:56Z") and back; 0 when it does not read.
std::string FormatUtc(std::time_t moment);
std::time_t ParseUtc(std::string_view text);

} // namespace nimbrel
