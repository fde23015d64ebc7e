#include "pipeline/Rip.h"

#include "components/MSXML2_TLB.h"
#include "pipeline/HtmlRip.h"
#include "pipeline/SiteFailure.h"
#include "pipeline/SiteFiles.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

namespace nimbrel {

using msxml::XmlDocument;
using msxml::XmlNode;

namespace {

constexpr uint64_t kBlockSize = 128;

// EInOutError codes that concern the folders, not one site: disk full, access denied, and
// file not found (a missing Work or Temp folder). They end the whole step.
bool EndsTheStep(const EInOutError& error) {
    return error.code() == 101 || error.code() == 5 || error.code() == 2;
}

std::string RuleFilePath(const std::string& ripFile) {
    return Trim(ripFile).empty() ? std::string() : DataFile("\\Rip", ripFile);
}

// Holds at least one whole block of 128 bytes; the file is opened as the cutter will open it,
// so a page that cannot be read ends the step here.
bool HoldsAWholeBlock(const std::string& pagePath) {
    TextReader page(pagePath);
    const uint64_t blocks = FileSize(pagePath) / kBlockSize;
    page.close();
    return blocks > 0;
}

void CutPage(const XmlNode& root, const std::string& pagePath, const std::string& cutPath) {
    const JoinedPage joined(pagePath);
    CutInto(root, joined, cutPath);
}

// A missing rule file is shown with the message it always had; the site fails, and the other
// sites are still cut.
void ReportMissingRules(const std::string& rulePath, const std::string& url,
                        const std::string& reason, RipProgress& progress) {
    progress.show(rulePath + " not found, the program will exit now!");
    RecordCutFailure(url, reason);
}

// Loads the site's rule file; nothing when it cannot be used, which is then recorded as the
// site's failure (and a rule file that does not load or is missing is shown, as ever).
bool LoadRules(const std::string& ripFile, const std::string& url, XmlDocument& ruleDocument,
               RipProgress& progress) {
    const std::string rulePath = RuleFilePath(ripFile);
    if (rulePath.empty()) {
        ReportMissingRules(rulePath, url, "The selection names no rule file for this site",
                           progress);
        return false;
    }
    if (!DataNameStaysInFolder(ripFile)) {
        RecordCutFailure(url, "The rule file \"" + ripFile + "\" lies outside the folder Rip");
        return false;
    }
    if (!FileExists(rulePath)) {
        ReportMissingRules(rulePath, url, "The rule file Rip/" + ripFile + " was not found",
                           progress);
        return false;
    }
    ruleDocument.load(rulePath);
    const std::string& reason = ruleDocument.parseError().reason;
    if (!reason.empty()) {
        progress.show(reason);
        RecordCutFailure(url, "The rule file " + ripFile + " does not load: " + reason);
        return false;
    }
    ClearCutFailure(url);
    return true;
}

void RipSite(const XmlNode& site, XmlDocument& ruleDocument, RipProgress& progress) {
    const auto attributes = site.attributes();
    const XmlNode ripFile = attributes.getNamedItem("RipFile");
    const XmlNode url = attributes.getNamedItem("URL");
    if (!ripFile || !url)
        return; // nothing to cut by or from: the entry keeps its old cut file
    if (!LoadRules(ripFile.text(), url.text(), ruleDocument, progress))
        return;
    // A declaration first stands where the command tree should begin: nothing is cut.
    const XmlNode root = ruleDocument.hasXmlDeclaration() ? XmlNode() : ruleDocument.firstChild();

    const std::string pagePath = SitePagePath(url.text());
    if (!FileExists(pagePath) || !HoldsAWholeBlock(pagePath))
        return;
    try {
        CutPage(root, pagePath, SiteCutPath(url.text()));
    } catch (const Exception& error) {
        const auto* fileError = dynamic_cast<const EInOutError*>(&error);
        if (fileError && EndsTheStep(*fileError))
            throw;
        RecordCutFailure(url.text(), "The rule file " + ripFile.text() +
                                         " could not cut the page: " + error.message());
    }
}

// Shows what it is told at once.
class NoProgress : public RipProgress {
  public:
    void sitesFound(const msxml::XmlNodeList&) override {}
    void siteDone(long) override {}
};

} // namespace

void RipProgress::show(const std::string& message) {
    Dialogs().showMessage(message);
}

bool Rip(RipProgress* progress) {
    XmlDocument selection = XmlDocument::Create();
    selection.load(ProgramFile("\\setup.xml"));
    return RipSelection(selection, progress);
}

bool RipSelection(const XmlDocument& selection, RipProgress* given) {
    NoProgress none;
    RipProgress& progress = given ? *given : none;
    if (!selection.parseError().reason.empty()) {
        progress.show("Procudure Rip....[Error in setup.xml File]...." +
                      selection.parseError().reason);
        return false;
    }
    XmlDocument ruleDocument = XmlDocument::Create();
    const auto sites = selection.selectNodes("//site");
    progress.sitesFound(sites);
    for (long i = 0; i < sites.length(); ++i) {
        progress.beforeSite(i);
        RipSite(sites.item(i), ruleDocument, progress);
        progress.siteDone(i);
    }
    return true;
}

} // namespace nimbrel
