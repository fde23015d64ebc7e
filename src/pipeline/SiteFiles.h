// A site's files in the program folder: their names, all formed from the page file stem of the
// site's URL, what each holds, and its one reader and writer.
//   Sites/<stem>.dat       the page as downloaded: the last whole one (the fetch, app/SiteFetch)
//   Sites/<stem>.rec       the fetch record: validators, Retry-After, status, times
//   Sites/<stem>.dig       what the last digest showed of the site
//   Sites/<stem>.dig.next  the same, waiting until the digest that shows it is written
//   Work/<stem>.dat        the pieces the cut made of the page (Rip.h)
//   Work/<stem>.err        why the site's last cut failed
// The record and what was shown are "key: value" lines (docs/site-record.md,
// docs/digest-markup.md), read and written by one codec; a reader passes over keys it does not
// know, so older and newer programs read each other's files. They stay two files: the fetch
// writes the record as soon as the page lands and the display step the other only after
// site.html, each without reading the other's, and the small record is read for every site at
// every plan without the block's bytes.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// ---- Names ----------------------------------------------------------------------------------

// The stem of a site's page file and cut file, formed from its URL: every "/" becomes "___" and
// then every ":" becomes "..."; a URL without any "/" is used unchanged (so "host:8080" keeps
// its colon). The result never holds a "/", so the file stays inside its folder. A stem longer
// than limits::kPageStemBytes is shortened to that length: its head and a hash of the whole
// URL, so each URL keeps a name of its own and the page file's temporary name still fits.
std::string PageFileStem(std::string_view url);

// The page file stem followed by ".dat": the file name in both Sites and Work.
std::string PageFileName(std::string_view url);

std::string SitePagePath(std::string_view url);         // Sites/<stem>.dat
std::string SiteRecordPath(std::string_view url);       // Sites/<stem>.rec
std::string LastShownPath(std::string_view url);        // Sites/<stem>.dig
std::string WaitingLastShownPath(std::string_view url); // Sites/<stem>.dig.next
std::string SiteCutPath(std::string_view url);          // Work/<stem>.dat
std::string CutFailurePath(std::string_view url);       // Work/<stem>.err

// ---- The fetch record (.rec) ----------------------------------------------------------------
// What is remembered of each site between cycles: the validators of its last good page, when it
// may be asked again, and how its last attempt went. The fetch writes it; the display reads it.

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

// ---- What the last digest showed (.dig, .dig.next) ------------------------------------------
// For the next digest to tell what is new and to fall back on when the site's block cannot be
// made. The display step alone reads and writes it, and writes it only once the digest that
// showed the block has been written.

struct LastShown {
    std::time_t fetched = 0;        // when the page the block was made from came (UTC); 0 unknown
    std::vector<std::string> links; // the links of the block's items, in order
    std::string block;              // the block as made, before the new items were marked

    bool operator==(const LastShown&) const = default;
};

// The site's record; nothing when the site was never shown (no file, or one that cannot be
// read). Never raises.
std::optional<LastShown> ReadLastShown(std::string_view url);

// A record waits in a file of its own beside the site's record (".dig.next") until the digest
// that showed it is in place; the display step keeps only the names meanwhile. Raises
// EInOutError when it cannot be written. A block larger than limits::kKeptBlockBytes is not
// kept (the links are).
void WriteWaitingLastShown(std::string_view url, const LastShown& shown);
// Puts the waiting records of these sites in place of their records. Every one is tried; when
// any cannot be moved, it is removed and Exception raised naming how many and the first one's
// path and reason (those sites' items are marked new once more).
void KeepWaitingLastShown(const std::vector<std::string>& urls);
// The message of records that could not be kept or written: how many sites, and why.
std::string PendingRecordsLost(size_t sites, const std::string& reason);
// Removes the waiting records of a digest that was not written.
void DropWaitingLastShown(const std::vector<std::string>& urls);

// The record as its file holds it, and back: "key: value" lines (fetched, then one link line
// per link), an empty line, then the block.
std::string FormatLastShown(const LastShown& shown);
LastShown ParseLastShown(std::string_view text);

// ---- The cut failure note (.err) ------------------------------------------------------------
// The reason alone, as the cut gave it. Written when the site's cut fails, removed when its
// rule file loads again; the display step shows it in the site's frame.

void RecordCutFailure(std::string_view url, std::string_view reason);
void ClearCutFailure(std::string_view url);
// The recorded reason, or nothing when the last cut of the site did not fail (or the note is
// not a file). Raises EInOutError when a note is there that cannot be read.
std::optional<std::string> ReadCutFailureNote(std::string_view url);

} // namespace nimbrel
