// The HTML cleaner over libtidy.
//
// Chosen options. The display step's fixed settings:
//   output-xml yes        well-formed XML out, without the XHTML default namespace that
//                         output-xhtml adds (plain names in the site stylesheets must match)
//   numeric-entities yes  &nbsp; and friends written as &#160;, which any XML parser reads
//   indent-spaces 2, tab-size 8   layout only
// The per-site switch is input-xml: off for pages of type "html" (parsed as HTML and repaired
// into an html document), on for every other type (XML-like pieces such as RSS or Atom items,
// kept as they are; several top-level elements are wrapped by the caller).
// HTML input is written with output-xhtml on as well: the XML printer starts every element on a
// line of its own, and those line breaks become blanks inside running text ("篠島は、 愛知県"),
// where the XHTML printer keeps inline elements inline. Its XHTML namespace is dropped again.
// Always set by the object itself: UTF-8 out, and UTF-8 in unless the file is not valid UTF-8,
// in which case it is read as Windows-1252 (legacy Latin pages keep their characters instead of
// turning into replacement marks); doctype omit (nothing for an XML parser to fetch), quiet, no
// warnings, no info, no reports on stderr, force-output (a text even when the page has errors),
// wrap 0 (no line breaks added inside texts), tidy-mark no, add-xml-decl no.
#include "components/TidyCOM_TLB.h"

#include "components/TidyArena.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/LargeStack.h"
#include "platform/Limits.h"

#include <tidy/tidy.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace nimbrel::tidycom {

const TidyOptionId kFirstFixedSwitch = TidyXmlOut;
const TidyOptionId kSecondFixedSwitch = TidyNumEntities;
const TidyOptionId kOptionSetToTwo = TidyIndentSpaces;
const TidyOptionId kOptionSetToEight = TidyTabSize;
const TidyOptionId kPerSiteSwitch = TidyXmlTags;

namespace {

std::atomic<bool> cleanerAvailable{true};

void Require(bool done, const char* what) {
    if (!done)
        throw Exception(std::string("The HTML cleaner refused the option ") + what);
}

// libtidy's steps answer a negative number when they fail (its own errors in the page are
// positive and still give a text, as force-output asks).
void RequireStep(int status, const char* step) {
    if (status < 0)
        throw Exception(std::string("The HTML cleaner could not ") + step + " the text (status " +
                        std::to_string(status) + ")");
}

void SetBaseOptions(TidyDoc doc) {
    Require(tidyOptSetBool(doc, TidyXmlOut, yes), "output-xml");
    Require(tidyOptSetBool(doc, TidyNumEntities, yes), "numeric-entities");
    Require(tidySetCharEncoding(doc, "utf8") == 0, "char-encoding");
    Require(tidyOptSetInt(doc, TidyDoctypeMode, TidyDoctypeOmit), "doctype");
    Require(tidyOptSetBool(doc, TidyQuiet, yes), "quiet");
    Require(tidyOptSetBool(doc, TidyShowWarnings, no), "show-warnings");
    Require(tidyOptSetBool(doc, TidyShowInfo, no), "show-info");
    Require(tidyOptSetBool(doc, TidyForceOutput, yes), "force-output");
    Require(tidyOptSetInt(doc, TidyWrapLen, 0), "wrap");
    Require(tidyOptSetBool(doc, TidyMark, no), "tidy-mark");
    Require(tidyOptSetBool(doc, TidyXmlDecl, no), "add-xml-decl");
}

// The caller's bytes lent to the cleaner as its input, without a copy. The cleaner asks for
// every byte through these calls, so they do no more than a buffer must.
class MemorySource {
  public:
    explicit MemorySource(const std::string& bytes)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {
        tidyInitSource(&source, this, &GetByte, &UngetByte, &AtEnd);
    }
    MemorySource(const MemorySource&) = delete;
    MemorySource& operator=(const MemorySource&) = delete;
    TidyInputSource source;

