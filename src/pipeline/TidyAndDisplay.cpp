#include "pipeline/TidyAndDisplay.h"

#include "app/ComponentChecks.h"
#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/BlockLinks.h"
#include "pipeline/FixList.h"
#include "pipeline/PageName.h"
#include "pipeline/Placeholders.h"
#include "pipeline/UpdateReminder.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"

#include <memory>

namespace nimbrel {

const char* const kSetupLoadErrorMessage = "Procudure Rip....[Error in setup.xml File]....";

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;
using tidycom::TidyObject;

// Each site column of the layout is this wide.
constexpr long kSiteColumnWidth = 308;

struct SiteEntry {
    std::string url;
    std::string styleSheet;
    std::string type; // lower case
};

std::string AttributeText(const XmlNode& element, const std::string& name) {
    const XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? Trim(attribute.text()) : std::string();
}

SiteEntry ReadSite(const XmlNode& element) {
    return {AttributeText(element, "URL"), AttributeText(element, "StyleSheet"),
            LowerAscii(AttributeText(element, "Type"))};
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

// A site whose page came back empty has no cut file: its text is empty, not an error.
std::string CleanedText(TidyObject& cleaner, const SiteEntry& site) {
    cleaner.options().setSwitch(tidycom::kPerSiteSwitch, site.type != "html");
    const std::string workFile = DataFile("\\Work", PageFileName(site.url));
    std::string text = FileExists(workFile) ? cleaner.cleanFile(workFile) : std::string();
    if (site.type == "addxmltags")
        text = "<xml>" + text + "</xml>";
    return text;
}

struct Documents {
    XmlDocument selection = XmlDocument::Create();
    XmlDocument layoutSheet = XmlDocument::Create();
    XmlDocument site = XmlDocument::Create();
    XmlDocument siteSheet = XmlDocument::Create();
};

std::string TransformedBlock(TidyObject& cleaner, const SiteEntry& site,
                             const std::vector<FixPair>& fixes, Documents& docs) {
    // A text that does not parse leaves the document empty.
    docs.site.loadXML(ApplyFixList(CleanedText(cleaner, site), fixes));
    const std::string sheetPath = DataNameStaysInFolder(site.styleSheet)
                                      ? DataFile("\\stylesheets", site.styleSheet)
                                      : ProgramFile("\\stylesheets");
    docs.siteSheet.load(sheetPath);
    return ResolveBlockLinks(docs.site.transformNode(docs.siteSheet), site.url);
}

std::string BuildLayout(TidyObject& cleaner, Documents& docs) {
    const auto sites = docs.selection.selectNodes("//site");
    SetLayoutWidth(docs.layoutSheet, sites.length());
    SetFixedOptions(cleaner);
    const std::string layout = docs.selection.transformNode(docs.layoutSheet);
    const std::vector<FixPair> fixes = LoadFixList(ProgramFile("\\fix.dat"));
    std::vector<SiteBlock> blocks;
    for (long i = 0; i < sites.length(); ++i) {
        const SiteEntry site = ReadSite(sites.item(i));
        blocks.push_back({site.url, TransformedBlock(cleaner, site, fixes, docs)});
    }
    return RemoveEngineDeclarations(PlaceBlocks(layout, blocks));
}

} // namespace

bool TidyAndDisplay(const std::string& selectionFileName, const DisplayContext& context) {
    RunUpdateReminder();
    std::unique_ptr<TidyObject> cleaner;
    try {
        cleaner = TidyObject::Create();
    } catch (const Exception&) {
        TidyError();
        return false;
    }
    Documents docs;
    if (!LoadOrReport(docs.selection, SelectionPath(selectionFileName)) ||
        !LoadOrReport(docs.layoutSheet, ProgramFile("\\setup.xslt")))
        return false;
    const std::string sitePage = ProgramFile("\\site.html");
    AtomicWriteFile(sitePage, BuildLayout(*cleaner, docs) + "\r\n");
    if (context.autoView)
        Shell().openInBrowser(sitePage);
    return true;
}

} // namespace nimbrel
