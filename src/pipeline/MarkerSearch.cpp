#include "pipeline/MarkerSearch.h"

#include <algorithm>
#include <cstring>

namespace nimbrel {

namespace {

constexpr size_t kFirstPieceBytes = 64;
constexpr size_t kLargestPieceBytes = 64 * 1024;

void LowerAsciiInto(std::string_view text, std::string& out) {
    out.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
}

} // namespace

void MarkerSearch::reset(std::string_view text) {
    text_ = text;
    knownFrom_ = npos;
    knownAt_ = npos;
}

size_t MarkerSearch::scan(size_t from, size_t end) {
    const size_t size = marker_.size();
    if (end <= from || end - from < size)
        return npos;
    // Pieces overlap by one byte less than the marker, so every start position is tried once;
    // a piece at least twice the marker keeps the overlap under half the work. They start small
    // and grow, so finding a marker near `from` lowers little more than the bytes up to it.
    size_t piece = std::max(kFirstPieceBytes, 2 * size);
    for (size_t at = from;;) {
        const size_t stop = std::min(end, at + piece);
        LowerAsciiInto(text_.substr(at, stop - at), lowered_);
        // memmem runs in linear time whatever the marker (two-way search), unlike a naive scan.
        if (const void* hit = ::memmem(lowered_.data(), lowered_.size(), marker_.data(), size))
            return at + static_cast<size_t>(static_cast<const char*>(hit) - lowered_.data());
        if (stop == end)
            return npos;
        at += piece - (size - 1);
        piece = std::max(piece, std::min(2 * piece, kLargestPieceBytes));
    }
}

size_t MarkerSearch::find(size_t from) {
    if (marker_.empty() || from >= text_.size())
        return npos;
    const bool known = knownFrom_ != npos;
    if (known && from >= knownFrom_ && (knownAt_ == npos || from <= knownAt_))
        return knownAt_;
    size_t at;
    if (known && from < knownFrom_) {
        // Only an occurrence that begins left of knownFrom_ can be new.
        at = scan(from, std::min(text_.size(), knownFrom_ + marker_.size() - 1));
        if (at == npos)
            at = knownAt_;
    } else {
        at = scan(from, text_.size());
    }
    knownFrom_ = from;
    knownAt_ = at;
    return at;
}

} // namespace nimbrel
