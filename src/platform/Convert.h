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

// Copy of the text with the ASCII letters A to Z lowered; other bytes stay as they are.
std::string LowerAscii(std::string_view text);

// The longest beginning of the text of at most `bytes` bytes that does not end inside a UTF-8
// letter.
std::string_view Utf8Prefix(std::string_view text, size_t bytes);

// Every occurrence of `find` replaced by `with`, left to right; replaced text is not searched
// again. An empty `find` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with);

// The text made safe inside HTML text and quoted attribute values: & < > " ' as references.
std::string EscapeHtml(std::string_view text);

} // namespace nimbrel
