#include "library/ReaderText.h"

#include "platform/Convert.h"

#include <algorithm>
#include <array>

namespace nimbrel {

namespace {

using html::kNoNode;

enum class CharKind { Visible, Blank, Invisible };

// The kind and byte length of the UTF-8 character at `at`.
std::pair<CharKind, size_t> CharAt(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead <= ' ' || lead == 0x7F)
        return {CharKind::Blank, 1};
    if (lead < 0x80)
        return {CharKind::Visible, 1};
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const size_t shown = std::min(length, text.size() - at);
    if (lead == 0xC2 && byte(1) == 0xA0)
        return {CharKind::Blank, 2}; // no-break space
    if (lead == 0xC2 && byte(1) == 0xAD)
        return {CharKind::Invisible, 2}; // soft hyphen
    if (lead == 0xE2 && byte(1) == 0x80) {
        const unsigned char third = byte(2);
        if (third <= 0x8A || third == 0xAF)
            return {CharKind::Blank, 3}; // en quad ... hair space, narrow no-break space
        if (third >= 0x8B && third <= 0x8D)
            return {CharKind::Invisible, 3}; // zero-width space, non-joiner, joiner
    }
    if (lead == 0xE2 && byte(1) == 0x81 && byte(2) == 0x9F)
        return {CharKind::Blank, 3}; // medium mathematical space
    if (lead == 0xE2 && byte(1) == 0x81 && byte(2) == 0xA0)
        return {CharKind::Invisible, 3}; // word joiner
    if (lead == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80)
        return {CharKind::Blank, 3}; // ideographic space
    if (lead == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
        return {CharKind::Invisible, 3}; // zero-width no-break space
    return {CharKind::Visible, shown};
}

// Appends text with blanks collapsed; a blank is written only between two visible characters.
class Collector {
  public:
    explicit Collector(std::string& out) : out_(out) {}
    void boundary() { blank_ = true; }
    void append(std::string_view text) {
        for (size_t at = 0; at < text.size();) {
            const auto [kind, length] = CharAt(text, at);
            if (kind == CharKind::Blank) {
                blank_ = true;
            } else if (kind == CharKind::Visible) {
                if (blank_ && !out_.empty())
                    out_ += ' ';
                blank_ = false;
                out_.append(text.substr(at, length));
            }
            at += length;
        }
    }

  private:
    std::string& out_;
    bool blank_ = false;
};

bool IsInline(std::string_view name) {
    static constexpr std::array<std::string_view, 30> kInline = {
        "a",    "abbr",  "acronym", "b",      "bdi",    "bdo",   "big",  "cite", "code", "data",
        "dfn",  "em",    "font",    "i",      "kbd",    "label", "mark", "nobr", "q",    "s",
        "samp", "small", "span",    "strike", "strong", "sub",   "sup",  "time", "tt",   "u"};
    return std::find(kInline.begin(), kInline.end(), name) != kInline.end() || name == "var";
}

bool IsHidden(std::string_view name) {
    return name == "head" || name == "title" || name == "noscript" || name == "select" ||
           name == "option" || name == "datalist";
}

} // namespace

std::string ReaderText(std::string_view text) {
    std::string out;
    Collector(out).append(text);
    return out;
}

PageReaderText::PageReaderText(const html::SourceTree& tree)
    : tree_(tree), ranges_(tree.size(), {0, 0}) {
    Collector collect(text_);
    // Depth first without recursion: a node is entered, then its children, then left.
    struct Visit {
        size_t node;
        bool leaving;
    };
    std::vector<Visit> stack;
    for (auto root = tree.roots().rbegin(); root != tree.roots().rend(); ++root)
        stack.push_back({*root, false});
    while (!stack.empty()) {
        const Visit visit = stack.back();
        stack.pop_back();
        const html::Node& node = tree[visit.node];
        if (node.isText) {
            ranges_[visit.node].first = text_.size();
            collect.append(node.text);
            ranges_[visit.node].second = text_.size();
            continue;
        }
        const bool block = !IsInline(node.name);
        if (visit.leaving) {
            ranges_[visit.node].second = text_.size();
            if (block)
                collect.boundary();
            continue;
        }
        if (block)
            collect.boundary();
        ranges_[visit.node].first = text_.size();
        if (IsHidden(node.name)) {
            ranges_[visit.node].second = text_.size();
            continue;
        }
        stack.push_back({visit.node, true});
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child)
            stack.push_back({*child, false});
    }
    // A blank written before an element's first character belongs to the boundary before it.
    for (auto& [from, to] : ranges_)
        if (from < to && text_[from] == ' ')
            ++from;
}

std::string PageReaderText::of(size_t node) const {
    const auto [from, to] = ranges_[node];
    return from < to ? text_.substr(from, to - from) : std::string();
}

size_t PageReaderText::deepestHolding(size_t from, size_t to) const {
    size_t deepest = kNoNode;
    const std::vector<size_t>* candidates = &tree_.roots();
    for (bool descended = true; descended;) {
        descended = false;
        for (const size_t child : *candidates) {
            const auto [start, end] = ranges_[child];
            if (tree_[child].isText || start > from || end < to)
                continue;
            deepest = child;
            candidates = &tree_[child].children;
            descended = true;
            break;
        }
    }
    return deepest;
}

std::vector<std::pair<size_t, size_t>>
PageReaderText::placesOf(const std::string& wanted, bool anyCase, bool blankless) const {
    std::vector<std::pair<size_t, size_t>> places;
    // The text searched, and for each of its bytes where it stands in text_.
    std::string searched;
    std::vector<size_t> at;
    for (size_t i = 0; i < text_.size(); ++i) {
        if (blankless && text_[i] == ' ')
            continue;
        searched += text_[i];
        at.push_back(i);
    }
    std::string needle = wanted;
    if (blankless)
        needle.erase(std::remove(needle.begin(), needle.end(), ' '), needle.end());
    if (anyCase) {
        searched = LowerAscii(searched);
        needle = LowerAscii(needle);
    }
    if (needle.empty())
        return places;
    for (size_t found = searched.find(needle); found != std::string::npos;
         found = searched.find(needle, found + needle.size()))
        places.emplace_back(at[found], at[found + needle.size() - 1] + 1);
    return places;
}

std::vector<size_t> PageReaderText::elementsHolding(std::string_view copied) const {
    const std::string wanted = ReaderText(copied);
    std::vector<size_t> elements;
    if (wanted.empty())
        return elements;
    for (const auto& [anyCase, blankless] :
         {std::pair{false, false}, std::pair{true, false}, std::pair{true, true}}) {
        for (const auto& [from, to] : placesOf(wanted, anyCase, blankless)) {
            const size_t element = deepestHolding(from, to);
            if (element != kNoNode &&
                std::find(elements.begin(), elements.end(), element) == elements.end())
                elements.push_back(element);
        }
        if (!elements.empty())
            break;
    }
    return elements;
}

} // namespace nimbrel
