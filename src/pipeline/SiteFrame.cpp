#include "pipeline/SiteFrame.h"

#include "components/BlockLinks.h"
#include "components/HttpAddress.h"
#include "pipeline/SiteFiles.h"
#include "platform/Convert.h"
#include "platform/LocalTime.h"

namespace nimbrel {

const char* const kNotDownloadedNote = "Not downloaded yet.";

namespace {

std::string Attribute(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + EscapeHtml(value) + "\"";
}

std::string Head(const SiteFrame& frame, std::time_t now) {
    const std::string origin = SiteOrigin(frame.url);
    const std::string name = EscapeHtml(frame.name);
    std::string head = "<div class=\"site-frame-head\">";
    head += origin.empty()
                ? "<span class=\"site-frame-name\">" + name + "</span>"
                : "<a class=\"site-frame-name\"" + Attribute("href", origin) + ">" + name + "</a>";
    if (frame.fetched > 0)
        head += " <span class=\"site-frame-updated\">updated <time" +
                Attribute("datetime", FormatUtc(frame.fetched)) + ">" +
                ClockOrDateText(frame.fetched, now) + "</time></span>";
    return head + "</div>";
}

} // namespace

std::string SiteFrameId(size_t position) {
    return "site-" + std::to_string(position);
}

std::string SiteOrigin(const std::string& url) {
    return AddressOrigin(SiteBaseAddress(url));
}

std::string FailureNote(std::time_t attempted, const std::string& reason, std::time_t showing,
                        std::time_t retryAfter, std::time_t now) {
    std::string note = "Could not update";
    if (attempted > 0)
        note += " at " + ClockOrDateText(attempted, now);
    note += ": " + reason;
    if (!note.ends_with('.'))
        note += '.';
    if (showing > 0)
        note += " Showing the page from " + ClockOrDateText(showing, now) + ".";
    if (retryAfter > now)
        note += " Next try after " + ClockOrDateText(retryAfter, now) + ".";
    return note;
}

std::string FrameHtml(const SiteFrame& frame, std::time_t now) {
    const char* classes = frame.status == "failed"   ? "site-frame site-failure"
                          : frame.status == "broken" ? "site-frame site-broken"
                                                     : "site-frame";
    std::string html = "<div" + Attribute("class", classes) +
                       Attribute("id", SiteFrameId(frame.position)) +
                       Attribute("data-site", frame.name) + Attribute("data-status", frame.status) +
                       Attribute("data-fetched", FormatUtc(frame.fetched)) + ">" + Head(frame, now);
    if (!frame.note.empty())
        html += "<p class=\"site-frame-note\">" + EscapeHtml(frame.note) + "</p>";
    if (frame.block)
        html += *frame.block;
    return html + "</div>";
}

} // namespace nimbrel
