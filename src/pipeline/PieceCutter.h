// The cutting proper: pieces from a start marker to an end marker, line by line.
#pragma once

#include "pipeline/CommandRules.h"
#include "pipeline/MarkerSearch.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// Cuts the pieces of one command's run. Each line is walked with offsets; markers are found
// with a linear-time substring search that lowers the line piece by piece, and no step copies
// the rest of the line, so a line costs time linear in its length plus the size of the pieces
// it yields, and memory for the line itself, its "<" positions (when a rule counts them) and
// the piece in hand.
// The piece count for `specific` runs over every line given to one cutter.
class PieceCutter {
  public:
    using Writer = std::function<void(std::string_view piece)>;

    explicit PieceCutter(PreparedRules rules);
    PieceCutter(const PieceCutter&) = delete; // the searches view the rules' markers
    PieceCutter& operator=(const PieceCutter&) = delete;

    // Cuts every piece of the line (a line without its line end) and hands each piece that is
    // to be written, cleaned and wrapped, to `write`.
    void cutLine(std::string_view line, const Writer& write);

    int64_t piecesCounted() const { return count_; }

  private:
    // A piece [begin, end) of the line and the position where cutting resumes.
    struct Cut {
        size_t begin;
        size_t end;
        size_t resume;
    };

    bool nextCut(size_t from, Cut& cut);
    size_t nthLessThanBefore(size_t position, int32_t count, size_t lineStart) const;
    void indexLessThans();
    void handPiece(std::string_view piece, const Writer& write);

    PreparedRules rules_; // declared before the searches, which view its markers
    MarkerSearch startSearch_;
    MarkerSearch endSearch_;
    std::string_view line_;
    std::vector<size_t> lessThans_; // positions of "<" in the line, for reverse counts
    std::string transformed_;
    int64_t count_ = 0;
};

} // namespace nimbrel
