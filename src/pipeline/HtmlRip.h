// The page cutter: runs a rule file's command tree over a page file and writes the pieces it
// cuts into the site's cut file. Markers are found in a lower-cased copy of each line; the page
// is never parsed as HTML. Errors are raised and end the whole command tree.
#pragma once

#include "components/MSXML2_TLB.h"
#include "pipeline/CommandRules.h"
#include "platform/TextFile.h"

#include <memory>
#include <string>
#include <string_view>

namespace nimbrel {

class JoinedPage;

// The element's attribute value without leading and trailing blanks and control characters;
// empty when the attribute is absent. An error inside is raised again as an Exception whose
// message is CR LF, the caught message (or "General Exception"), CR LF, "GetAttributeValue".
std::string GetAttributeValue(const msxml::XmlNode& element, const std::string& attributeName);

// Runs every Command at or below the node, depth first in document order, each before its
// children. A first-level command reads `inputPath`; a child command reads its parent's
// temporary file. A command reached with an empty input path (one that stands inside a command
// only through another element) is passed over together with everything below it.
void RunCommandTree(const msxml::XmlNode& node, const std::string& inputPath);
// The same over a page joined in memory: first-level commands read its text.
void RunCommandTree(const msxml::XmlNode& node, const JoinedPage& page);

// Cuts the input by the rules' command tree into the cut file `cutPath` (RipOutput()); when a
// command fails, what was cut so far is kept and the failure raised again.
void CutInto(const msxml::XmlNode& rules, const std::string& inputPath, const std::string& cutPath);
void CutInto(const msxml::XmlNode& rules, const JoinedPage& page, const std::string& cutPath);

// Reads the command's rules, opens its files and cuts. An inner command (isLeaf false) writes
// its pieces one per line to Temp/<TempFileName(inputPath)> and returns that path; a leaf
// writes to RipOutput() and returns the empty text. Only the name "append" cuts.
std::string RunCommand(const msxml::XmlNode& command, const std::string& inputPath, bool isLeaf);

// The rules of one Command element, every text trimmed, tables filled by rank.
CommandRules ReadCommandRules(const msxml::XmlNode& command);

// Cuts every line of `input` by the rules and writes each piece as one line to `output`.
// Raises EConvertError before reading when a count is not a whole number, and
// nimbrel::Exception when `output` would grow past limits::kCutTextBytes.
void RipPieces(TextReader& input, TextWriter& output, const CommandRules& rules);

// The file name of a path: the part after the last "\" or "/", or the whole text.
std::string StripPath(std::string_view path);

// The name of an inner command's temporary file in Temp: StripPath(inputPath) + ".temp",
// with the input's name shortened (NameWithinBytes) when the whole would not fit a file name,
// so a long page name or a deep command tree never makes a name the file system refuses.
std::string TempFileName(std::string_view inputPath);

// Rewrites the text file as one line: every line joined with nothing between, followed by
// CR LF; a byte 0x1A ends the input. Streams through the file (memory does not grow with its
// size) and replaces it atomically. Raises EInOutError when it cannot be read or written.
void JoinLines(const std::string& path);
// The same, written to `joined` (replaced atomically); `source` is only read.
void JoinLines(const std::string& source, const std::string& joined);

// A page file joined into one line, held in memory under the name a copy in the folder Temp
// would have (inner commands name their temporary files after it). The cut reads this copy and
// never rewrites the page file, so a page file always goes with its record, whatever another
// thread or run fetches meanwhile; and no file is made and removed again for every site.
class JoinedPage {
  public:
    // Raises EInOutError when the page cannot be read.
    explicit JoinedPage(const std::string& pagePath);
    JoinedPage(const JoinedPage&) = delete;
    JoinedPage& operator=(const JoinedPage&) = delete;
    const std::string& path() const { return path_; }
    const std::string& text() const { return text_; }

  private:
    std::string path_;
    std::string text_;
};

// The shared output of all leaf commands: the site's cut file while one site is cut. The cut
// file is replaced only when it is closed, so a crash mid-cut leaves the previous one whole.
class RipOutputFile {
  public:
    // Starts a new, empty cut file at `path`; raises EInOutError when it cannot be created.
    void open(const std::string& path);
    // Replaces the cut file with what was written; raises EInOutError.
    void close();
    // After an error has ended the cutting: keeps the pieces written so far, raises nothing.
    void closeAfterError() noexcept;
    bool isOpen() const { return writer_ != nullptr; }
    // The open writer; raises EInOutError (103, file not open) when closed.
    TextWriter& writer();

  private:
    std::unique_ptr<TextWriter> writer_;
};

// The calling thread's cut output.
RipOutputFile& RipOutput();

} // namespace nimbrel
