#include "pipeline/SiteBlock.h"

#include "components/MSXML2_TLB.h"
#include "pipeline/BlockLinks.h"
#include "pipeline/ItemMarks.h"
#include "pipeline/PageName.h"
#include "pipeline/SiteFailure.h"
#include "pipeline/SiteFrame.h"
#include "pipeline/SiteRecord.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

#include <exception>

namespace nimbrel {

namespace {

using msxml::XmlDocument;

// Raised inside MakeSiteBlock with the reason the site shows.
struct SiteFailed {
    std::string reason;
};

template <class Step> auto Attempt(const std::string& context, Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const std::exception& error) {
        throw SiteFailed{context + error.what()};
    }
}

std::string CutFile(const DisplaySite& site) {
    return DataFile("\\Work", PageFileName(site.url));
}

// A site whose page came back empty has no cut file: its text is empty, not an error.
std::string CleanedText(tidycom::TidyObject& cleaner, const DisplaySite& site) {
    cleaner.options().setSwitch(tidycom::kPerSiteSwitch, site.type != "html");
    const std::string workFile = CutFile(site);
    std::string text =
        Attempt("The cut page cannot be cleaned: ", [&] { return cleaner.cleanFile(workFile); });
    if (site.type == "addxmltags")
        text = "<xml>" + text + "</xml>";
    return text;
}

XmlDocument LoadStyleSheet(const DisplaySite& site) {
    if (site.styleSheet.empty())
        throw SiteFailed{"The selection names no stylesheet for this site"};
    if (!DataNameStaysInFolder(site.styleSheet))
        throw SiteFailed{"The stylesheet \"" + site.styleSheet +
                         "\" lies outside the folder stylesheets"};
    XmlDocument sheet = XmlDocument::Create();
    sheet.load(DataFile("\\stylesheets", site.styleSheet));
    if (!sheet.parseError().reason.empty())
        throw SiteFailed{"The stylesheet " + site.styleSheet +
                         " does not load: " + sheet.parseError().reason};
    return sheet;
}

std::string Block(const DisplaySite& site, tidycom::TidyObject& cleaner,
                  const std::vector<FixPair>& fixes) {
    if (const auto cutFailure = RecordedCutFailure(site.url))
        throw SiteFailed{*cutFailure};
    XmlDocument document = XmlDocument::Create();
    // A text that does not parse leaves the document empty.
    document.loadXML(ApplyFixList(CleanedText(cleaner, site), fixes));
    const XmlDocument sheet = LoadStyleSheet(site);
    const std::string block = Attempt("The stylesheet " + site.styleSheet + " failed: ",
                                      [&] { return document.transformNode(sheet); });
    return Attempt("The block of the stylesheet " + site.styleSheet + " is unusable: ",
                   [&] { return ResolveBlockLinks(block, site.url); });
}

// The block, or why there is none.
struct MadeBlock {
    std::string block;
    std::optional<std::string> failure;
};

MadeBlock TryBlock(const DisplaySite& site, tidycom::TidyObject& cleaner,
                   const std::vector<FixPair>& fixes) {
    try {
        return {Block(site, cleaner, fixes), std::nullopt};
    } catch (const SiteFailed& failed) {
        return {std::string(), ConciseReason(failed.reason)};
    } catch (const std::exception& error) {
        return {std::string(), ConciseReason(error.what())};
    }
}

std::string StatusName(FetchStatus status) {
    return status == FetchStatus::Never ? "never" : FetchStatusName(status);
}

// The block the last digest showed, when there is one, with the time of its page.
void ShowLastDigest(SiteFrame& frame, const std::optional<ShownSite>& before) {
    if (!before || before->block.empty())
        return;
    frame.block = before->block;
    frame.fetched = before->fetched;
}

// The note of a site whose last download did not bring a page, or that has none at all.
std::string FetchNote(const SiteRecord& fetch, const SiteFrame& frame, std::time_t now) {
    const std::time_t showing = frame.block ? frame.fetched : 0;
    switch (fetch.status) {
    case FetchStatus::Failed:
        return FailureNote(fetch.attempted, fetch.reason.empty() ? "failed" : fetch.reason, showing,
                           0, now);
    case FetchStatus::Deferred:
        return FailureNote(fetch.attempted, fetch.reason.empty() ? "deferred" : fetch.reason,
                           showing, fetch.retryAfter, now);
    case FetchStatus::Stopped:
        return FailureNote(fetch.attempted, "stopped", showing, 0, now);
    case FetchStatus::Never:
        return frame.block ? std::string() : kNotDownloadedNote;
    default:
        return {};
    }
}

} // namespace

SiteOutcome MakeSiteBlock(const DisplaySite& site, tidycom::TidyObject& cleaner,
                          const std::vector<FixPair>& fixes, std::time_t now) {
    const SiteRecord fetch = ReadSiteRecord(site.url);
    const std::optional<ShownSite> before = ReadShownSite(site.url);
    MadeBlock made = TryBlock(site, cleaner, fixes);
    SiteOutcome outcome;
    SiteFrame frame;
    frame.name = site.name.empty() ? site.url : site.name;
    frame.url = site.url;
    frame.position = site.position;
    if (made.failure) {
        outcome.failure = made.failure;
        frame.status = "failed";
        ShowLastDigest(frame, before);
        frame.note = FailureNote(now, *made.failure, frame.block ? frame.fetched : 0, 0, now);
    } else {
        frame.status = StatusName(fetch.status);
        const bool pageCame =
            fetch.status == FetchStatus::Ok || fetch.status == FetchStatus::NotModified;
        if (!pageCame && !FileExists(CutFile(site))) {
            // Nothing of the site was ever cut: the stylesheet's output for no page is no block.
            ShowLastDigest(frame, before);
        } else {
            MarkedBlock marked = MarkNewItems(made.block, before ? &before->links : nullptr);
            frame.block = std::move(marked.block);
            frame.fetched = fetch.fetched > 0
                                ? fetch.fetched
                                : FileModifiedTime(DataFile("\\Sites", PageFileName(site.url)));
            outcome.newItems = marked.newItems;
            ShownSite shown{frame.fetched, std::move(marked.links), std::move(made.block)};
            if (!before || shown != *before)
                outcome.shown = std::move(shown);
        }
        frame.note = FetchNote(fetch, frame, now);
    }
    outcome.status = frame.status;
    outcome.block = FrameHtml(frame, now);
    return outcome;
}

} // namespace nimbrel
