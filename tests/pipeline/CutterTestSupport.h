// Building command rules and cutting in-memory pages through the real text files.
#pragma once

#include "pipeline/CommandRules.h"

#include <string>
#include <vector>

namespace nimbrel::test {

// A plain "append" command: markers excluded, counts "0", every piece written.
CommandRules AppendRules(const std::string& startMarker, const std::string& endMarker);

// Writes `page` to a file, cuts it with RipPieces into another file and returns the lines
// written (read back with the program's own line rules).
std::vector<std::string> CutPage(const std::string& page, const CommandRules& rules);

} // namespace nimbrel::test
