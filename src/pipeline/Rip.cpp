#include "pipeline/Rip.h"

#include "components/MSXML2_TLB.h"
#include "pipeline/HtmlRip.h"
#include "pipeline/PageName.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

namespace nimbrel {

using msxml::XmlDocument;
using msxml::XmlNode;

namespace {

constexpr int kHaltExitCode = 3;
constexpr uint64_t kBlockSize = 128;

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
    RipOutput().open(cutPath);
    try {
        JoinLines(pagePath);
        RunCommandTree(root, pagePath);
    } catch (...) {
        RipOutput().closeAfterError();
        throw;
    }
    RipOutput().close();
}

void RipSite(const XmlNode& site, XmlDocument& ruleDocument) {
    const auto attributes = site.attributes();
    const XmlNode ripFile = attributes.getNamedItem("RipFile");
    const XmlNode url = attributes.getNamedItem("URL");
    if (!ripFile || !url)
        return; // nothing to cut by or from: the entry keeps its old cut file

    const std::string rulePath = RuleFilePath(ripFile.text());
    if (!FileExists(rulePath) || !DataNameStaysInFolder(ripFile.text())) {
        Dialogs().showMessage(rulePath + " not found, the program will exit now!");
        Halt(kHaltExitCode);
    }
    ruleDocument.load(rulePath);
    if (!ruleDocument.parseError().reason.empty()) {
        Dialogs().showMessage(ruleDocument.parseError().reason);
        return;
    }
    // A declaration first stands where the command tree should begin: nothing is cut.
    const XmlNode root = ruleDocument.hasXmlDeclaration() ? XmlNode() : ruleDocument.firstChild();

    // Page and cut file share the name built from the URL; it never holds a separator.
    const std::string fileName = PageFileName(url.text());
    const std::string pagePath = DataFile("\\Sites", fileName);
    if (!FileExists(pagePath) || !HoldsAWholeBlock(pagePath))
        return;
    CutPage(root, pagePath, DataFile("\\Work", fileName));
}

} // namespace

bool Rip() {
    XmlDocument selection = XmlDocument::Create();
    XmlDocument ruleDocument = XmlDocument::Create();
    selection.load(ProgramFile("\\setup.xml"));
    if (!selection.parseError().reason.empty()) {
        Dialogs().showMessage("Procudure Rip....[Error in setup.xml File]...." +
                              selection.parseError().reason);
        return false;
    }
    const auto sites = selection.selectNodes("//site");
    for (long i = 0; i < sites.length(); ++i)
        RipSite(sites.item(i), ruleDocument);
    return true;
}

} // namespace nimbrel
