#include "pipeline/HtmlRip.h"

#include "pipeline/PieceCutter.h"
#include "platform/Errors.h"
#include "platform/Limits.h"
#include "platform/ShortNames.h"

namespace nimbrel {

void RipPieces(TextReader& input, TextWriter& output, const CommandRules& rules) {
    PieceCutter cutter(PrepareRules(rules));
    const PieceCutter::Writer write = [&output](std::string_view piece) {
        if (output.bytesWritten() + piece.size() + 2 > limits::kCutTextBytes)
            throw Exception("The commands write more than " +
                            std::to_string(limits::kCutTextBytes) + " bytes into one file");
        output.writeLine(piece);
    };
    std::string storage;
    std::string_view line;
    while (input.readLine(line, storage))
        cutter.cutLine(line, write);
}

std::string StripPath(std::string_view path) {
    const size_t separator = path.find_last_of("\\/");
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string TempFileName(std::string_view inputPath) {
    static constexpr std::string_view kEnding = ".temp";
    const std::string input = StripPath(inputPath);
    return NameWithinBytes(input, limits::kFileNameBytes - kEnding.size(), input) +
           std::string(kEnding);
}

void RipOutputFile::open(const std::string& path) {
    closeAfterError();
    // The next cut makes the file again from the page kept in Sites.
    writer_ = std::make_unique<TextWriter>(path, TextWriter::Mode::AtomicScratch);
}

void RipOutputFile::close() {
    if (!writer_)
        return;
    auto writer = std::move(writer_);
    writer->close();
}

void RipOutputFile::closeAfterError() noexcept {
    try {
        close();
    } catch (...) {
        // The error that ended the cutting is the one to report.
    }
}

TextWriter& RipOutputFile::writer() {
    if (!writer_)
        throw EInOutError(103);
    return *writer_;
}

// One per thread: the rule editor's preview cuts on a worker while a cycle may be cutting on
// the window thread.
RipOutputFile& RipOutput() {
    thread_local RipOutputFile output;
    return output;
}

} // namespace nimbrel
