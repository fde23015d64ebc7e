// fix.dat: text corrections applied to every site's cleaned text. One pair per line, written
// "find","replacement" : the find text runs from the second character to the first "\",\"",
// the replacement is what follows that separator except the line's last character.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

struct FixPair {
    std::string find;
    std::string replacement;

    bool operator==(const FixPair&) const = default;
};

// The pair of one line, or nothing for a line without the separator.
std::optional<FixPair> ParseFixLine(std::string_view line);

// Every pair of the file in file order; none when the file does not exist.
std::vector<FixPair> LoadFixList(const std::string& path);

// Applies the pairs in order, each to the result of the one before; an empty find text
// changes nothing.
std::string ApplyFixList(std::string text, const std::vector<FixPair>& pairs);

} // namespace nimbrel