  private:
    static int TIDY_CALL GetByte(void* self) {
        auto* in = static_cast<MemorySource*>(self);
        return in->pos_ < in->size_ ? in->data_[in->pos_++] : static_cast<int>(EndOfStream);
    }
    static void TIDY_CALL UngetByte(void* self, byte) {
        auto* in = static_cast<MemorySource*>(self);
        if (in->pos_ > 0)
            --in->pos_;
    }
    static Bool TIDY_CALL AtEnd(void* self) {
        auto* in = static_cast<MemorySource*>(self);
        return in->pos_ >= in->size_ ? yes : no;
    }
    const unsigned char* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The cleaner's output, collected byte by byte: one comparison and one store per byte.
class StringSink {
  public:
    explicit StringSink(size_t expected) : text_(std::max<size_t>(expected, 64), '\0') {
        tidyInitSink(&sink, this, &PutByte);
    }
    StringSink(const StringSink&) = delete;
    StringSink& operator=(const StringSink&) = delete;
    std::string take() && {
        text_.resize(used_);
        return std::move(text_);
    }
    TidyOutputSink sink;

  private:
    static void TIDY_CALL PutByte(void* self, byte value) {
        auto* out = static_cast<StringSink*>(self);
        if (out->used_ == out->text_.size())
            out->text_.resize(out->text_.size() * 2);
        out->text_[out->used_++] = static_cast<char>(value);
    }
    std::string text_;
    size_t used_ = 0;
};

void TIDY_CALL DiscardByte(void*, byte) {}

// One page's document; its memory is given back with it, all at once.
struct Document {
    Document() : doc(tidyCreateWithAllocator(arena.allocator())) {}
    ~Document() {
        if (doc)
            tidyRelease(doc);
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    TidyArena arena;
    TidyDoc doc;
};

bool IsValidUtf8(const std::string& bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        // Pages are mostly ASCII: eight such bytes are passed over at a time.
        std::uint64_t eight;
        if (i + sizeof eight <= bytes.size()) {
            std::memcpy(&eight, bytes.data() + i, sizeof eight);
            if ((eight & 0x8080808080808080ull) == 0) {
                i += sizeof eight;
                continue;
            }
        }
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t length = lead < 0x80           ? 1
                        : (lead >> 5) == 0x6  ? 2
                        : (lead >> 4) == 0xE  ? 3
                        : (lead >> 3) == 0x1E ? 4
                                              : 0;
        if (length == 0 || lead == 0xC0 || lead == 0xC1 || lead > 0xF4 || i + length > bytes.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// Control characters other than tab and line ends are not allowed anywhere in XML, and the
// cleaner passes them through; a page's stray control bytes are dropped instead, before the
// cleaner reads it and again from what it writes (where a reference such as "&#3;" became one).
void DropControlCharacters(std::string& bytes) {
    const auto isControl = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\n' && u != '\r';
    };
    // Most texts have none: looking costs less than rewriting every byte.
    const auto first = std::find_if(bytes.begin(), bytes.end(), isControl);
    bytes.erase(std::remove_if(first, bytes.end(), isControl), bytes.end());
}

// The cleaned text is UTF-8 whatever the page declared, so a declaration naming another
// encoding would mislead the XML parser; none is needed for UTF-8, and without one the caller
// can wrap several top-level elements.
std::string WithoutXmlDeclaration(std::string text) {
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\n' ||
                                   text[start] == '\r' || text[start] == '\t'))
        ++start;
    if (text.compare(start, 5, "<?xml") != 0 || start + 5 >= text.size() ||
        !(text[start + 5] == ' ' || text[start + 5] == '\n' || text[start + 5] == '\r' ||
          text[start + 5] == '\t' || text[start + 5] == '?'))
        return text;
    size_t end = text.find("?>", start);
    if (end == std::string::npos)
        return text;
    end += 2;
    while (end < text.size() && (text[end] == '\n' || text[end] == '\r'))
        ++end;
    return text.erase(0, end);
}

// The XHTML printer declares the XHTML namespace as the default (and XHTML pages do so
// themselves); plain names in the site stylesheets would then match nothing, so HTML input
// loses it.
void DropXhtmlNamespace(TidyDoc doc) {
    static const std::string xhtml = "http://www.w3.org/1999/xhtml";
    TidyNode node = tidyGetRoot(doc);
    while (node) {
        for (TidyAttr attr = tidyAttrFirst(node); attr;) {
            TidyAttr next = tidyAttrNext(attr);
            const char* name = tidyAttrName(attr);
            const char* value = tidyAttrValue(attr);
            if (name && value && std::string(name) == "xmlns" && value == xhtml)
                tidyAttrDiscard(doc, node, attr);
            attr = next;
        }
        // Depth first without recursion: pages can nest very deeply.
        if (TidyNode child = tidyGetChild(node)) {
            node = child;
            continue;
        }
        while (node && !tidyGetNext(node))
            node = tidyGetParent(node);
        if (node)
            node = tidyGetNext(node);
    }
}

// libtidy aborts the process on an option of the wrong kind, so the kind is checked first.
bool IsOfKind(TidyDoc doc, TidyOptionId option, TidyOptionType kind) {
    TidyOption found = tidyGetOption(doc, option);
    return found && tidyOptGetType(found) == kind;
}

} // namespace

void InitialiseCleaner() {
    static std::once_flag once;
    // The language only words the cleaner's reports, which nobody sees.
    std::call_once(once, [] { tidySetLanguage("en"); });
}

void SetCleanerAvailableForTesting(bool available) {
    cleanerAvailable = available;
}

void TidyOptions::setSwitch(TidyOptionId option, bool on) {
    if (!IsOfKind(doc_, option, TidyBoolean) || !tidyOptSetBool(doc_, option, on ? yes : no))
        throw Exception("The HTML cleaner refused a switch");
}

void TidyOptions::setValue(TidyOptionId option, unsigned long value) {
    if (!IsOfKind(doc_, option, TidyInteger) || !tidyOptSetInt(doc_, option, value))
        throw Exception("The HTML cleaner refused an option value");
}

std::unique_ptr<TidyObject> TidyObject::Create() {
    if (!cleanerAvailable)
        throw Exception("The HTML cleaner is not available");
    InitialiseCleaner();
    return std::unique_ptr<TidyObject>(new TidyObject());
}

TidyObject::TidyObject() : doc_(tidyCreate()) {
    if (!doc_)
        throw Exception("The HTML cleaner could not be created");
    try {
        SetBaseOptions(doc_);
    } catch (...) {
        tidyRelease(doc_);
        throw;
    }
}

TidyObject::~TidyObject() {
    tidyRelease(doc_);
}

TidyOptions TidyObject::options() {
    return TidyOptions(doc_);
}

std::string TidyObject::cleanFile(const std::string& path) {
    // A site whose download came back empty has no cut file; one that is there must be read.
    if (!FileExists(path))
        return {};
    std::string bytes = ReadFileBytes(path);
    if (bytes.size() > limits::kCutTextBytes)
        throw Exception("The text to clean has " + std::to_string(bytes.size()) +
                        " bytes, more than the " + std::to_string(limits::kCutTextBytes) +
                        " the cleaner takes");
    DropControlCharacters(bytes);
    std::string cleaned;
    RunOnLargeStack(limits::kEngineStackBytes, [&] { cleaned = cleanBytes(bytes); });
    return cleaned;
}

std::string TidyObject::cleanBytes(const std::string& bytes) {
    // A fresh document per file, configured like this object: nothing of the last page stays.
    Document work;
    if (!work.doc || !tidyOptCopyConfig(work.doc, doc_))
        throw Exception("The HTML cleaner could not be prepared");
    TidyOutputSink noReports;
    tidyInitSink(&noReports, &noReports, &DiscardByte); // it refuses no data at all
    tidySetErrorSink(work.doc, &noReports);             // reports stay off stderr and out of memory
    tidySetInCharEncoding(work.doc, IsValidUtf8(bytes) ? "utf8" : "win1252");
    const bool html = !tidyOptGetBool(work.doc, kPerSiteSwitch);
    if (html && !tidyOptSetBool(work.doc, TidyXhtmlOut, yes))
        throw Exception("The HTML cleaner refused the option output-xhtml");
    MemorySource input(bytes);
    RequireStep(tidyParseSource(work.doc, &input.source), "read");
    RequireStep(tidyCleanAndRepair(work.doc), "repair");
    if (html)
        DropXhtmlNamespace(work.doc);
    // The cleaned text is about as long as the page, a little longer for the tags it closes.
    StringSink output(bytes.size() + bytes.size() / 4);
    RequireStep(tidySaveSink(work.doc, &output.sink), "write");
    std::string cleaned = std::move(output).take();
    DropControlCharacters(cleaned);
    return WithoutXmlDeclaration(std::move(cleaned));
}

} // namespace nimbrel::tidycom
