#include "pipeline/PieceCutter.h"

#include "pipeline/PieceTransform.h"

#include <algorithm>
#include <cstring>

namespace nimbrel {

namespace {

constexpr size_t npos = std::string_view::npos;

} // namespace

PieceCutter::PieceCutter(PreparedRules rules)
    : rules_(std::move(rules)), startSearch_(rules_.start.lowered), endSearch_(rules_.end.lowered) {
}

void PieceCutter::indexLessThans() {
    lessThans_.clear();
    const bool needed = rules_.start.reverse > 0 || rules_.end.reverse > 0;
    if (!needed)
        return;
    // Counted first, so the index is allocated once at its size: on a page of many MB a growing
    // vector would hold its old and new storage at once.
    const char* const begin = line_.data();
    const char* const end = begin + line_.size();
    size_t count = 0;
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '<', end - p))); ++p)
        ++count;
    lessThans_.reserve(count);
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '<', end - p))); ++p)
        lessThans_.push_back(static_cast<size_t>(p - begin));
}

// The position of the count-th "<" met going left from the byte before `position`, or
// `lineStart` (the first unconsumed byte) when fewer stand between the two.
size_t PieceCutter::nthLessThanBefore(size_t position, int32_t count, size_t lineStart) const {
    const size_t before =
        std::lower_bound(lessThans_.begin(), lessThans_.end(), position) - lessThans_.begin();
    if (before < static_cast<size_t>(count))
        return lineStart;
    const size_t at = lessThans_[before - count];
    return at >= lineStart ? at : lineStart;
}

// Finds the next piece of the unconsumed line [from, end); false when the line yields no more.
bool PieceCutter::nextCut(size_t from, Cut& cut) {
    const PreparedMarker& start = rules_.start;
    const PreparedMarker& end = rules_.end;
    if (start.skip < 0 || end.skip < 0)
        return false;

    size_t p = startSearch_.find(from);
    for (int32_t passed = 0; p != npos && passed < start.skip; ++passed) {
        from = p + start.lowered.size(); // passing over consumes the line up to here
        p = startSearch_.find(from);
    }
    if (p == npos)
        return false;

    size_t begin;
    if (start.include)
        begin = start.reverse > 0 ? nthLessThanBefore(p, start.reverse, from) : p;
    else
        begin = p + start.lowered.size() + 1; // the byte after the marker is dropped too

    size_t q = endSearch_.find(begin);
    for (int32_t passed = 0; q != npos && passed < end.skip; ++passed)
        q = endSearch_.find(q + end.lowered.size());
    if (q == npos)
        return false;

    if (end.include) {
        cut.end = q + end.lowered.size();
        cut.resume = cut.end;
    } else {
        cut.end = end.reverse > 0 ? nthLessThanBefore(q, end.reverse, from) : q;
        cut.resume = cut.end + end.lowered.size();
    }
    cut.begin = begin;
    return true;
}

void PieceCutter::handPiece(std::string_view piece, const Writer& write) {
    ++count_;
    if (rules_.specific < 0 || (rules_.specific > 0 && count_ != rules_.specific))
        return;
    TransformPiece(piece, rules_, transformed_);
    write(transformed_);
}

void PieceCutter::cutLine(std::string_view line, const Writer& write) {
    if (rules_.start.lowered.empty() || rules_.end.lowered.empty())
        return; // an empty marker is never found
    line_ = line;
    startSearch_.reset(line);
    endSearch_.reset(line);
    indexLessThans();
    Cut cut{};
    for (size_t from = 0; from < line.size() && nextCut(from, cut); from = cut.resume) {
        const std::string_view piece =
            cut.end > cut.begin ? line.substr(cut.begin, cut.end - cut.begin) : std::string_view();
        handPiece(piece, write);
    }
}

} // namespace nimbrel
