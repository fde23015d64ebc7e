// The limits that keep one hostile page, rule file or server from taking the whole program
// down. Each number says why it is what it is; every check against a limit uses these names.
#pragma once

#include <cstddef>

namespace nimbrel::limits {

// The longest file name the file systems we run on accept (ext4, btrfs, xfs, tmpfs).
constexpr std::size_t kFileNameBytes = 255;

// A page fetched to find its feed, or to write a rule for it, is held whole in memory; the
// largest front pages and feeds are a few megabytes, so this leaves room and bounds the cost.
constexpr std::size_t kFoundPageBytes = 16u << 20;

} // namespace nimbrel::limits
