// The limits that keep one hostile page, rule file or server from taking the whole program
// down. Each number says why it is what it is; every check against a limit uses these names.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nimbrel::limits {

// The longest file name the file systems we run on accept (ext4, btrfs, xfs, tmpfs).
constexpr std::size_t kFileNameBytes = 255;

// The longest page-file stem: stem + ".dat" + the atomic writer's ".tmp-XXXXXX" still fits
// kFileNameBytes, and so does a sidecar named stem plus a suffix of up to four bytes.
constexpr std::size_t kPageStemBytes = kFileNameBytes - 4 - 11;

// Element nesting a cut text may reach before it is cleaned. The cleaner recurses once per
// level (at most ~250 bytes of stack each, measured), real pages stay below a few hundred
// levels, and unclosed tags nested this deep already cost the cleaner about a second.
constexpr std::size_t kNestingDepth = 10'000;

// Stack of the thread the cleaner and the stylesheet transforms run on. kNestingDepth levels
// needed at most 2.3 MB and kTemplateDepth recursive templates about 1.2 MB in measurements;
// the rest is margin. Only the pages actually touched are ever committed.
constexpr std::size_t kEngineStackBytes = 64u << 20;

// Template calls the transform may nest, and variables it may hold at once (libxslt's own
// defaults): enough for recursive string templates over any feed item, and far below what
// kEngineStackBytes holds, so a runaway stylesheet fails its site instead of the program.
constexpr int kTemplateDepth = 3'000;
constexpr int kTemplateVariables = 15'000;

// A cut piece after its removals, replacements and wrap texts; also the most one command tree
// writes into a cut or temporary file, and the largest text the cleaner takes (it needs about
// 12 bytes of memory per byte: ~200 MB and 4 s here). Doubling replacements past it would
// otherwise grow memory exponentially.
constexpr std::size_t kCutTextBytes = 16u << 20;

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
