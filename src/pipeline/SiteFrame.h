// The frame the digest puts around every site's block, whatever the site's stylesheet made of
// it: the site's name linked to its origin, when its page came, and a note when the last
// attempt at the site failed. The markup is documented for stylesheet authors in
// docs/digest-markup.md. Pure functions of their inputs, safe on any thread.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace nimbrel {

struct SiteFrame {
    std::string name;                 // the selection's Name
    std::string url;                  // the site's URL; the name links to its origin
    size_t position = 0;              // the site's place in the selection, from 1
    std::string status;               // ok, not-modified, broken, failed, deferred, stopped, never
    std::string note;                 // shown above the block; empty for none
    std::time_t fetched = 0;          // when the page shown came (UTC); 0 when none is shown
    std::optional<std::string> block; // the block shown, if any
};

// The frame's HTML: <div class="site-frame" id="site-N" data-site data-status data-fetched>,
// its head (name and "updated" time), the note, then the block as it is. Times read in local
// time; the date is added when the moment is not on the day of `now`.
std::string FrameHtml(const SiteFrame& frame, std::time_t now);

// The id of the frame of the site at this place in the selection ("site-3").
std::string SiteFrameId(size_t position);

// The note of a site whose last attempt failed: "Could not update at 14:05: timed out." and,
// when a page is shown, " Showing the page from 13:50."; a deferred site adds when it is tried
// again. `attempted` 0 leaves out the time of the attempt.
std::string FailureNote(std::time_t attempted, const std::string& reason, std::time_t showing,
                        std::time_t retryAfter, std::time_t now);

// The note of a site that has no page yet and was never downloaded.
extern const char* const kNotDownloadedNote;

// The origin of the site's URL ("https://host:port/"), where its name links; empty when the
// URL has no http or https host.
std::string SiteOrigin(const std::string& url);

} // namespace nimbrel
