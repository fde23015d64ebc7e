#include "pipeline/FixList.h"

#include "platform/Convert.h"
#include "platform/Files.h"
#include "platform/TextFile.h"

namespace nimbrel {

namespace {
constexpr std::string_view kSeparator = "\",\"";
}

std::optional<FixPair> ParseFixLine(std::string_view line) {
    if (line.empty())
        return std::nullopt;
    const size_t separator = line.find(kSeparator, 1);
    if (separator == std::string_view::npos)
        return std::nullopt;
    FixPair pair;
    pair.find = std::string(line.substr(1, separator - 1));
    const size_t from = separator + kSeparator.size();
    if (line.size() > from)
        pair.replacement = std::string(line.substr(from, line.size() - from - 1));
    return pair;
}

std::vector<FixPair> LoadFixList(const std::string& path) {
    std::vector<FixPair> pairs;
    if (!FileExists(path))
        return pairs;
    for (const std::string& line : ReadTextLines(path))
        if (auto pair = ParseFixLine(line))
            pairs.push_back(std::move(*pair));
    return pairs;
}

std::string ApplyFixList(std::string text, const std::vector<FixPair>& pairs) {
    for (const FixPair& pair : pairs)
        if (!pair.find.empty() && text.find(pair.find) != std::string::npos)
            text = ReplaceAll(text, pair.find, pair.replacement);
    return text;
}

} // namespace nimbrel
