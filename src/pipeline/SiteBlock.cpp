#include "pipeline/SiteBlock.h"

#include "pipeline/BlockLinks.h"
#include "pipeline/PageName.h"
#include "pipeline/SiteFailure.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
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

std::string AttributeText(const XmlNode& element, const std::string& name) {
    const XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? Trim(attribute.text()) : std::string();
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
                   [&] { return ResolveBlockLinks(block, site.url); });
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

SiteOutcome MakeSiteBlock(const DisplaySite& site, BlockWorkshop& workshop) {
    try {
        return {Block(site, workshop), std::nullopt};
    } catch (const SiteFailed& failed) {
        return {std::string(), ConciseReason(failed.reason)};
    } catch (const std::exception& error) {
        return {std::string(), ConciseReason(error.what())};
    }
}

} // namespace nimbrel
