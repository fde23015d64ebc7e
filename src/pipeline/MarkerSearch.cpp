#include "pipeline/MarkerSearch.h"

#include <algorithm>
#include <cstring>

namespace nimbrel {

void MarkerSearch::reset(std::string_view text) {
    text_ = text;
    knownFrom_ = npos;
    knownAt_ = npos;
}

size_t MarkerSearch::scan(size_t from, size_t end) const {
    if (end <= from || end - from < marker_.size())
        return npos;
    // memmem runs in linear time whatever the marker (two-way search), unlike a naive scan.
    const void* at = ::memmem(text_.data() + from, end - from, marker_.data(), marker_.size());
    return at ? static_cast<size_t>(static_cast<const char*>(at) - text_.data()) : npos;
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
