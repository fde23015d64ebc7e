// Text conversions with the run-time's rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrel {

// A decimal whole number (optional sign, digits only, nothing else) as a signed 32-bit value.
// Anything else, including blanks and values out of range, raises EConvertError with the text.
int32_t StrToInt(std::string_view text);

// The text without leading and trailing blanks and control characters (every byte <= ' ').
std::string Trim(std::string_view text);

// The text without the leading and trailing characters found in `blanks`.
std::string_view TrimAny(std::string_view text, std::string_view blanks);

// The text with each CR and LF turned into a blank, so it stays on its line in a line-based file.
std::string OneLine(std::string text);

// Character classes: ASCII letters and digits, the blanks of HTML (space, tab, LF, CR, FF), and
// the bytes that continue a UTF-8 letter.
bool IsAsciiLetter(char c);
bool IsAsciiDigit(char c);
bool IsHtmlBlank(char c);
bool ContinuesUtf8Letter(char byte);

// True when the text begins with the prefix (given in lower case) in any ASCII letter case.
bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix);

// Copy of the text with the ASCII letters A to Z lowered; other bytes stay as they are.
std::string LowerAscii(std::string_view text);
char LowerAscii(char c);

// The longest beginning of the text of at most `bytes` bytes that does not end inside a UTF-8
// letter.
std::string_view Utf8Prefix(std::string_view text, size_t bytes);

// The length of the well-formed UTF-8 sequence at b[i] (1 to 4), or 0 when none begins there
// (a stray continuation byte, an overlong form, a surrogate, past U+10FFFF or cut short).
size_t Utf8SequenceLength(std::string_view b, size_t i);
// Where the first byte that does not belong to a UTF-8 sequence stands; npos when none does.
size_t FirstInvalidUtf8(std::string_view b);
bool IsValidUtf8(std::string_view b);

// Every occurrence of `find` replaced by `with`, left to right; replaced text is not searched
// again. An empty `find` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with);

// "1 site", "2 sites": the count with the word in the number it needs.
std::string CountOf(size_t count, std::string_view one, std::string_view many);

// What EscapeMarkup writes as references besides & < and >: the double quote, the apostrophe,
// and CR, LF and tab (as an XML serializer writes them in attribute values).
struct MarkupEscapes {
    bool quote = true;
    bool apostrophe = true;
    bool whitespace = false;
};
std::string EscapeMarkup(std::string_view text, MarkupEscapes escapes);

// The text made safe inside HTML text and quoted attribute values: & < > " ' as references.
std::string EscapeHtml(std::string_view text);

} // namespace nimbrel
