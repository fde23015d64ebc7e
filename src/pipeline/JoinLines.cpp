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
        const size_t stop = chunk.find(kEndOfInput);
        const std::string_view text = chunk.substr(0, stop);
        size_t pos = afterCR_ && !text.empty() && text.front() == '\n' ? 1 : 0;
        afterCR_ = false;
        while (pos < text.size()) {
            const size_t cr = text.find('\r', pos);
            out.write(text.substr(pos, cr == std::string_view::npos ? cr : cr - pos));
            if (cr == std::string_view::npos)
                break;
            pos = cr + 1;
            if (pos == text.size())
                afterCR_ = true; // an LF opening the next chunk still belongs to this CR
            else if (text[pos] == '\n')
                ++pos;
        }
        return stop == std::string_view::npos;
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
