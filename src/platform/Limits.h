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

// The largest page kept, counted after decompression: real front pages and feeds stay far below
// it (a few MB at most), and it bounds what a gzip bomb or an endless body can cost in disk and
// in the cut, which holds the joined page in memory.
constexpr std::uint64_t kPageBytes = 32ull << 20;
// Pages up to this size are converted to UTF-8 in memory (page and result held together);
// larger ones are kept as they came.
constexpr std::uint64_t kConvertedPageBytes = 16ull << 20;

// Transfers in flight at once in one cycle: enough to hide the latency of slow servers, few
// enough not to look like an attack from one desktop.
constexpr int kMostTransfers = 8;
// Transfers in flight at once to one host (scheme, host and port): what polite clients allow
// themselves, so no site sees more than two connections from us.
constexpr int kMostTransfersPerHost = 2;

// A server that accepts no connection within this time is taken as down.
constexpr long kConnectSeconds = 30;
// A page is given up when it averages under this speed over kSlowTransferSeconds: a server that
// trickles a few bytes a second would otherwise hold its site for the whole page time.
constexpr long kSlowTransferBytesPerSecond = 1024;
constexpr long kSlowTransferSeconds = 60;
// The whole page, redirects included, however steadily it arrives.
constexpr long kWholePageSeconds = 600;

// The longest wait a server's Retry-After is obeyed for: a misconfigured or hostile answer
// ("retry in ten years") must not silence a site for good.
constexpr std::int64_t kLongestDeferralSeconds = 24 * 60 * 60;
// A validator (ETag, Last-Modified) longer than this is not kept or sent back: real ones are
// a few dozen bytes, and each is sent again in a request header.
constexpr std::size_t kValidatorBytes = 1024;
// How much of a per-site record file is read: a real one is a few hundred bytes.
constexpr std::size_t kSiteRecordBytes = 64 * 1024;

// A page fetched to find its feed, or to write a rule for it, is held whole in memory; the
// largest front pages and feeds are a few megabytes, so this leaves room and bounds the cost.
constexpr std::size_t kFoundPageBytes = 16u << 20;

} // namespace nimbrel::limits
