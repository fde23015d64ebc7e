#include "pipeline/TidyAndDisplay.h"

#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/BrokenRule.h"
#include "pipeline/DigestAssembly.h"
#include "pipeline/EarlyDisplay.h"
#include "pipeline/UpdateReminder.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"

#include <memory>

namespace nimbrel {

const char* const kSetupLoadErrorMessage = "Procudure Rip....[Error in setup.xml File]....";

namespace {

using msxml::XmlDocument;

std::string SelectionPath(const std::string& fileName) {
    return !fileName.empty() && fileName.front() == '/' ? fileName : ProgramFile(fileName);
}

// Each worker makes a cleaner of its own; this one only shows that a cleaner can be made.
bool CleanerCanBeCreated() {
    try {
        tidycom::TidyObject::Create();
        return true;
    } catch (const Exception&) {
        return false;
    }
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

std::unique_ptr<DigestAssembly> BeginAssembly(DigestPlan plan, const DisplayContext& context,
                                              const std::string& sitePage) {
    auto assembly = std::make_unique<DigestAssembly>(
        std::move(plan), context.workers ? context.workers : DisplayWorkerCount(), sitePage,
        context.madeAt);
    assembly->pool().releaseAll();
    return assembly;
}

std::vector<SiteFailure> FailuresOf(const std::vector<DisplaySite>& sites,
                                    const std::vector<SiteOutcome>& outcomes) {
    std::vector<SiteFailure> failures;
    for (size_t i = 0; i < outcomes.size(); ++i)
        if (outcomes[i].failure)
            failures.push_back({ShownName(sites[i]), *outcomes[i].failure});
    return failures;
}

std::vector<BrokenRuleSite> BrokenRulesOf(const std::vector<DisplaySite>& sites,
                                          const std::vector<SiteOutcome>& outcomes) {
    std::vector<BrokenRuleSite> broken;
    for (size_t i = 0; i < outcomes.size(); ++i)
        if (outcomes[i].status == kBrokenStatus)
            broken.push_back({ShownName(sites[i]), sites[i].position});
    return broken;
}

} // namespace

DisplayReport TidyAndDisplay(const std::string& selectionFileName, const DisplayContext& context) {
    DisplayReport report;
    RunUpdateReminder(context.updatePageMayOpen);
    if (!CleanerCanBeCreated()) {
        report.cleanerMissing = true;
        return report;
    }
    const std::string sitePage = ProgramFile("\\site.html");
    // The cycle's plan, as the cut began the page on it; else the selection as it stands now.
    std::unique_ptr<DigestAssembly> assembly = context.early ? context.early->take() : nullptr;
    if (!assembly) {
        XmlDocument selection = XmlDocument::Create();
        XmlDocument layoutSheet = XmlDocument::Create();
        if (!LoadOrReport(selection, SelectionPath(selectionFileName)) ||
            !LoadOrReport(layoutSheet, ProgramFile("\\setup.xslt")))
            return report;
        assembly = BeginAssembly(MakeDigestPlan(selection, layoutSheet), context, sitePage);
    }
    const std::vector<SiteOutcome> outcomes = assembly->finish();
    assembly->commit();
    report.written = true;
    report.failures = FailuresOf(assembly->plan().sites, outcomes);
    report.counts = assembly->counts();
    report.news = assembly->news();
    report.madeAt = assembly->madeAt();
    report.brokenRules = BrokenRulesOf(assembly->plan().sites, outcomes);
    if (context.autoView)
        Shell().openInBrowser(sitePage);
    return report;
}

} // namespace nimbrel
