#include "pipeline/HtmlRip.h"

#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace nimbrel {

namespace {

constexpr char kEndOfInput = 0x1A;
constexpr size_t kChunk = 1 << 16;

// Drops line ends from a stream of bytes: a CR, and an LF directly after a CR. A lone LF is
// ordinary text. Returns false once a byte 0x1A has ended the input.
class LineEndFilter {
  public:
    template <class Sink> bool feed(std::string_view chunk, Sink& out) {
        size_t kept = 0; // start of the bytes not yet written
        for (size_t i = 0; i < chunk.size(); ++i) {
            const char c = chunk[i];
            const bool lineEnd = c == '\r' || (c == '\n' && afterCR_);
            afterCR_ = c == '\r';
            if (c == kEndOfInput) {
                out.write(chunk.substr(kept, i - kept));
                return false;
            }
            if (lineEnd) {
                out.write(chunk.substr(kept, i - kept));
                kept = i + 1;
            }
        }
        out.write(chunk.substr(kept));
        return true;
    }

  private:
    bool afterCR_ = false;
};

// The joined text kept in memory.
struct TextSink {
    void write(std::string_view bytes) { text.append(bytes); }
    std::string text;
};

// Streams the file through the filter into `out`, then ends the one line.
template <class Sink> void JoinInto(const std::string& source, Sink& out) {
    std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(source.c_str(), "rb"), &std::fclose);
    if (!in)
        RaiseInOutError(errno, source);
    LineEndFilter filter;
    std::vector<char> buffer(kChunk);
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
        if (!filter.feed(std::string_view(buffer.data(), n), out))
            break;
    }
    if (std::ferror(in.get()))
        RaiseInOutError(errno ? errno : EIO, source);
    out.write("\r\n");
}

} // namespace

void JoinLines(const std::string& path) {
    JoinLines(path, path);
}

void JoinLines(const std::string& source, const std::string& joined) {
    AtomicFile out(joined, AtomicFile::Durability::Scratch);
    JoinInto(source, out);
    out.commit();
}

JoinedPage::JoinedPage(const std::string& pagePath)
    : path_(DataFile("\\Temp", StripPath(pagePath))) {
    TextSink sink;
    sink.text.reserve(static_cast<size_t>(FileSize(pagePath)) + 2);
    JoinInto(pagePath, sink);
    text_ = std::move(sink.text);
}

} // namespace nimbrel
