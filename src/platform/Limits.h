// The limits that keep one hostile page, rule file or server from taking the whole program
// down. Each number says why it is what it is; every check against a limit uses these names.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nimbrel::limits {

// The longest file name the file systems we run on accept (ext4, btrfs, xfs, tmpfs).
constexpr std::size_t kFileNameBytes = 255;

// The most of a user's text a message quotes: enough to recognise the line, and a file holding
// a megabyte line still gives a message box that opens at once.
constexpr std::size_t kQuotedTextBytes = 100;

// The shortest time between two download cycles: every selected site is fetched once per cycle,
// and an interval mistyped into the option file must not turn into back-to-back cycles.
constexpr int32_t kShortestDownloadPeriodSeconds = 300;

// A page fetched to find its feed, or to write a rule for it, is held whole in memory; the
// largest front pages and feeds are a few megabytes, so this leaves room and bounds the cost.
constexpr std::size_t kFoundPageBytes = 16u << 20;

} // namespace nimbrel::limits
