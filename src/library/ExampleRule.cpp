#include "library/ExampleRule.h"

#include "library/MarkerCandidates.h"
#include "library/PageItems.h"
#include "library/ReaderText.h"
#include "library/RuleTrial.h"
#include "pipeline/SiteWorkers.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <tuple>

namespace nimbrel {

namespace {

// How many kinds of item around the examples are tried, and how many of the best rules for one
// kind are run through the real cleaner and stylesheet before the next kind is tried.
constexpr size_t kItemSetsTried = 4;
constexpr size_t kRulesVerified = 5;
// A rule is offered only when its pieces are mostly the items (TrialOutcome::score).
constexpr double kLeastScore = 0.5;
// A rule for the first kind of item that scores this well ends the search.
constexpr double kGoodScore = 0.9;
// The block shows this many items; they are what the real run must agree on.
constexpr size_t kShownItems = 15;
constexpr double kAgreement = 0.9;
// Items a rule is judged on, at most.
constexpr size_t kMostItemsJudged = 100;
// Examples taken from many links: a few spread over the page are enough to find their kind.
constexpr size_t kMostAnchors = 12;

std::string JoinedPageText(const PreviewPage& page) {
    std::string text = ReadFileBytes(page.pagePath());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

struct Tried {
    RuleSettings rule;
    TrialOutcome outcome;
};

// Best first: the score, then a piece titled as the example, then an end marker that counts
// no occurrences (a count breaks when an item gains or loses an element), then the larger
// piece.
bool Better(const Tried& a, const Tried& b) {
    const auto key = [](const Tried& t) {
        return std::make_tuple(std::round(t.outcome.score() * 1e6), t.outcome.titleAsExample,
                               t.rule.end.skip == 0, t.outcome.examplePieceBytes);
    };
    return key(a) > key(b);
}

// On a page of very many items, rules are judged on the stretch of them around the example,
// so a search costs the same on a long archive as on a front page.
ItemSet AroundTheExample(const ItemSet& set) {
    if (set.items.size() <= kMostItemsJudged)
        return set;
    const size_t first = std::min(set.example - std::min(set.example, kMostItemsJudged / 2),
                                  set.items.size() - kMostItemsJudged);
    ItemSet judged = set;
    judged.items.assign(set.items.begin() + static_cast<long>(first),
                        set.items.begin() + static_cast<long>(first + kMostItemsJudged));
    judged.example = set.example - first;
    return judged;
}

// The real run shows the page's first items, as the trial said the rule cuts them.
bool Agrees(const RulePreview& preview, const ItemSet& set) {
    if (!preview.problem.empty())
        return false;
    const size_t expected = std::min(kShownItems, set.items.size());
    std::set<std::string> shown;
    for (const ShownItem& item : preview.items)
        shown.insert(item.link);
    size_t agreeing = 0;
    for (size_t i = 0; i < expected; ++i)
        agreeing += shown.count(set.items[i].href) > 0 ? 1 : 0;
    return expected > 0 && agreeing >= kAgreement * static_cast<double>(expected);
}

RuleProposal Propose(const PreviewPage& page, const PageView& view,
                     const std::vector<size_t>& anchors, const std::string& exampleText,
                     const std::string& styleSheet, const std::string& what) {
    RuleProposal proposal;
    const std::vector<ItemSet> sets = FindItemSets(view, anchors, kItemSetsTried);
    if (sets.empty()) {
        proposal.problem = "No repeated items on the page hold " + what +
                           ": it stands in no list of items of the same kind.";
        return proposal;
    }
    double bestScore = 0;
    std::optional<SiteWorkers> workers; // started when a rule is first verified
    for (const ItemSet& set : sets) {
        const ItemSet judged = AroundTheExample(set);
        std::vector<Tried> tried;
        for (RuleSettings& rule : MarkerCandidates(view, judged)) {
            TrialOutcome outcome = TryRule(view, judged, rule, exampleText);
            if (outcome.exampleFound && outcome.matched >= 2 && outcome.score() >= kLeastScore)
                tried.push_back({std::move(rule), std::move(outcome)});
        }
        std::stable_sort(tried.begin(), tried.end(), Better);
        if (tried.size() > kRulesVerified)
            tried.resize(kRulesVerified);
        for (const Tried& candidate : tried) {
            if (candidate.outcome.score() <= bestScore)
                break;
            if (!workers)
                workers.emplace(1);
            RulePreview preview = PreviewRule(page, candidate.rule, styleSheet, *workers);
            if (!Agrees(preview, set))
                continue;
            bestScore = candidate.outcome.score();
            proposal.found = true;
            proposal.rule = candidate.rule;
            proposal.items = std::move(preview.items);
            proposal.itemsFound = judged.items.size() == set.items.size()
                                      ? candidate.outcome.shown
                                      : TryRule(view, set, candidate.rule, exampleText).shown;
            break;
        }
        if (bestScore >= kGoodScore)
            break;
    }
    if (!proposal.found)
        proposal.problem = "The items holding " + what +
                           " could not be cut apart by start and end markers that stand in "
                           "the page.";
    return proposal;
}

// Up to kMostAnchors of the links, spread over the page.
std::vector<size_t> Spread(const std::vector<size_t>& anchors) {
    if (anchors.size() <= kMostAnchors)
        return anchors;
    std::vector<size_t> spread;
    for (size_t i = 0; i < kMostAnchors; ++i)
        spread.push_back(anchors[i * (anchors.size() - 1) / (kMostAnchors - 1)]);
    return spread;
}

} // namespace

RuleProposal ProposeRuleFromText(const PreviewPage& page, const std::string& exampleText,
                                 const std::string& styleSheet) {
    try {
        const PageView view(JoinedPageText(page), page.siteUrl());
        const std::string wanted = ReaderText(exampleText);
        const std::string what = "\"" + wanted + "\"";
        std::vector<size_t> anchors = PageReaderText(view.tree).elementsHolding(wanted);
        if (anchors.empty()) {
            RuleProposal proposal;
            proposal.problem = what + " is not on the page (its text compared as a reader "
                                      "sees it: entities decoded, blanks collapsed).";
            return proposal;
        }
        return Propose(page, view, Spread(anchors), wanted, styleSheet, what);
    } catch (const Exception& error) {
        RuleProposal proposal;
        proposal.problem = error.message();
        return proposal;
    }
}

RuleProposal ProposeRuleFromLinks(const PreviewPage& page, const std::vector<std::string>& links,
                                  const std::string& styleSheet) {
    try {
        const PageView view(JoinedPageText(page), page.siteUrl());
        const std::set<std::string> wanted(links.begin(), links.end());
        // Each link once, by the first of its anchors that has text.
        std::vector<size_t> anchors;
        std::set<std::string> seen;
        const PageReaderText text(view.tree);
        for (const bool needText : {true, false})
            for (size_t node = 0; node < view.tree.size(); ++node) {
                const std::string href = view.hrefOf(node);
                if (href.empty() || !wanted.count(href) || seen.count(href) ||
                    (needText && text.of(node).empty()))
                    continue;
                seen.insert(href);
                anchors.push_back(node);
            }
        std::sort(anchors.begin(), anchors.end());
        if (anchors.empty()) {
            RuleProposal proposal;
            proposal.problem = "None of the " + std::to_string(wanted.size()) +
                               " links the site showed last is on the page now.";
            return proposal;
        }
        return Propose(page, view, Spread(anchors), std::string(), styleSheet,
                       "the links the site showed last");
    } catch (const Exception& error) {
        RuleProposal proposal;
        proposal.problem = error.message();
        return proposal;
    }
}

} // namespace nimbrel
