#include "pipeline/PageEncoding.h"

#include "platform/AtomicFile.h"
#include "platform/Convert.h"
#include "platform/Files.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace nimbrel {

namespace {

constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";
// How far into a page declarations are looked for: heads of real pages can be long.
constexpr size_t kDeclarationWindow = 64 * 1024;

struct Span {
    size_t pos = std::string_view::npos;
    size_t len = 0;
    bool found() const { return pos != std::string_view::npos; }
};

// The value of `name=value` whose name ends just before `pos`: quoted or bare.
Span ValueAfterName(std::string_view text, size_t pos) {
    while (pos < text.size() && IsHtmlBlank(text[pos]))
        ++pos;
    if (pos >= text.size() || text[pos] != '=')
        return {};
    ++pos;
    while (pos < text.size() && IsHtmlBlank(text[pos]))
        ++pos;
    char quote = 0;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\''))
        quote = text[pos++];
    size_t end = pos;
    while (end < text.size()) {
        const char c = text[end];
        if (quote ? c == quote : (IsHtmlBlank(c) || c == ';' || c == '>' || c == '"' || c == '\''))
            break;
        ++end;
    }
    if (end == pos)
        return {};
    return {pos, end - pos};
}

// Lower-case copy of the text in which declarations are looked for.
std::string DeclarationWindow(std::string_view text) {
    return LowerAscii(text.substr(0, std::min(text.size(), kDeclarationWindow)));
}

Span XmlDeclarationEncoding(std::string_view lowered) {
    size_t start = 0;
    while (start < lowered.size() && IsHtmlBlank(lowered[start]))
        ++start;
    if (lowered.substr(start, 5) != "<?xml")
        return {};
    const size_t end = lowered.find("?>", start);
    const std::string_view decl = lowered.substr(0, end);
    const size_t name = decl.find("encoding", start);
    if (name == std::string_view::npos)
        return {};
    return ValueAfterName(decl, name + 8);
}

// Every charset value inside a <meta> tag of the window, in order.
std::vector<Span> MetaCharsets(std::string_view lowered) {
    std::vector<Span> spans;
    for (size_t at = lowered.find("<meta"); at != std::string_view::npos;
         at = lowered.find("<meta", at + 5)) {
        const size_t close = lowered.find('>', at);
        const std::string_view tag = lowered.substr(0, close);
        const size_t name = tag.find("charset", at);
        if (name == std::string_view::npos)
            continue;
        const Span value = ValueAfterName(tag, name + 7);
        if (value.found())
            spans.push_back(value);
    }
    return spans;
}

struct Detected {
    std::string label;
    size_t skip = 0; // bytes of a byte order mark
};

std::optional<Detected> ByteOrderMark(std::string_view b) {
    auto starts = [&](std::string_view prefix) { return b.substr(0, prefix.size()) == prefix; };
    using namespace std::string_view_literals;
    if (starts("\xEF\xBB\xBF"sv))
        return Detected{"UTF-8", 3};
    if (starts("\xFF\xFE\x00\x00"sv))
        return Detected{"UTF-32LE", 4};
    if (starts("\x00\x00\xFE\xFF"sv))
        return Detected{"UTF-32BE", 4};
    if (starts("\xFF\xFE"sv))
        return Detected{"UTF-16LE", 2};
    if (starts("\xFE\xFF"sv))
        return Detected{"UTF-16BE", 2};
    // UTF-16 markup without a mark: "<?" with a zero byte beside each character.
    if (starts("<\0?\0"sv))
        return Detected{"UTF-16LE", 0};
    if (starts("\0<\0?"sv))
        return Detected{"UTF-16BE", 0};
    return std::nullopt;
}

// The iconv name for a charset label, following what browsers do with the common labels.
std::string IconvName(std::string_view label) {
    const std::string l = LowerAscii(Trim(label));
    if (l == "utf-8" || l == "utf8" || l == "unicode-1-1-utf-8")
        return "UTF-8";
    if (l == "iso-8859-1" || l == "iso8859-1" || l == "latin1" || l == "l1" || l == "us-ascii" ||
        l == "ascii" || l == "windows-1252" || l == "cp1252" || l == "x-cp1252")
        return "WINDOWS-1252";
    if (l == "shift_jis" || l == "shift-jis" || l == "sjis" || l == "x-sjis" || l == "ms_kanji" ||
        l == "windows-31j" || l == "cp932")
        return "CP932";
    std::string upper(l);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool IsWideUnicode(const std::string& name) {
    return name.rfind("UTF-16", 0) == 0 || name.rfind("UTF-32", 0) == 0 || name == "UCS-2";
}

// A label the server gave for UTF-16 without naming the byte order: look at the zero bytes.
std::string WithByteOrder(const std::string& name, std::string_view bytes) {
    if (name != "UTF-16" && name != "UCS-2")
        return name;
    const bool bigEndian = bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] != '\0';
    return bigEndian ? "UTF-16BE" : "UTF-16LE";
}

