// --add-site --example, --check-rules and --repair-rule: rules made from examples, checked on
// the pages the sites have now, and repaired from what the sites' last good digests showed.
#include "DigestModes.h"

#include "components/HtmlSource.h"
#include "library/AddressLookup.h"
#include "library/ExampleRule.h"
#include "library/LibraryFile.h"
#include "library/NewSite.h"
#include "library/SelectionList.h"
#include "library/SiteRules.h"
#include "platform/Convert.h"
#include "platform/Dialogs.h"

#include <iostream>

namespace nimbrel::digest {

namespace {

// How many of the new rule's items are printed.
constexpr size_t kItemsPrinted = 3;

// The page's own title, else its host.
std::string PageName(const AddressLookup& page) {
    if (!page.pageTitle.empty())
        return page.pageTitle;
    const std::string host = html::HostOf(page.address);
    return host.empty() ? page.address : host;
}

void PrintItems(const std::vector<ShownItem>& items) {
    for (size_t i = 0; i < items.size() && i < kItemsPrinted; ++i)
        std::cout << "  " << items[i].title << "\n";
}

// The entries --check-rules looks at: those named with --site, else the selection's.
std::vector<std::string> EntriesToCheck(const DigestOptions& options) {
    if (!options.sites.empty())
        return options.sites;
    return LoadSetupNml().value_or(SelectionEntries{});
}

} // namespace

int RunAddSiteByExample(const DigestOptions& options) {
    return RunStep([&options] {
        const AddressLookup found = LookUpAddress(options.modeValue);
        if (found.kind == AddressLookup::Kind::Failed) {
            Dialogs().showError(found.message);
            return false;
        }
        if (found.kind == AddressLookup::Kind::Feed) {
            Dialogs().showError(
                found.address +
                " is a feed: add it without --example, its items come as they are.");
            return false;
        }
        const PreviewPage page(found.pageText, found.address);
        const RuleProposal proposal =
            ProposeRuleFromText(page, *options.example, kPiecesStyleSheet);
        if (!proposal.found) {
            Dialogs().showError("No rule made for " + found.address + ": " + proposal.problem);
            return false;
        }
        const std::string name = options.name.empty() ? PageName(found) : options.name;
        AddRuleSiteToLibraryAndSelection(options.category.value_or(kDefaultSiteCategory), name,
                                         found.address, proposal.rule, kPiecesStyleSheet);
        std::cout << "Added " << name << ": the rule finds "
                  << CountOf(proposal.itemsFound, "item", "items") << "\n";
        PrintItems(proposal.items);
        return true;
    });
}

int RunCheckRules(const DigestOptions& options) {
    bool nothingFound = false;
    const int status = RunStep([&] {
        for (const std::string& entry : EntriesToCheck(options)) {
            const std::optional<LibrarySite> site = FindEntrySite(entry);
            if (!site) {
                std::cout << entry << ": not in the library\n";
                nothingFound = true;
                continue;
            }
            const RuleCheck check = CheckSiteRule(*site);
            std::cout << entry << ": ";
            switch (check.state) {
            case RuleCheck::State::Items:
                std::cout << CountOf(check.items, "item", "items") << "\n";
                break;
            case RuleCheck::State::FoundNothing:
                std::cout << "rule found nothing\n";
                nothingFound = true;
                break;
            case RuleCheck::State::NoPage:
                std::cout << "no page yet\n";
                break;
            case RuleCheck::State::Failed:
                std::cout << "rule could not be used: " << check.reason << "\n";
                nothingFound = true;
                break;
            }
        }
        return true;
    });
    return status == kExitDone && nothingFound ? kExitError : status;
}

int RunRepairRule(const DigestOptions& options) {
    return RunStep([&options] {
        const std::optional<LibrarySite> site = FindEntrySite(options.modeValue);
        if (!site) {
            Dialogs().showError("No library site " + options.modeValue);
            return false;
        }
        const RuleRepair repair = ProposeRuleRepair(*site);
        if (!repair.proposal.found) {
            Dialogs().showError("The rule of " + options.modeValue +
                                " was not repaired: " + repair.problem);
            return false;
        }
        ReplaceRuleFile(*site, repair.proposal.rule);
        std::cout << "Repaired the rule of " << options.modeValue << " (the old one is Rip/"
                  << site->ripFile << ".old): it finds "
                  << CountOf(repair.proposal.itemsFound, "item", "items") << " and recovers "
                  << repair.recovered << " of the " << CountOf(repair.remembered, "link", "links")
                  << " the last digest showed.\n";
        PrintItems(repair.proposal.items);
        return true;
    });
}

} // namespace nimbrel::digest
