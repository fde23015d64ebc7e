#include "pipeline/SiteBlock.h"

#include "components/MSXML2_TLB.h"
#include "pipeline/BlockLinks.h"
#include "pipeline/PageName.h"
#include "pipeline/SiteFailure.h"
#include "platform/Errors.h"
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

// A site whose page came back empty has no cut file: its text is empty, not an error.
std::string CleanedText(tidycom::TidyObject& cleaner, const DisplaySite& site) {
    cleaner.options().setSwitch(tidycom::kPerSiteSwitch, site.type != "html");
    const std::string workFile = DataFile("\\Work", PageFileName(site.url));
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

} // namespace

SiteOutcome MakeSiteBlock(const DisplaySite& site, tidycom::TidyObject& cleaner,
                          const std::vector<FixPair>& fixes) {
    try {
        return {Block(site, cleaner, fixes), std::nullopt};
    } catch (const SiteFailed& failed) {
        return {std::string(), ConciseReason(failed.reason)};
    } catch (const std::exception& error) {
        return {std::string(), ConciseReason(error.what())};
    }
}

} // namespace nimbrel
