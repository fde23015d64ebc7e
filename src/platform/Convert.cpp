#include "platform/Convert.h"

#include "platform/Errors.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace nimbrel {

int32_t StrToInt(std::string_view text) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size())
        throw EConvertError(text);
    int64_t value = 0;
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9')
            throw EConvertError(text);
        value = value * 10 + (c - '0');
        if (value > limit)
            throw EConvertError(text);
    }
    return static_cast<int32_t>(negative ? -value : value);
}

std::string Trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return std::string(text.substr(begin, end - begin));
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHtmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool ContinuesUtf8Letter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size())
        return false;
    for (size_t i = 0; i < lowerPrefix.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lowerPrefix[i])
            return false;
    }
    return true;
}

std::string_view TrimAny(std::string_view text, std::string_view blanks) {
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

std::string_view Utf8Prefix(std::string_view text, size_t bytes) {
    if (text.size() <= bytes)
        return text;
    // Step back over continuation bytes to the lead byte of the letter that would be cut.
    while (bytes > 0 && ContinuesUtf8Letter(text[bytes]))
        --bytes;
    return text.substr(0, bytes);
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with) {
    if (find.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find(find); at != std::string_view::npos; at = text.find(find, from)) {
        out.append(text, from, at - from);
        out.append(with);
        from = at + find.size();
    }
    out.append(text, from);
    return out;
}

namespace {

struct Reference {
    char character;
    const char* text;
    bool MarkupEscapes::*when; // always when null
};

constexpr Reference kReferences[] = {
    {'&', "&amp;", nullptr},
    {'<', "&lt;", nullptr},
    {'>', "&gt;", nullptr},
    {'"', "&quot;", &MarkupEscapes::quote},
    {'\'', "&#39;", &MarkupEscapes::apostrophe},
    {'\n', "&#10;", &MarkupEscapes::whitespace},
    {'\r', "&#13;", &MarkupEscapes::whitespace},
    {'\t', "&#9;", &MarkupEscapes::whitespace},
};
// Every character above this one stands for itself.
constexpr char kLastEscaped = '>';

const char* ReferenceFor(char c, const MarkupEscapes& escapes) {
    for (const Reference& reference : kReferences)
        if (reference.character == c)
            return !reference.when || escapes.*reference.when ? reference.text : nullptr;
    return nullptr;
}

} // namespace

std::string EscapeMarkup(std::string_view text, MarkupEscapes escapes) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const char* reference =
            static_cast<unsigned char>(c) > kLastEscaped ? nullptr : ReferenceFor(c, escapes);
        if (reference)
            out += reference;
        else
            out += c;
    }
    return out;
}

std::string EscapeHtml(std::string_view text) {
    return EscapeMarkup(text, {});
}

std::string CountOf(size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

size_t Utf8SequenceLength(std::string_view b, size_t i) {
    const auto c = static_cast<unsigned char>(b[i]);
    size_t len = 0;
    unsigned int min = 0;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF)
        len = 3, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4)
        len = 4, min = 0x10000;
    else
        return 0;
    if (i + len > b.size())
        return 0;
    unsigned int code = c & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
        const auto cc = static_cast<unsigned char>(b[i + k]);
        if ((cc & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (cc & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return (code < min || code > 0x10FFFF || surrogate) ? 0 : len;
}

// Where the first byte that does not belong to a UTF-8 sequence stands; npos when none does.
// Runs of ASCII, most of any page, are passed over eight bytes at a time.
size_t FirstInvalidUtf8(std::string_view b) {
    for (size_t i = 0; i < b.size();) {
        if (i + 8 <= b.size()) {
            uint64_t word;
            std::memcpy(&word, b.data() + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        const size_t len = Utf8SequenceLength(b, i);
        if (len == 0)
            return i;
        i += len;
    }
    return std::string_view::npos;
}

bool IsValidUtf8(std::string_view b) {
    return FirstInvalidUtf8(b) == std::string_view::npos;
}

} // namespace nimbrel
