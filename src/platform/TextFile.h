// 8-bit text files, line by line. Reading: a line ends at CR, an LF directly after the CR belongs
// to the line end, a lone LF is an ordinary character, and a byte 0x1A ends the input.
// Writing: every line ends with CR LF.
#pragma once

#include "platform/AtomicFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

class TextReader {
  public:
    // Opens the file; raises EInOutError ("File not found", "File access denied" ...).
    explicit TextReader(const std::string& path);
    // Reads `text`, which the caller keeps alive, as the file `name` would be read.
    struct InMemory {};
    TextReader(std::string name, std::string_view text, InMemory);
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // True when no further line can be read: the end of the file or a byte 0x1A.
    bool eof();
    // Reads the next line without its line end into `line`; false (and `line` empty) at eof.
    bool readLine(std::string& line);
    // The same as a view: into the text itself when reading from memory (a page's one line is not
    // copied), else into `storage`; valid until the next read.
    bool readLine(std::string_view& line, std::string& storage);
    void close();

  private:
    bool fill();
    int peek();
    template <class Sink> bool readParts(Sink&& sink);

    std::string path_; // named in its errors
    FILE* file_ = nullptr;
    std::vector<char> buffer_;
    const char* data_ = nullptr; // the buffer, or the text read from memory
    size_t pos_ = 0;
    size_t end_ = 0;
    bool stopped_ = false; // 0x1A seen
};

// Every line of the file, as the reader splits them.
std::vector<std::string> ReadTextLines(const std::string& path);

// Writes lines, each followed by CR LF. Atomic by default: the target is replaced only by
// close(); a writer destroyed before close() leaves the old file whole. AtomicScratch does the
// same without waiting for the disk (AtomicFile::Durability::Scratch). Direct mode writes the
// target in place (for scratch files in Temp).
class TextWriter {
  public:
    enum class Mode { Atomic, AtomicScratch, Direct };
    explicit TextWriter(const std::string& path, Mode mode = Mode::Atomic);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void write(std::string_view text);     // bytes as they are
    void writeLine(std::string_view line); // line + CR LF
    void close();                          // commits an atomic writer; raises EInOutError
    bool isOpen() const { return atomic_ != nullptr || direct_ != nullptr; }
    uint64_t bytesWritten() const { return written_; }

  private:
    std::string path_; // named in its errors
    std::unique_ptr<AtomicFile> atomic_;
    FILE* direct_ = nullptr;
    uint64_t written_ = 0;
};

} // namespace nimbrel
