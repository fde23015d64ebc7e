// Bringing a downloaded page to UTF-8, the only text encoding the rest of the program handles.
// The page's own encoding is taken from, in this order: a byte order mark, the charset of the
// HTTP Content-Type header, the XML declaration or a <meta> charset near the top. A page that
// declares nothing is kept as UTF-8 when it is valid UTF-8 and read as windows-1252 otherwise.
// Bytes that do not belong to the encoding become U+FFFD; nothing ever fails on page content.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

struct Utf8Page {
    std::string text;     // the page in UTF-8, without a byte order mark
    std::string encoding; // the encoding it was read in ("UTF-8", "WINDOWS-1252", "CP932" ...)
    bool changed = false; // text differs from the bytes given
};

// The page bytes as UTF-8. After a conversion the encoding named in the XML declaration and in
// <meta> charsets is rewritten to UTF-8, so later parsers do not decode the text a second time.
Utf8Page PageBytesToUtf8(std::string_view bytes, std::string_view contentTypeHeader);

// Converts the page file in place (atomically, and only when its bytes change); returns the
// encoding it was read in. Raises EInOutError when the file cannot be read or replaced.
std::string ConvertPageToUtf8(const std::string& path, std::string_view contentTypeHeader);

// The charset parameter of a Content-Type value ("text/html; charset=Shift_JIS"), or empty.
std::string CharsetOfContentType(std::string_view contentType);

} // namespace nimbrel
