#include "pipeline/SiteBlock.h"

#include "pipeline/BlockLinks.h"
#include "pipeline/BrokenRule.h"
#include "pipeline/ItemMarks.h"
#include "pipeline/PageBase.h"
#include "pipeline/PageName.h"
#include "pipeline/SiteFailure.h"
#include "pipeline/SiteFrame.h"
#include "pipeline/SiteRecord.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

#include <exception>

namespace nimbrel {

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;

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

std::string AttributeText(const XmlNode& element, const std::string& name) {
    const XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? Trim(attribute.text()) : std::string();
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

std::string Block(const DisplaySite& site, BlockWorkshop& workshop) {
    if (const auto cutFailure = RecordedCutFailure(site.url))
        throw SiteFailed{*cutFailure};
    XmlDocument document = XmlDocument::Create();
    // A text that does not parse leaves the document empty.
    document.loadXML(ApplyFixList(CleanedText(workshop.cleaner(), site), workshop.fixes()));
    const XmlDocument& sheet = Attempt(std::string(), [&]() -> const XmlDocument& {
        return workshop.styleSheet(site.styleSheet);
    });
    const std::string block = Attempt("The stylesheet " + site.styleSheet + " failed: ",
                                      [&] { return document.transformNode(sheet); });
    return Attempt("The block of the stylesheet " + site.styleSheet + " is unusable: ",
                   [&] { return ResolveBlockLinks(block, SiteLinkBase(site.url, site.type)); });
}

// The block, or why there is none.
struct MadeBlock {
    std::string block;
    std::optional<std::string> failure;
};

MadeBlock TryBlock(const DisplaySite& site, BlockWorkshop& workshop) {
    try {
        return {Block(site, workshop), std::nullopt};
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

DisplaySite ReadDisplaySite(const XmlNode& element) {
    return {AttributeText(element, "Name"), AttributeText(element, "URL"),
            AttributeText(element, "StyleSheet"), LowerAscii(AttributeText(element, "Type"))};
}

BlockWorkshop::BlockWorkshop(const std::vector<FixPair>& fixes)
    : cleaner_(tidycom::TidyObject::Create()), fixes_(fixes) {
    cleaner_->options().setSwitch(tidycom::kFirstFixedSwitch, true);
    cleaner_->options().setSwitch(tidycom::kSecondFixedSwitch, true);
    cleaner_->options().setValue(tidycom::kOptionSetToTwo, 2);
    cleaner_->options().setValue(tidycom::kOptionSetToEight, 8);
}

BlockWorkshop::Loaded BlockWorkshop::Load(const std::string& name) {
    Loaded loaded;
    if (name.empty()) {
        loaded.failure = "The selection names no stylesheet for this site";
    } else if (!DataNameStaysInFolder(name)) {
        loaded.failure = "The stylesheet \"" + name + "\" lies outside the folder stylesheets";
    } else {
        XmlDocument sheet = XmlDocument::Create();
        sheet.load(DataFile("\\stylesheets", name));
        if (sheet.parseError().reason.empty())
            loaded.sheet = std::move(sheet);
        else
            loaded.failure =
                "The stylesheet " + name + " does not load: " + sheet.parseError().reason;
    }
    return loaded;
}

const XmlDocument& BlockWorkshop::styleSheet(const std::string& name) {
    auto found = styleSheets_.find(name);
    if (found == styleSheets_.end())
        found = styleSheets_.emplace(name, Load(name)).first;
    if (!found->second.sheet)
        throw Exception(found->second.failure);
    return *found->second.sheet;
}

SiteOutcome MakeSiteBlock(const DisplaySite& site, BlockWorkshop& workshop, std::time_t now) {
    const SiteRecord fetch = ReadSiteRecord(site.url);
    const std::optional<ShownSite> before = ReadShownSite(site.url);
    MadeBlock made = TryBlock(site, workshop);
    SiteOutcome outcome;
    SiteFrame frame;
    frame.name = ShownName(site);
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
            // A page cut without a record of its download (placed by hand, or a folder from
            // before records were kept) is shown as any page that came.
            if (fetch.status == FetchStatus::Never)
                frame.status = FetchStatusName(FetchStatus::Ok);
            MarkedBlock marked = MarkNewItems(made.block, before ? &before->links : nullptr);
            const std::time_t pageTime =
                FileModifiedTime(DataFile("\\Sites", PageFileName(site.url)));
            if (RuleFoundNothing(fetch, marked.links.size(), before)) {
                // The record keeps the last good block.
                ShowBrokenRule(frame, fetch, *before, pageTime, now);
            } else {
                frame.block = std::move(marked.block);
                frame.fetched = fetch.fetched > 0 ? fetch.fetched : pageTime;
                outcome.newItems = marked.newItems;
                ShownSite shown{frame.fetched, std::move(marked.links), std::move(made.block)};
                if (!before || shown != *before)
                    outcome.shown = std::move(shown);
            }
        }
        if (frame.status != kBrokenStatus)
            frame.note = FetchNote(fetch, frame, now);
    }
    outcome.status = frame.status;
    outcome.block = FrameHtml(frame, now);
    return outcome;
}

} // namespace nimbrel
