#include "library/MarkerCandidates.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace nimbrel {

namespace {

using html::kNoNode;
constexpr size_t npos = std::string::npos;

// A start marker found more often than this (for n items) would cut mostly other things.
size_t MostStarts(size_t items) {
    return 4 * items + 20;
}
// Share of the items whose tags a "most items" marker must still begin.
constexpr double kMostItems = 0.8;
// Longest text after a removed span that is written back with the span's edges.
constexpr size_t kLongestRestoredText = 40;

struct StartMarker {
    std::string text;
    std::string tag;        // the element it begins
    std::vector<size_t> at; // where it begins in each item; npos where it does not
};

// What a piece that begins with a table's or a list's part is wrapped in, so the cleaner reads
// it in its place instead of moving it (and every piece after it) elsewhere.
std::pair<std::string, std::string> ContextOf(std::string_view tag) {
    if (tag == "td" || tag == "th")
        return {"<table><tr>", "</tr></table>"};
    if (tag == "tr" || tag == "tbody" || tag == "thead" || tag == "tfoot" || tag == "caption")
        return {"<table>", "</table>"};
    if (tag == "li")
        return {"<ul>", "</ul>"};
    if (tag == "dt" || tag == "dd")
        return {"<dl>", "</dl>"};
    return {};
}

struct EndMarker {
    std::string text;
    bool include = true;
    std::vector<size_t> at; // where the occurrence that should end each item's piece begins
};

// A marker as the rule file keeps it: no control character, no blank at its end.
std::string Clean(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= ' ')
        ++end;
    while (end > 0 && text[end - 1] == ' ')
        --end;
    return std::string(text.substr(0, end));
}

bool IsWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return std::isalnum(byte) || c == '_' || c == '-' || byte >= 0x80;
}

size_t Shared(std::string_view a, std::string_view b) {
    size_t same = 0;
    while (same < a.size() && same < b.size() && a[same] == b[same])
        ++same;
    return same;
}

// The first `length` bytes of the text, shortened where the items' texts part in the middle
// of a word: an id or a number ("post-43" of "post-435876", "post-436012") changes from one
// item to the next, so the marker ends before it (at "post-" less its word: at the quote).
std::string StablePrefix(const std::vector<std::string>& texts, std::string_view text,
                         size_t length) {
    bool midWord = false;
    for (const std::string& other : texts)
        midWord =
            midWord || (other.size() > length && Shared(other, text) >= length && length > 0 &&
                        IsWordByte(other[length]) && IsWordByte(text[length - 1]));
    if (midWord)
        while (length > 0 && IsWordByte(text[length - 1]))
            --length;
    return std::string(text.substr(0, length));
}

std::string CommonPrefix(const std::vector<std::string>& texts) {
    if (texts.empty())
        return {};
    size_t length = texts.front().size();
    for (const std::string& text : texts)
        length = std::min(length, Shared(texts.front(), text));
    return StablePrefix(texts, texts.front(), length);
}

// The prefix the example's text shares with most of the others.
std::string MostCommonPrefix(const std::vector<std::string>& texts, size_t example) {
    std::vector<size_t> shared;
    for (const std::string& text : texts)
        shared.push_back(Shared(text, texts[example]));
    std::sort(shared.rbegin(), shared.rend());
    const size_t most = static_cast<size_t>(kMostItems * static_cast<double>(texts.size()));
    const size_t length = shared[std::min(shared.size() - 1, most > 0 ? most - 1 : 0)];
    std::vector<std::string> most_texts;
    for (const std::string& text : texts)
        if (Shared(text, texts[example]) >= length)
            most_texts.push_back(text);
    return StablePrefix(most_texts, texts[example], length);
}

size_t Count(std::string_view text, std::string_view marker, size_t from, size_t to) {
    size_t count = 0;
    for (size_t at = text.find(marker, from); at != npos && at + marker.size() <= to;
         at = text.find(marker, at + marker.size()))
        ++count;
    return count;
}

