#include "pipeline/SiteBlock.h"

#include "components/ActiveContent.h"
#include "components/BlockLinks.h"
#include "components/ItemMarks.h"
#include "pipeline/BrokenRule.h"
#include "pipeline/PageBase.h"
#include "pipeline/SiteFailure.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/SiteFrame.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

#include <exception>

namespace nimbrel {

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;

// Raised inside MakeSiteBlock with the reason the site shows.
struct BlockNotMade : std::exception {
    explicit BlockNotMade(std::string why) : reason(std::move(why)) {}
    const char* what() const noexcept override { return reason.c_str(); }
    std::string reason;
};

template <class Step> auto Attempt(const std::string& context, Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const BlockNotMade&) {
        throw;
    } catch (const std::exception& error) {
        throw BlockNotMade(context + error.what());
    }
}

std::string CutFile(const DisplaySite& site) {
    return SiteCutPath(site.url);
}

std::string AttributeText(const XmlNode& element, const std::string& name) {
    const XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? Trim(attribute.text()) : std::string();
}

std::string Block(const DisplaySite& site, BlockWorkshop& workshop) {
    if (const auto cutFailure = ReadCutFailureNote(site.url))
        throw BlockNotMade{*cutFailure};
    XmlDocument document = XmlDocument::Create();
    document.setUnlimitedParsing(true);
    // A text that does not parse leaves the document empty.
    const std::string cleaned = Attempt(
        std::string(), [&] { return CleanCutFile(workshop.cleaner(), site.type, CutFile(site)); });
    document.loadXML(ApplyFixList(cleaned, workshop.fixes()));
    const XmlDocument& sheet = Attempt(std::string(), [&]() -> const XmlDocument& {
        return workshop.styleSheet(site.styleSheet);
    });
    const std::string block = Attempt("The stylesheet " + site.styleSheet + " failed: ",
                                      [&] { return document.transformNode(sheet); });
    return Attempt("The block of the stylesheet " + site.styleSheet + " is unusable: ",
                   [&] { return ResolveBlockLinks(block, SiteLinkBase(site.url, site.type)); });
}

std::string StatusName(FetchStatus status) {
    return status == FetchStatus::Never ? "never" : FetchStatusName(status);
}

// The block the last digest showed, when there is one, with the time of its page.
void ShowLastDigest(SiteFrame& frame, const std::optional<LastShown>& before) {
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

std::unique_ptr<tidycom::TidyObject> MakeDisplayCleaner() {
    std::unique_ptr<tidycom::TidyObject> cleaner = tidycom::TidyObject::Create();
    cleaner->options().setSwitch(tidycom::kFirstFixedSwitch, true);
    cleaner->options().setSwitch(tidycom::kSecondFixedSwitch, true);
    cleaner->options().setValue(tidycom::kOptionSetToTwo, 2);
    cleaner->options().setValue(tidycom::kOptionSetToEight, 8);
    return cleaner;
}

std::string CleanCutFile(tidycom::TidyObject& cleaner, const std::string& type,
                         const std::string& path) {
    cleaner.options().setSwitch(tidycom::kPerSiteSwitch, type != "html");
    std::string text;
    try {
        text = cleaner.cleanFile(path);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        throw Exception(std::string("The cut page cannot be cleaned: ") + error.what());
    }
    if (type == "addxmltags")
        text = "<xml>" + text + "</xml>";
    return text;
}

BlockWorkshop::BlockWorkshop(std::vector<FixPair> fixes)
    : cleaner_(MakeDisplayCleaner()), fixes_(std::move(fixes)) {}

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

namespace {

SiteFrame FrameOf(const DisplaySite& site) {
    SiteFrame frame;
    frame.name = ShownName(site);
    frame.url = site.url;
    frame.position = site.position;
    return frame;
}

// The frame of a site whose block was made.
SiteOutcome MadeSiteOutcome(const DisplaySite& site, std::string block, std::time_t now,
                            const std::optional<LastShown>& before) {
    const SiteRecord fetch = ReadSiteRecord(site.url);
    SiteOutcome outcome;
    SiteFrame frame = FrameOf(site);
    frame.status = StatusName(fetch.status);
    const bool pageCame =
        fetch.status == FetchStatus::Ok || fetch.status == FetchStatus::NotModified;
    const bool showsItsPage = pageCame || FileExists(CutFile(site));
    const std::time_t pageTime = FileModifiedTime(SitePagePath(site.url));
    if (!showsItsPage) {
        // Nothing of the site was ever cut: the stylesheet's output for no page is no block.
        ShowLastDigest(frame, before);
    } else {
        // A page cut without a record of its download (placed by hand, or a folder from
        // before records were kept) is shown as any page that came.
        if (fetch.status == FetchStatus::Never)
            frame.status = FetchStatusName(FetchStatus::Ok);
        frame.block = block;
        frame.fetched = fetch.fetched > 0 ? fetch.fetched : pageTime;
    }
    frame.note = FetchNote(fetch, frame, now);
    // The last pass and the marks of the new items take one reading of the framed block.
    MarkedBlock framed = MarkNewItemsWithoutActiveContent(
        FrameHtml(frame, now), showsItsPage && before ? &before->links : nullptr);
    const bool broken = showsItsPage && RuleFoundNothing(fetch, framed.links.size(), before);
    if (broken) {
        // The record keeps the last good block.
        ShowBrokenRule(frame, fetch, *before, pageTime, now);
        framed = MarkNewItemsWithoutActiveContent(FrameHtml(frame, now), nullptr);
    }
    if (framed.block.size() > limits::kBlockBytes)
        throw BlockNotMade{"The block is larger than " + std::to_string(limits::kBlockBytes >> 20) +
                           " MiB"};
    outcome.status = frame.status;
    outcome.block = std::move(framed.block);
    if (showsItsPage && !broken) {
        outcome.newItems = framed.newItems;
        LastShown shown{frame.fetched, std::move(framed.links), std::move(block)};
        if (!before || shown != *before)
            outcome.shown = std::move(shown);
    }
    return outcome;
}

std::string ReasonOf(const std::exception& error) {
    return ConciseReason(error.what());
}

} // namespace

SiteOutcome FailedSiteOutcome(const DisplaySite& site, const std::string& reason, std::time_t now,
                              const std::optional<LastShown>& before) {
    SiteOutcome outcome;
    outcome.failure = reason;
    outcome.status = "failed";
    SiteFrame frame = FrameOf(site);
    frame.status = outcome.status;
    ShowLastDigest(frame, before);
    frame.note = FailureNote(now, reason, frame.block ? frame.fetched : 0, 0, now);
    outcome.block = FrameHtml(frame, now);
    // The frame's own markup holds nothing to remove; a kept block may.
    if (frame.block)
        outcome.block = WithoutActiveContent(outcome.block);
    return outcome;
}

SiteOutcome MakeSiteBlock(const DisplaySite& site, BlockWorkshop& workshop, std::time_t now) {
    const std::optional<LastShown> before = ReadLastShown(site.url);
    try {
        return MadeSiteOutcome(site, Block(site, workshop), now, before);
    } catch (const BlockNotMade& failed) {
        return FailedSiteOutcome(site, ConciseReason(failed.reason), now, before);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        return FailedSiteOutcome(site, ReasonOf(error), now, before);
    }
}

} // namespace nimbrel
