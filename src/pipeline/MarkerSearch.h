// Finding one marker in one lower-cased line, again and again from varying positions.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// Remembers its last answer (the first occurrence at or after some position), so a later
// search from anywhere up to that occurrence costs nothing and one from further left scans only
// the bytes left of the remembered start. The cutter's searches thus stay linear in the line
// even when rules make it step back (reverse counts, skipped occurrences).
class MarkerSearch {
  public:
    static constexpr size_t npos = std::string_view::npos;

    explicit MarkerSearch(std::string_view marker) : marker_(marker) {}

    // Starts over on a new text; the text must outlive the searches.
    void reset(std::string_view text);
    // The first occurrence beginning at or after `from`, or npos. An empty marker is never found.
    size_t find(size_t from);

  private:
    size_t scan(size_t from, size_t end) const; // occurrence beginning in [from, end - size)

    std::string_view marker_;
    std::string_view text_;
    size_t knownFrom_ = npos; // no occurrence begins in [knownFrom_, knownAt_)
    size_t knownAt_ = npos;
};

} // namespace nimbrel
