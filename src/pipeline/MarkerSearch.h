// Finding one lower-case marker in one line, whatever the letter case of the line, again and
// again from varying positions.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// Remembers its last answer (the first occurrence at or after some position), so a later
// search from anywhere up to that occurrence costs nothing and one from further left scans only
// the bytes left of the remembered start. The cutter's searches thus stay linear in the line
// even when rules make it step back (reverse counts, skipped occurrences). The line is lowered
// piece by piece as it is scanned, so no lowered copy of a whole page is ever held.
class MarkerSearch {
  public:
    static constexpr size_t npos = std::string_view::npos;

    // The marker must already be lower-case (ASCII).
    explicit MarkerSearch(std::string_view marker) : marker_(marker) {}

    // Starts over on a new text; the text must outlive the searches.
    void reset(std::string_view text);
    // The first occurrence beginning at or after `from`, compared without regard to the case of
    // ASCII letters, or npos. An empty marker is never found.
    size_t find(size_t from);

  private:
    size_t scan(size_t from, size_t end); // occurrence beginning in [from, end - size)

    std::string_view marker_;
    std::string lowered_; // the piece of the text being scanned, lower-cased
    std::string_view text_;
    size_t knownFrom_ = npos; // no occurrence begins in [knownFrom_, knownAt_)
    size_t knownAt_ = npos;
};

} // namespace nimbrel
