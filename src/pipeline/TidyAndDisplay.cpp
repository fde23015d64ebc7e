#include "pipeline/TidyAndDisplay.h"

#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/DigestSummary.h"
#include "pipeline/FixList.h"
#include "pipeline/Placeholders.h"
#include "pipeline/ShownSite.h"
#include "pipeline/SiteBlock.h"
#include "pipeline/UpdateReminder.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"

#include <ctime>
#include <memory>

namespace nimbrel {

const char* const kSetupLoadErrorMessage = "Procudure Rip....[Error in setup.xml File]....";

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;
using tidycom::TidyObject;

// Each site column of the layout is this wide.
constexpr long kSiteColumnWidth = 308;

std::string AttributeText(const XmlNode& element, const std::string& name) {
    const XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? Trim(attribute.text()) : std::string();
}

DisplaySite ReadSite(const XmlNode& element, size_t position) {
    return {AttributeText(element, "Name"), AttributeText(element, "URL"),
            AttributeText(element, "StyleSheet"), LowerAscii(AttributeText(element, "Type")),
            position};
}

std::string SelectionPath(const std::string& fileName) {
    return !fileName.empty() && fileName.front() == '/' ? fileName : ProgramFile(fileName);
}

// Loads the file; on a parser error shows the setup message with the reason and says so.
bool LoadOrReport(XmlDocument& document, const std::string& path) {
    document.load(path);
    const std::string& reason = document.parseError().reason;
    if (reason.empty())
        return true;
    Dialogs().showMessage(kSetupLoadErrorMessage + reason);
    return false;
}

// A layout stylesheet without a table keeps its own width; the run goes on.
void SetLayoutWidth(XmlDocument& layoutSheet, long siteCount) {
    const XmlNode table = layoutSheet.selectSingleNode("//table");
    if (!table)
        return;
    table.attributes().setNamedItem(
        layoutSheet.createAttribute("width", std::to_string(siteCount * kSiteColumnWidth)));
}

void SetFixedOptions(TidyObject& cleaner) {
    cleaner.options().setSwitch(tidycom::kFirstFixedSwitch, true);
    cleaner.options().setSwitch(tidycom::kSecondFixedSwitch, true);
    cleaner.options().setValue(tidycom::kOptionSetToTwo, 2);
    cleaner.options().setValue(tidycom::kOptionSetToEight, 8);
}

struct Layout {
    std::string text;
    // What the digest shows of each site, remembered once it is written, so that a digest that
    // was not written is not taken as seen.
    std::vector<std::pair<std::string, ShownSite>> shown;
};

Layout BuildLayout(TidyObject& cleaner, XmlDocument& selection, XmlDocument& layoutSheet,
                   DisplayReport& report, std::time_t now) {
    const auto sites = selection.selectNodes("//site");
    SetLayoutWidth(layoutSheet, sites.length());
    SetFixedOptions(cleaner);
    const std::string layout = selection.transformNode(layoutSheet);
    const std::vector<FixPair> fixes = LoadFixList(ProgramFile("\\fix.dat"));
    std::vector<SiteBlock> blocks;
    DigestTally tally;
    Layout result;
    for (long i = 0; i < sites.length(); ++i) {
        const DisplaySite site = ReadSite(sites.item(i), static_cast<size_t>(i) + 1);
        SiteOutcome outcome = MakeSiteBlock(site, cleaner, fixes, now);
        if (outcome.failure)
            report.failures.push_back({site.name.empty() ? site.url : site.name, *outcome.failure});
        if (tally.add(site.url, outcome.status, outcome.newItems) && outcome.shown)
            result.shown.emplace_back(site.url, std::move(*outcome.shown));
        blocks.push_back({site.url, std::move(outcome.block)});
    }
    std::string text = RemoveEngineDeclarations(PlaceBlocks(layout, blocks));
    result.text =
        blocks.empty() ? std::move(text) : PlaceSummary(text, DigestSummary(tally.counts(), now));
    return result;
}

} // namespace

DisplayReport TidyAndDisplay(const std::string& selectionFileName, const DisplayContext& context) {
    DisplayReport report;
    RunUpdateReminder(context.updatePageMayOpen);
    std::unique_ptr<TidyObject> cleaner;
    try {
        cleaner = TidyObject::Create();
    } catch (const Exception&) {
        report.cleanerMissing = true;
        return report;
    }
    XmlDocument selection = XmlDocument::Create();
    XmlDocument layoutSheet = XmlDocument::Create();
    if (!LoadOrReport(selection, SelectionPath(selectionFileName)) ||
        !LoadOrReport(layoutSheet, ProgramFile("\\setup.xslt")))
        return report;
    const std::string sitePage = ProgramFile("\\site.html");
    const Layout layout = BuildLayout(*cleaner, selection, layoutSheet, report, std::time(nullptr));
    AtomicWriteFile(sitePage, layout.text + "\r\n");
    report.written = true;
    RememberShownSites(layout.shown);
    if (context.autoView)
        Shell().openInBrowser(sitePage);
    return report;
}

} // namespace nimbrel
