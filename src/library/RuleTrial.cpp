#include "library/RuleTrial.h"

#include "components/MSXML2_TLB.h"
#include "library/ReaderText.h"
#include "pipeline/HtmlRip.h"
#include "pipeline/PieceCutter.h"
#include "platform/Convert.h"
#include "platform/Errors.h"

#include <algorithm>
#include <exception>
#include <map>
#include <optional>

namespace nimbrel {

namespace {

using html::kNoNode;
using html::SourceTree;

struct TooManyPieces : std::exception {
    const char* what() const noexcept override { return "too many pieces"; }
};

bool IsHeading(const html::Node& node) {
    return !node.isText && node.name.size() == 2 && node.name[0] == 'h' && node.name[1] >= '1' &&
           node.name[1] <= '6';
}

bool IsLink(const SourceTree& tree, size_t node) {
    return !tree[node].isText && tree[node].name == "a" &&
           !Trim(tree.attribute(node, "href")).empty();
}

std::string Resolved(const SourceTree& tree, size_t link, const std::string& base) {
    const std::string href = Trim(tree.attribute(link, "href"));
    const std::string resolved = html::ResolveAddress(href, base);
    return resolved.empty() ? href : resolved;
}

size_t FirstLink(const SourceTree& tree) {
    for (size_t i = 0; i < tree.size(); ++i)
        if (IsLink(tree, i))
            return i;
    return kNoNode;
}

bool ShowsSomething(const SourceTree& tree) {
    for (const html::Node& node : tree.nodes())
        if ((node.isText && !ReaderText(node.text).empty()) || (!node.isText && node.name == "img"))
            return true;
    return false;
}

bool HoldsLink(const SourceTree& tree, size_t element) {
    for (size_t i = element + 1, end = tree.subtreeEnd(element); i < end; ++i)
        if (IsLink(tree, i))
            return true;
    return false;
}

bool InHeading(const SourceTree& tree, size_t node) {
    for (size_t at = node; at != kNoNode; at = tree[at].parent)
        if (IsHeading(tree[at]))
            return true;
    return false;
}

// The command the rule's pieces are cut by, read back from the rule file text as the cutter
// reads it (texts trimmed, counts converted).
std::optional<PreparedRules> CuttingCommand(const RuleSettings& rule) {
    RuleSettings command = rule;
    command.titleHeading = false;
    msxml::XmlDocument document = msxml::XmlDocument::Create();
    document.loadXML(RuleFileText(command));
    const msxml::XmlNode node = document.selectSingleNode("//Command");
    if (!node)
        return std::nullopt;
    try {
        return PrepareRules(ReadCommandRules(node));
    } catch (const Exception&) {
        return std::nullopt;
    }
}

} // namespace

double TrialOutcome::score() const {
    if (matched == 0 || items == 0)
        return 0;
    const double precision = static_cast<double>(matched) / static_cast<double>(shown);
    const double recall = static_cast<double>(matched) / static_cast<double>(items);
    return 1.25 * precision * recall / (0.25 * precision + recall);
}

std::string PieceTitle(const SourceTree& piece, const std::string& href, const std::string& base) {
    size_t titled = kNoNode;
    size_t plainHeading = kNoNode;
    PageReaderText text(piece);
    for (size_t i = 0; i < piece.size(); ++i) {
        if (titled == kNoNode && IsLink(piece, i) && Resolved(piece, i, base) == href &&
            !text.of(i).empty())
            titled = i;
        if (plainHeading == kNoNode && IsHeading(piece[i]) && !HoldsLink(piece, i) &&
            !text.of(i).empty())
            plainHeading = i;
    }
    if (plainHeading != kNoNode && (titled == kNoNode || !InHeading(piece, titled)))
        return text.of(plainHeading);
    if (titled != kNoNode)
        return text.of(titled);
    return text.text();
}

TrialOutcome TryRule(const PageView& page, const ItemSet& items, const RuleSettings& rule,
                     const std::string& exampleText) {
    const size_t maxPieces = 4 * items.items.size() + 20;
    TrialOutcome outcome;
    outcome.items = items.items.size();
    const std::optional<PreparedRules> command = CuttingCommand(rule);
    if (!command)
        return outcome;
    std::map<std::string, size_t> wanted;
    for (const PageItem& item : items.items)
        ++wanted[item.href];
    const std::string& exampleHref = items.items[items.example].href;
    const std::string example = ReaderText(exampleText);
    PieceCutter cutter(*command);
    size_t pieces = 0;
    try {
        const size_t begin = items.items.front().begin;
        const std::string_view text = std::string_view(page.text).substr(
            begin, std::max(items.items.back().end, begin) - begin);
        cutter.cutLine(text, [&](std::string_view piece) {
            if (++pieces > maxPieces)
                throw TooManyPieces{};
            const SourceTree tree = SourceTree::Parse(piece);
            if (!ShowsSomething(tree))
                return;
            ++outcome.shown;
            const size_t link = FirstLink(tree);
            const std::string href =
                link == kNoNode ? std::string() : Resolved(tree, link, page.base);
            outcome.links.push_back(href);
            const auto found = wanted.find(href);
            if (found == wanted.end() || found->second == 0)
                return;
            --found->second;
            ++outcome.matched;
            if (href == exampleHref && !outcome.exampleFound) {
                outcome.exampleFound = true;
                outcome.examplePieceBytes = piece.size();
                outcome.titleAsExample =
                    !example.empty() && PieceTitle(tree, href, page.base) == example;
            }
        });
    } catch (const TooManyPieces&) {
        outcome.tooMany = true;
    } catch (const Exception&) {
        // A piece the cutter refuses (one grown too large) makes the rule unusable.
        outcome.matched = 0;
    }
    return outcome;
}

} // namespace nimbrel
