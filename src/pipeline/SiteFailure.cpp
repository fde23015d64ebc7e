#include "pipeline/SiteFailure.h"

#include "platform/Convert.h"

namespace nimbrel {

namespace {

// Enough for any reason the program gives; an engine's long report is cut here.
constexpr size_t kLongestReason = 400;

// One line of text: runs of line breaks and tabs become one blank.
std::string CollapsedLine(std::string_view text) {
    std::string line;
    for (char c : text) {
        const bool blank = c == '\r' || c == '\n' || c == '\t' || c == ' ';
        if (!blank)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    return Trim(line);
}

} // namespace

std::string ConciseReason(std::string_view reason) {
    const std::string line = CollapsedLine(reason);
    if (line.size() <= kLongestReason)
        return line;
    return std::string(Utf8Prefix(line, kLongestReason)) + "\xE2\x80\xA6"; // an ellipsis
}

} // namespace nimbrel
