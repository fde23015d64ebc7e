#include "pipeline/PieceTransform.h"

#include "platform/Convert.h"
#include "platform/Errors.h"
#include "platform/Limits.h"

namespace nimbrel {

namespace {

constexpr size_t npos = std::string_view::npos;

// The text seen as kept + rest, where kept is built and rest is the untouched remainder.
// Finds the first occurrence of `needle` in kept + rest that begins at or after `from`
// (a position in kept + rest, at most kept.size()).
size_t FindAcross(const std::string& kept, std::string_view rest, std::string_view needle,
                  size_t from) {
    if (from < kept.size()) {
        // Occurrences that begin in kept: only its last needle.size() - 1 bytes can hold one,
        // which the caller guarantees by the choice of `from`.
        std::string joint = kept.substr(from);
        joint.append(rest.substr(0, needle.size() - 1));
        const size_t at = joint.find(needle);
        if (at != npos && at < kept.size() - from)
            return from + at;
    }
    const size_t at = rest.find(needle);
    return at == npos ? npos : kept.size() + at;
}

size_t SearchStart(size_t keptSize, size_t needleSize) {
    return keptSize >= needleSize ? keptSize - needleSize + 1 : 0;
}

// Says what made the piece too large: the page's own text, or what the rule adds to it.
[[noreturn]] void RaisePieceTooLarge(const PreparedRules& rules) {
    const std::string limit = std::to_string(limits::kCutTextBytes) + " bytes";
    if (!rules.replaces.empty())
        throw Exception("A cut piece grows past " + limit +
                        " through its replacements and wrap "
                        "texts");
    if (!rules.wrapOpen.empty() || !rules.wrapClose.empty())
        throw Exception("A cut piece grows past " + limit + " through its wrap texts");
    throw Exception("A cut piece is larger than " + limit);
}

// The size the text would have with every find text replaced, checked before it is built.
void RequireReplacedSizeWithinLimit(std::string_view text, const TextPair& replace,
                                    const PreparedRules& rules) {
    if (replace.second.size() <= replace.first.size())
        return;
    const size_t growth = replace.second.size() - replace.first.size();
    size_t size = text.size();
    for (size_t at = text.find(replace.first); at != npos;
         at = text.find(replace.first, at + replace.first.size())) {
        size += growth;
        if (size > limits::kCutTextBytes)
            RaisePieceTooLarge(rules);
    }
}

} // namespace

std::string RemoveSpans(std::string_view text, std::string_view openText,
                        std::string_view closeText) {
    if (openText.empty() || closeText.empty())
        return std::string(text);
    // No occurrence of either text begins in kept before its SearchStart: the kept part held
    // none before the last deletion, so a new one must run into the bytes that follow it.
    std::string kept;
    std::string_view rest = text;
    for (;;) {
        const size_t open =
            FindAcross(kept, rest, openText, SearchStart(kept.size(), openText.size()));
        if (open == npos)
            break;
        const size_t close =
            FindAcross(kept, rest, closeText, SearchStart(kept.size(), closeText.size()));
        if (close == npos || close < open)
            break;
        // The span always ends past kept, so it ends inside rest.
        const size_t restSkip = close + closeText.size() - kept.size();
        if (open >= kept.size())
            kept.append(rest.substr(0, open - kept.size()));
        else
            kept.resize(open);
        rest.remove_prefix(restSkip);
    }
    kept.append(rest);
    return kept;
}

void TransformPiece(std::string_view piece, const PreparedRules& rules, std::string& out) {
    out.clear();
    if (rules.removals.empty() && rules.replaces.empty()) {
        if (rules.wrapOpen.size() + piece.size() + rules.wrapClose.size() > limits::kCutTextBytes)
            RaisePieceTooLarge(rules);
        out.reserve(rules.wrapOpen.size() + piece.size() + rules.wrapClose.size());
        out.append(rules.wrapOpen).append(piece).append(rules.wrapClose);
        return;
    }
    std::string text(piece);
    for (const TextPair& removal : rules.removals)
        text = RemoveSpans(text, removal.first, removal.second);
    for (const TextPair& replace : rules.replaces) {
        RequireReplacedSizeWithinLimit(text, replace, rules);
        text = ReplaceAll(text, replace.first, replace.second);
    }
    if (rules.wrapOpen.size() + text.size() + rules.wrapClose.size() > limits::kCutTextBytes)
        RaisePieceTooLarge(rules);
    out.append(rules.wrapOpen).append(text).append(rules.wrapClose);
}

} // namespace nimbrel