bool CanConvertFrom(const std::string& name) {
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    return true;
}

std::string SanitizedUtf8(std::string_view b) {
    const size_t firstInvalid = FirstInvalidUtf8(b);
    if (firstInvalid == std::string_view::npos)
        return std::string(b);
    std::string out;
    out.reserve(b.size());
    out.append(b.substr(0, firstInvalid));
    for (size_t i = firstInvalid; i < b.size();) {
        const size_t len = Utf8SequenceLength(b, i);
        if (len == 0) {
            out.append(kReplacementChar);
            ++i;
        } else {
            out.append(b.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::string ConvertWithIconv(std::string_view bytes, const std::string& from) {
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2 + 16);
    char chunk[16384];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    const size_t unit = IsWideUnicode(from) ? (from.rfind("UTF-32", 0) == 0 ? 4 : 2) : 1;
    while (inLeft > 0) {
        char* outPtr = chunk;
        size_t outLeft = sizeof chunk;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, static_cast<size_t>(outPtr - chunk));
        if (rc != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        // A byte sequence the encoding does not have, or one cut off at the end.
        out.append(kReplacementChar);
        const size_t skip = std::min(unit, inLeft);
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return out;
}

std::optional<Detected> DeclaredInDocument(std::string_view bytes) {
    const std::string lowered = DeclarationWindow(bytes);
    Span span = XmlDeclarationEncoding(lowered);
    if (!span.found()) {
        const auto metas = MetaCharsets(lowered);
        if (!metas.empty())
            span = metas.front();
    }
    if (!span.found())
        return std::nullopt;
    return Detected{std::string(bytes.substr(span.pos, span.len)), 0};
}

// Which encoding to read the page in; empty label when nothing usable is declared.
Detected DetectEncoding(std::string_view bytes, std::string_view contentType) {
    if (auto bom = ByteOrderMark(bytes))
        return *bom;
    const std::string headerCharset = CharsetOfContentType(contentType);
    if (!headerCharset.empty() && CanConvertFrom(WithByteOrder(IconvName(headerCharset), bytes)))
        return Detected{WithByteOrder(IconvName(headerCharset), bytes), 0};
    if (auto declared = DeclaredInDocument(bytes)) {
        std::string name = IconvName(declared->label);
        // Markup we could read as ASCII is not UTF-16, whatever it says about itself.
        if (IsWideUnicode(name))
            name = "UTF-8";
        if (CanConvertFrom(name))
            return Detected{name, 0};
    }
    return Detected{};
}

std::string RewriteDeclaredEncodings(std::string text) {
    const std::string lowered = DeclarationWindow(text);
    std::vector<Span> spans = MetaCharsets(lowered);
    const Span decl = XmlDeclarationEncoding(lowered);
    if (decl.found())
        spans.insert(spans.begin(), decl);
    // Replace from the back so earlier positions stay valid.
    for (auto it = spans.rbegin(); it != spans.rend(); ++it)
        text.replace(it->pos, it->len, "UTF-8");
    return text;
}

} // namespace

std::string CharsetOfContentType(std::string_view contentType) {
    const std::string lowered = LowerAscii(contentType);
    const size_t name = lowered.find("charset");
    if (name == std::string::npos)
        return {};
    const Span value = ValueAfterName(contentType, name + 7);
    return value.found() ? std::string(contentType.substr(value.pos, value.len)) : std::string();
}

Utf8Page PageBytesToUtf8(std::string_view bytes, std::string_view contentTypeHeader) {
    const Detected detected = DetectEncoding(bytes, contentTypeHeader);
    const std::string_view body = bytes.substr(detected.skip);
    Utf8Page page;
    if (detected.label.empty()) {
        const bool utf8 = IsValidUtf8(body);
        page.encoding = utf8 ? "UTF-8" : "WINDOWS-1252";
        page.text = utf8 ? std::string(body) : ConvertWithIconv(body, page.encoding);
    } else if (detected.label == "UTF-8") {
        page.encoding = "UTF-8";
        page.text = SanitizedUtf8(body);
    } else {
        page.encoding = detected.label;
        page.text = ConvertWithIconv(body, detected.label);
    }
    if (page.encoding != "UTF-8")
        page.text = RewriteDeclaredEncodings(std::move(page.text));
    page.changed = page.text != bytes;
    return page;
}

std::string ConvertPageToUtf8(const std::string& path, std::string_view contentTypeHeader) {
    const std::string bytes = ReadFileBytes(path);
    const Utf8Page page = PageBytesToUtf8(bytes, contentTypeHeader);
    if (page.changed)
        AtomicWriteFile(path, page.text);
    return page.encoding;
}

} // namespace nimbrel