std::string_view StartTag(const PageView& page, size_t node, bool lowered) {
    const html::Node& element = page.tree[node];
    return std::string_view(lowered ? page.lowered : page.text)
        .substr(element.begin, element.openEnd - element.begin);
}

// Where the element's end tag begins; npos when it has none of its own.
size_t EndTagAt(const PageView& page, size_t node) {
    const html::Node& element = page.tree[node];
    if (!element.endTag || element.end < 2)
        return npos;
    const size_t at = page.text.rfind("</", element.end - 2);
    return at == npos || at < element.openEnd ? npos : at;
}

class Candidates {
  public:
    Candidates(const PageView& page, const ItemSet& set) : page_(page), set_(set) {}

    std::vector<RuleSettings> all() {
        collectStarts(&PageItem::titleChain);
        collectStarts(&PageItem::linkChain);
        collectEnds(&PageItem::linkChain);
        collectEnds(&PageItem::titleChain);
        collectFollowingEnd();
        std::vector<RuleSettings> rules;
        const std::vector<TextPair> removal = removalBeforeLink();
        for (const StartMarker& start : starts_)
            for (const EndMarker& end : ends_)
                addRules(start, end, removal, rules);
        return rules;
    }

  private:
    const PageItem& example() const { return set_.items[set_.example]; }

    void addStart(const std::string& text, const std::vector<size_t>& nodes) {
        if (text.size() < 2 || std::any_of(starts_.begin(), starts_.end(),
                                           [&](const StartMarker& s) { return s.text == text; }))
            return;
        // Counted where the items stand: the rule is judged there.
        if (Count(page_.lowered, text, set_.items.front().begin, set_.items.back().end) >
            MostStarts(set_.items.size()))
            return;
        StartMarker marker{text, page_.tree[nodes.front()].name, {}};
        for (const size_t node : nodes)
            marker.at.push_back(StartTag(page_, node, true).substr(0, text.size()) == text
                                    ? page_.tree[node].begin
                                    : npos);
        starts_.push_back(std::move(marker));
    }

    void collectStarts(std::vector<size_t> PageItem::*chain) {
        size_t levels = SIZE_MAX;
        for (const PageItem& item : set_.items)
            levels = std::min(levels, (item.*chain).size());
        for (size_t level = 0; level < levels; ++level) {
            std::vector<size_t> nodes;
            std::vector<std::string> tags;
            for (const PageItem& item : set_.items) {
                nodes.push_back((item.*chain)[level]);
                tags.emplace_back(StartTag(page_, nodes.back(), true));
            }
            if (std::any_of(nodes.begin(), nodes.end(),
                            [&](size_t node) { return page_.tree[node].implied(); }))
                continue;
            for (const std::string& text :
                 {CommonPrefix(tags), tags[set_.example], MostCommonPrefix(tags, set_.example)})
                addStart(Clean(text), nodes);
        }
    }

    void addEnd(EndMarker marker) {
        marker.text = Clean(marker.text);
        if (marker.text.size() < 2 || marker.at[set_.example] == npos)
            return;
        for (const EndMarker& known : ends_)
            if (known.text == marker.text && known.include == marker.include &&
                known.at == marker.at)
                return;
        ends_.push_back(std::move(marker));
    }

    // The end tags of the link and the elements around it, innermost first.
    void collectEnds(std::vector<size_t> PageItem::*chain) {
        const std::vector<size_t>& model = example().*chain;
        for (size_t level = model.size(); level-- > 0;) {
            const size_t at = EndTagAt(page_, model[level]);
            if (at == npos)
                continue;
            EndMarker marker{page_.lowered.substr(at, page_.tree[model[level]].end - at), true, {}};
            for (const PageItem& item : set_.items)
                marker.at.push_back(
                    level < (item.*chain).size() ? EndTagAt(page_, (item.*chain)[level]) : npos);
            addEnd(std::move(marker));
        }
    }

