// Cleaning and wrapping one cut piece: span removals, then replacements, then the wrap texts.
#pragma once

#include "pipeline/CommandRules.h"

#include <string>
#include <string_view>

namespace nimbrel {

// Repeatedly deletes the span from the first occurrence of `openText` to the end of the first
// occurrence of `closeText` (both searched from the beginning, letter case counting) while both
// occur and the close does not begin before the open. Either text empty: no change.
// Linear in the text's length: the kept text is built left to right and only the few bytes
// next to a deletion are searched again.
std::string RemoveSpans(std::string_view text, std::string_view openText,
                        std::string_view closeText);

// Removals of the table in rank order, then replacements in rank order, then the wrap texts
// around the result. Writes into `out` (its old content is discarded). Raises
// nimbrel::Exception, before building it, when the piece would grow past
// limits::kCutTextBytes, so memory stays bounded however the replacements feed each other.
void TransformPiece(std::string_view piece, const PreparedRules& rules, std::string& out);

} // namespace nimbrel
