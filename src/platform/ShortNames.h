// File names formed from data (URLs, input names) that may be longer than a file system takes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nimbrel {

// The name itself when it has at most maxBytes bytes. Otherwise a name of at most maxBytes:
// the name's first bytes (never half of a UTF-8 letter), "~" and 32 hex digits of the SHA-256
// of `identity`, the whole text the name stands for. The same identity always gives the same
// name; two identities share one only by a hash collision. maxBytes must exceed 33.
std::string NameWithinBytes(std::string_view name, std::size_t maxBytes, std::string_view identity);

} // namespace nimbrel