    // The start tag of what follows the link, left out of the piece.
    void collectFollowingEnd() {
        std::vector<std::string> tags;
        EndMarker marker{{}, false, {}};
        for (const PageItem& item : set_.items) {
            size_t next = page_.tree.subtreeEnd(item.link);
            while (next < page_.tree.size() &&
                   (page_.tree[next].isText || page_.tree[next].implied()))
                ++next;
            if (next < page_.tree.size() && page_.tree[next].begin < item.end) {
                marker.at.push_back(page_.tree[next].begin);
                tags.emplace_back(StartTag(page_, next, true));
            } else {
                marker.at.push_back(npos);
            }
        }
        marker.text = CommonPrefix(tags);
        addEnd(std::move(marker));
    }

    // Where the title is no link and other links stand between it and the item's own, the
    // span from the title's end tag to the start tag of what holds the item's link.
    std::vector<TextPair> removalBeforeLink() const {
        if (set_.titleIsLink)
            return {};
        const PageItem& item = example();
        const html::SourceTree& tree = page_.tree;
        bool linksBetween = false;
        for (size_t i = tree.subtreeEnd(item.title); i < item.link; ++i)
            linksBetween = linksBetween || (page_.isLink(i) && page_.hrefOf(i) != item.href);
        const size_t titleEnd = EndTagAt(page_, item.title);
        if (!linksBetween || titleEnd == npos)
            return {};
        std::vector<std::string> holders;
        for (const PageItem& other : set_.items) {
            size_t holder = other.link;
            while (tree[holder].parent != kNoNode && !tree.within(other.title, tree[holder].parent))
                holder = tree[holder].parent;
            if (set_.runs)
                holder = other.linkChain.front();
            holders.emplace_back(StartTag(page_, holder, false));
        }
        const std::string close = Clean(CommonPrefix(holders));
        if (close.size() < 2)
            return {};
        const std::string open =
            Clean(page_.text.substr(titleEnd, tree[item.title].end - titleEnd));
        return {{open, close}};
    }

    // The text that follows the removed span's close in every item: written back after the
    // span's edges, so the title's element ends where it did.
    std::string restoredText(const std::string& close) const {
        std::vector<std::string> after;
        for (const PageItem& item : set_.items) {
            const size_t at = page_.text.find(close, page_.tree[item.title].end);
            if (at == npos || at >= item.end)
                return {};
            const std::string_view rest =
                std::string_view(page_.text).substr(at + close.size(), kLongestRestoredText);
            after.emplace_back(rest.substr(0, rest.find('<')));
        }
        std::string text = CommonPrefix(after);
        text = Clean(text);
        const size_t start = text.find_first_not_of(' ');
        return start == npos ? std::string() : text.substr(start);
    }

    void addRules(const StartMarker& start, const EndMarker& end,
                  const std::vector<TextPair>& removal, std::vector<RuleSettings>& rules) const {
        const size_t from = start.at[set_.example];
        const size_t to = end.at[set_.example];
        if (from == npos || to == npos || to < from + (end.include ? 0 : 1))
            return;
        RuleSettings rule;
        rule.start = {start.text, true, 0, 0};
        rule.end = {end.text, end.include, 0,
                    static_cast<int>(Count(page_.lowered, end.text, from, to))};
        const auto [contextOpen, contextClose] = ContextOf(start.tag);
        rule.wrapOpen = kPieceWrapOpen + contextOpen;
        rule.wrapClose = contextClose + kPieceWrapClose;
        rules.push_back(rule);
        if (removal.empty() || from > page_.tree[example().title].begin)
            return;
        rule.removals = removal;
        rules.push_back(rule);
        const std::string restored = restoredText(removal.front().second);
        if (restored.size() < 3)
            return;
        rule.replaces = {{restored, removal.front().first + removal.front().second + restored}};
        rules.push_back(rule);
    }

    const PageView& page_;
    const ItemSet& set_;
    std::vector<StartMarker> starts_;
    std::vector<EndMarker> ends_;
};

} // namespace

std::vector<RuleSettings> MarkerCandidates(const PageView& page, const ItemSet& items) {
    return Candidates(page, items).all();
}

} // namespace nimbrel
