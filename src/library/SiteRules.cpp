#include "library/SiteRules.h"

#include "components/MSXML2_TLB.h"
#include "library/NewSite.h"
#include "library/SelectionEntry.h"
#include "pipeline/HtmlRip.h"
#include "pipeline/LibraryDocument.h"
#include "pipeline/SiteFiles.h"
#include "pipeline/SiteWorkers.h"
#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/FolderLock.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <set>

namespace nimbrel {

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;

// The cutter passes over page files this short; so does the check.
constexpr uint64_t kShortestPage = 128;

std::string RulePath(const LibrarySite& site) {
    if (Trim(site.ripFile).empty() || !DataNameStaysInFolder(site.ripFile))
        throw Exception("The site names no rule file in the folder Rip.");
    return DataFile("\\Rip", site.ripFile);
}

MarkerSettings MarkerOf(const MarkerRule& rule) {
    return {rule.text, rule.include, StrToInt(rule.reverseLTags), StrToInt(rule.skipSimilar)};
}

RuleSettings SettingsOf(const CommandRules& rules) {
    RuleSettings settings;
    settings.start = MarkerOf(rules.start);
    settings.end = MarkerOf(rules.end);
    settings.specific = StrToInt(rules.specific);
    for (int i = 0; i < kRuleTableSize; ++i) {
        if (!rules.removeOpen[i].empty())
            settings.removals.push_back({rules.removeOpen[i], rules.removeClose[i]});
        if (!rules.replaceFind[i].empty())
            settings.replaces.push_back({rules.replaceFind[i], rules.replaceWith[i]});
    }
    settings.wrapOpen = rules.wrapOpen;
    settings.wrapClose = rules.wrapClose;
    return settings;
}

} // namespace

std::optional<LibrarySite> FindEntrySite(const std::string& entry) {
    XmlDocument library = XmlDocument::Create();
    library.setAsync(false);
    const LibraryLoad load = LoadWebPageLibrary(library);
    if (load.state != LibraryState::Loaded)
        throw Exception(load.message);
    const SelectionEntry parts = SplitSelectionEntry(entry);
    const XmlNode element = FindLibrarySite(library, parts.category, parts.site);
    if (!element)
        return std::nullopt;
    return LibrarySite{Trim(AttributeText(element, "Name")), Trim(AttributeText(element, "URL")),
                       LowerAscii(Trim(AttributeText(element, "Type"))),
                       Trim(AttributeText(element, "StyleSheet")),
                       Trim(AttributeText(element, "RipFile"))};
}

std::unique_ptr<PreviewPage> CurrentPage(const LibrarySite& site) {
    const std::string path = SitePagePath(site.url);
    if (!FileExists(path) || FileSize(path) < kShortestPage)
        return nullptr;
    return std::make_unique<PreviewPage>(ReadFileBytes(path), site.url);
}

RuleCheck CheckSiteRule(const LibrarySite& site) {
    RuleCheck check;
    try {
        const std::string rulePath = RulePath(site);
        if (!FileExists(rulePath))
            throw Exception("The rule file Rip/" + site.ripFile + " is missing.");
        const std::unique_ptr<PreviewPage> page = CurrentPage(site);
        if (!page)
            return check;
        SiteWorkers workers(1);
        const RulePreview preview =
            PreviewRuleText(*page, ReadFileBytes(rulePath), site.type, site.styleSheet, workers);
        if (!preview.problem.empty())
            throw Exception(preview.problem);
        check.items = static_cast<size_t>(
            std::count_if(preview.items.begin(), preview.items.end(),
                          [](const ShownItem& item) { return !item.link.empty(); }));
        check.state = check.items > 0 ? RuleCheck::State::Items : RuleCheck::State::FoundNothing;
    } catch (const Exception& error) {
        check.state = RuleCheck::State::Failed;
        check.reason = error.message();
    }
    return check;
}

