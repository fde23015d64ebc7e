#include "platform/TextFile.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstring>

namespace nimbrel {

namespace {
constexpr size_t kBufferSize = 1 << 16;
constexpr char kEndOfInput = 0x1A;
} // namespace

TextReader::TextReader(const std::string& path) : path_(path), buffer_(kBufferSize) {
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        RaiseInOutError(errno, path_);
    data_ = buffer_.data();
}

TextReader::TextReader(std::string name, std::string_view text, InMemory)
    : path_(std::move(name)), data_(text.data()), end_(text.size()) {}

TextReader::~TextReader() {
    close();
}

void TextReader::close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool TextReader::fill() {
    if (!file_)
        return false;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    pos_ = 0;
    if (end_ == 0 && std::ferror(file_))
        RaiseInOutError(errno ? errno : EIO, path_);
    return end_ > 0;
}

int TextReader::peek() {
    if (stopped_)
        return EOF;
    if (pos_ == end_ && !fill())
        return EOF;
    if (data_[pos_] == kEndOfInput) {
        stopped_ = true;
        return EOF;
    }
    return static_cast<unsigned char>(data_[pos_]);
}

bool TextReader::eof() {
    return peek() == EOF;
}

// Hands the next line to `sink` in parts, as the buffer holds them (one part when reading from
// memory); false at eof.
template <class Sink> bool TextReader::readParts(Sink&& sink) {
    if (eof())
        return false;
    for (;;) {
        if (pos_ == end_ && !fill())
            return true;
        const char* begin = data_ + pos_;
        const size_t available = end_ - pos_;
        const void* cr = std::memchr(begin, '\r', available);
        size_t n = cr ? static_cast<size_t>(static_cast<const char*>(cr) - begin) : available;
        if (const void* stop = std::memchr(begin, kEndOfInput, n))
            n = static_cast<size_t>(static_cast<const char*>(stop) - begin);
        sink(std::string_view(begin, n));
        pos_ += n;
        if (n == available)
            continue;
        if (begin[n] == kEndOfInput) {
            stopped_ = true;
            return true;
        }
        ++pos_; // the CR
        if (peek() == '\n')
            ++pos_;
        return true;
    }
}

bool TextReader::readLine(std::string& line) {
    line.clear();
    return readParts([&line](std::string_view part) { line.append(part); });
}

bool TextReader::readLine(std::string_view& line, std::string& storage) {
    if (file_) {
        const bool read = readLine(storage);
        line = storage;
        return read;
    }
    line = {};
    return readParts([&line](std::string_view part) { line = part; });
}

std::vector<std::string> ReadTextLines(const std::string& path) {
    TextReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.readLine(line))
        lines.push_back(line);
    return lines;
}

TextWriter::TextWriter(const std::string& path, Mode mode) : path_(path) {
    if (mode != Mode::Direct) {
        atomic_ = std::make_unique<AtomicFile>(path, mode == Mode::Atomic
                                                         ? AtomicFile::Durability::Synced
                                                         : AtomicFile::Durability::Scratch);
        return;
    }
    direct_ = std::fopen(path.c_str(), "wb");
    if (!direct_)
        RaiseInOutError(errno, path_);
}

TextWriter::~TextWriter() {
    if (direct_)
        std::fclose(direct_);
}

void TextWriter::write(std::string_view text) {
    written_ += text.size();
    if (atomic_) {
        atomic_->write(text);
        return;
    }
    if (!direct_)
        throw EInOutError(103);
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), direct_) != text.size())
        RaiseInOutError(errno ? errno : EIO, path_);
}

void TextWriter::writeLine(std::string_view line) {
    write(line);
    write("\r\n");
}

void TextWriter::close() {
    if (atomic_) {
        auto file = std::move(atomic_);
        file->commit();
        return;
    }
    if (direct_) {
        FILE* f = direct_;
        direct_ = nullptr;
        if (std::fclose(f) != 0)
            RaiseInOutError(errno ? errno : EIO, path_);
    }
}

} // namespace nimbrel
