#include "components/MarkupDepth.h"

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

namespace nimbrel::tidycom {

namespace {

constexpr std::array<std::string_view, 22> kVoidElements = {
    "area",  "base",   "basefont", "bgsound", "br",     "col",    "embed", "frame",
    "hr",    "img",    "input",    "isindex", "keygen", "link",   "meta",  "nextid",
    "param", "source", "spacer",   "track",   "wbr",    "command"};

// Elements whose content a cleaner may read as plain text up to their end tag.
constexpr std::array<std::string_view, 6> kRawTextElements = {"script", "style",     "textarea",
                                                              "title",  "plaintext", "xmp"};

// Elements an HTML parser closes when a sibling of the same name starts.
constexpr std::array<std::string_view, 14> kSelfClosingSiblings = {
    "p",      "li",       "dt",    "dd",    "tr",    "td", "th",
    "option", "optgroup", "thead", "tbody", "tfoot", "rt", "rp"};

// Whether an HTML cleaner ends an open `above` on the way to the open sibling that a start tag
// of `name` ends: a row ends its cells, and a row, cell or list item its paragraphs. Nothing
// else, so that a list inside a cell, or a table inside a row, still counts as nesting.
bool EndedOnTheWay(std::string_view name, std::string_view above) {
    if (name == "tr")
        return above == "td" || above == "th" || above == "p";
    return (name == "td" || name == "th" || name == "li" || name == "dt" || name == "dd") &&
           above == "p";
}

template <size_t N> bool Among(const std::array<std::string_view, N>& names, std::string_view n) {
    for (std::string_view name : names)
        if (name == n)
            return true;
    return false;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsNameChar(char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == ':' || c == '-' || c == '_' ||
           c == '.' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

class DepthScan {
  public:
    DepthScan(std::string_view text, bool html, size_t limit)
        : text_(text), html_(html), limit_(limit) {}

    size_t run() {
        scanMarkup(0, text_.size(), 0);
        return deepest_;
    }

  private:
    struct Open {
        std::string name;
        size_t region;
    };

    bool pastLimit() const { return deepest_ > limit_; }

    // HTML tags begin with a letter; the cleaner's XML input takes any name character, a digit
    // or a non-ASCII letter included.
    bool IsNameStart(char c) const { return html_ ? IsAsciiLetter(c) : IsNameChar(c); }

    // Scans [from, to) as markup belonging to `region` (0 outside every opaque construct).
    void scanMarkup(size_t from, size_t to, size_t region) {
        size_t at = from;
        while (at < to && !pastLimit()) {
            const size_t lt = text_.find('<', at);
            if (lt == std::string_view::npos || lt >= to)
                return;
            at = scanTagAt(lt, to, region);
        }
    }

    // Handles the construct starting with "<" at `lt`; returns where scanning goes on.
    size_t scanTagAt(size_t lt, size_t to, size_t region) {
        const std::string_view rest = text_.substr(lt, to - lt);
        // Each construct the cleaner reads as one, up to the end the cleaner looks for.
        if (rest.starts_with("<!--"))
            return opaque(lt + 4, to, "-->");
        if (rest.starts_with("<![CDATA["))
            return opaque(lt + 9, to, "]]>");
        if (rest.starts_with("<%") || rest.starts_with("<@"))
            return opaque(lt + 2, to, rest[1] == '%' ? "%>" : "@>");
        if (rest.starts_with("<?"))
            return opaque(lt + 2, to, html_ && !rest.starts_with("<?php") ? ">" : "?>");
        if (rest.starts_with("<!")) {
            // A declaration with an internal subset ends after it.
            const size_t gt = rest.find('>');
            const size_t bracket = rest.find('[');
            return opaque(lt + 2, to, bracket < gt ? "]>" : ">");
        }
        if (rest.starts_with("</") && rest.size() > 2 && IsNameStart(rest[2])) {
            const size_t nameEnd = NameEnd(lt + 2, to);
            close(Lowered(text_.substr(lt + 2, nameEnd - lt - 2)), region);
            const size_t gt = text_.find('>', nameEnd);
            return gt == std::string_view::npos || gt >= to ? to : gt + 1;
        }
        if (rest.size() > 1 && IsNameStart(rest[1]))
            return startTag(lt, to, region);
        return lt + 1;
    }

    // A comment, CDATA section, declaration or instruction: its content is scanned as a region
    // of its own.
    size_t opaque(size_t from, size_t to, std::string_view terminator) {
        size_t end = text_.find(terminator, from);
        if (end == std::string_view::npos || end >= to)
            end = to;
        scanMarkup(from, end, ++regions_);
        return end == to ? to : end + terminator.size();
    }

    size_t NameEnd(size_t from, size_t to) const {
        while (from < to && IsNameChar(text_[from]))
            ++from;
        return from;
    }

    std::string Lowered(std::string_view name, bool always = false) const {
        std::string out(name);
        if (html_ || always)
            for (char& c : out)
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c + ('a' - 'A'));
        return out;
    }

    size_t startTag(size_t lt, size_t to, size_t region) {
        const size_t nameEnd = NameEnd(lt + 1, to);
        std::string name = Lowered(text_.substr(lt + 1, nameEnd - lt - 1));
        bool selfClosed = false;
        size_t at = nameEnd;
        char previous = text_[nameEnd - 1]; // the name's last letter
        while (at < to) {
            const char c = text_[at];
            if (c == '>' || c == '<')
                break;
            if ((c == '"' || c == '\'') && previous == '=') {
                size_t endQuote = text_.find(c, at + 1);
                if (endQuote == std::string_view::npos || endQuote >= to)
                    endQuote = to;
                scanMarkup(at + 1, endQuote, ++regions_);
                at = endQuote == to ? to : endQuote + 1;
                previous = c;
                continue;
            }
            if (c == '/' && at + 1 < to && text_[at + 1] == '>')
                selfClosed =
                    IsBlank(previous) || previous == '"' || previous == '\'' || at == nameEnd;
            if (!IsBlank(c) || previous != '=')
                previous = c;
            ++at;
        }
        const size_t next = at < to && text_[at] == '>' ? at + 1 : at;
        const bool rawText = !selfClosed && Among(kRawTextElements, Lowered(name, true));
        open(std::move(name), region, selfClosed);
        if (!rawText)
            return next;
        // Read as text or as markup: either way its end tags close nothing outside.
        const size_t end = FindEndTag(next, to, text_.substr(lt + 1, nameEnd - lt - 1));
        scanMarkup(next, end, ++regions_);
        return end;
    }

    // The next "</name" (letter case ignored) at or after `from`, or `to`.
    size_t FindEndTag(size_t from, size_t to, std::string_view name) const {
        for (size_t at = text_.find("</", from); at != std::string_view::npos && at < to;
             at = text_.find("</", at + 2)) {
            if (Lowered(text_.substr(at + 2, name.size()), true) == Lowered(name, true))
                return at;
        }
        return to;
    }

    void open(std::string name, size_t region, bool selfClosed) {
        if (selfClosed || (html_ && Among(kVoidElements, name)))
            return;
        if (html_ && Among(kSelfClosingSiblings, name))
            endOpenSibling(name, region);
        ++openByName_[name];
        if (region != 0)
            ++openByName_[Key(name, region)];
        stack_.push_back({std::move(name), region});
        if (stack_.size() > deepest_)
            deepest_ = stack_.size();
    }

    // Ends the innermost open sibling of the name, with what stands above it when the cleaner
    // ends that too (EndedOnTheWay); all of it opened in this region.
    void endOpenSibling(const std::string& name, size_t region) {
        size_t at = stack_.size();
        while (at > 0 && stack_[at - 1].region == region && stack_[at - 1].name != name &&
               EndedOnTheWay(name, stack_[at - 1].name))
            --at;
        if (at == 0 || stack_[at - 1].region != region || stack_[at - 1].name != name)
            return;
        while (stack_.size() >= at)
            pop();
    }

    // Closes up to the innermost open element of the name; inside a region only elements that
    // were opened in that same region (they stand above all others while it is scanned).
    void close(const std::string& name, size_t region) {
        auto known = openByName_.find(Key(name, region));
        if (known == openByName_.end() || known->second == 0)
            return;
        while (!stack_.empty() && stack_.back().name != name)
            pop();
        if (!stack_.empty())
            pop();
    }

    // A blank is no name character, so no element's name reads as a region's key.
    static std::string Key(const std::string& name, size_t region) {
        return region == 0 ? name : std::to_string(region) + ' ' + name;
    }

    void pop() {
        const Open& top = stack_.back();
        --openByName_[top.name];
        if (top.region != 0)
            --openByName_[Key(top.name, top.region)];
        stack_.pop_back();
    }

    std::string_view text_;
    bool html_;
    size_t limit_;
    size_t deepest_ = 0;
    size_t regions_ = 0;
    std::vector<Open> stack_;
    std::unordered_map<std::string, size_t> openByName_;
};

} // namespace

size_t MarkupNestingDepth(std::string_view text, bool html, size_t limit) {
    return DepthScan(text, html, limit).run();
}

} // namespace nimbrel::tidycom