RuleRepair ProposeRuleRepair(const LibrarySite& site) {
    RuleRepair repair;
    try {
        const std::optional<LastShown> shown = ReadLastShown(site.url);
        if (!shown || shown->links.empty()) {
            repair.problem = "The site's last digest showed no items to learn from.";
            return repair;
        }
        repair.remembered = shown->links.size();
        const std::unique_ptr<PreviewPage> page = CurrentPage(site);
        if (!page) {
            repair.problem = "The site has no page yet: download it first.";
            return repair;
        }
        repair.proposal = ProposeRuleFromLinks(*page, shown->links, site.styleSheet);
        if (!repair.proposal.found) {
            repair.problem = repair.proposal.problem;
            if (site.styleSheet != kPiecesStyleSheet)
                repair.problem += " New rules cut pieces for " + std::string(kPiecesStyleSheet) +
                                  ", and this site's stylesheet is " + site.styleSheet + ".";
            return repair;
        }
        const std::set<std::string> remembered(shown->links.begin(), shown->links.end());
        for (const ShownItem& item : repair.proposal.items)
            repair.recovered += remembered.count(item.link) > 0 ? 1 : 0;
    } catch (const Exception& error) {
        repair.problem = error.message();
    }
    return repair;
}

std::optional<RuleSettings> ReadRuleSettings(const std::string& ruleText) {
    XmlDocument rule = XmlDocument::Create();
    rule.loadXML(ruleText);
    if (!rule.parseError().reason.empty() || !rule.documentElement())
        return std::nullopt;
    const msxml::XmlNodeList commands = rule.selectNodes("/*/Command");
    const long count = commands.length();
    if ((count != 1 && count != 2) || rule.selectNodes("//Command").length() != count)
        return std::nullopt;
    try {
        std::vector<CommandRules> read;
        for (long i = 0; i < count; ++i)
            read.push_back(ReadCommandRules(commands.item(i)));
        if (std::any_of(read.begin(), read.end(),
                        [](const CommandRules& command) { return command.name != "append"; }))
            return std::nullopt;
        // The editor's title command comes first and cuts the page's <title>.
        const bool titled = count == 2 && LowerAscii(read.front().start.text) == "<title";
        if (count == 2 && !titled)
            return std::nullopt;
        RuleSettings settings = SettingsOf(read.back());
        settings.titleHeading = titled;
        return settings;
    } catch (const Exception&) {
        return std::nullopt;
    }
}

RuleEditing PrepareRuleEditing(const std::string& entry) {
    RuleEditing editing;
    try {
        const std::optional<LibrarySite> site = FindEntrySite(entry);
        if (!site) {
            editing.problem = "The library holds no site " + entry + ".";
            return editing;
        }
        editing.site = *site;
        if (site->type != "html") {
            editing.problem = entry + " is a feed: its items come as the feed gives them, and "
                                      "its shared rule is not edited here.";
            return editing;
        }
        const std::string rulePath = RulePath(*site);
        if (!FileExists(rulePath)) {
            editing.problem =
                "The rule file Rip/" + site->ripFile + " of " + entry + " is missing.";
            return editing;
        }
        const std::optional<RuleSettings> rule = ReadRuleSettings(ReadFileBytes(rulePath));
        if (!rule) {
            editing.problem = "The rule file Rip/" + site->ripFile + " of " + entry +
                              " has commands of its own that the rule editor does not write: "
                              "edit the file itself.";
            return editing;
        }
        editing.rule = *rule;
        const std::string pagePath = SitePagePath(site->url);
        if (!FileExists(pagePath) || FileSize(pagePath) < kShortestPage) {
            editing.problem = entry + " has no page yet: download it (Refresh) first, then edit "
                                      "its rule.";
            return editing;
        }
        editing.pageText = ReadFileBytes(pagePath);
    } catch (const Exception& error) {
        editing.problem = error.message();
    }
    return editing;
}

void ReplaceRuleFile(const LibrarySite& site, const RuleSettings& rule) {
    const std::string path = RulePath(site);
    const FolderLock lock = FolderLock::Take();
    if (FileExists(path))
        AtomicWriteFile(path + ".old", ReadFileBytes(path));
    AtomicWriteFile(path, RuleFileText(rule));
}

} // namespace nimbrel
