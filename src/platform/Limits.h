// The limits that keep one hostile page, rule file or server from taking the whole program
// down. Each number says why it is what it is; every check against a limit uses these names.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nimbrel::limits {

// The longest file name the file systems we run on accept (ext4, btrfs, xfs, tmpfs).
constexpr std::size_t kFileNameBytes = 255;

// The longest ending a page-file stem is given: ".dig.next", the record of what a digest showed
// while it waits for the digest (".dat", ".rec", ".dig" and ".err" are shorter).
constexpr std::size_t kLongestStemEndingBytes = 9;
// The atomic writer's temporary ending, ".tmp-XXXXXX".
constexpr std::size_t kAtomicTempEndingBytes = 11;
// The longest page-file stem: stem + the longest ending + the atomic writer's temporary ending
// still fits kFileNameBytes, so every file of a site can be written under any URL.
constexpr std::size_t kPageStemBytes =
    kFileNameBytes - kLongestStemEndingBytes - kAtomicTempEndingBytes;

// Stack of the thread the cleaner and the stylesheet transforms run on. The cleaner recurses once
// per element level (at most ~250 bytes each, measured), so this holds pages nested a quarter of
// a million levels deep (300,000 cleaned, 1,000,000 did not), and kTemplateDepth recursive
// templates need about 1.2 MB. A page nested deeper crashes its worker, which costs that site
// only. Only the pages actually touched are ever committed.
constexpr std::size_t kEngineStackBytes = 64u << 20;

// The address space of one worker, the helper process that cleans and transforms one site at a
// time (its libraries and stack take about 115 MB of it before any page). A cut text of the
// largest size (kCutTextBytes) of real pages or feed items needed at most 150 MB in measurements;
// a runaway page (16 MB of empty elements needs over 1 GB) or stylesheet (a string doubled in a
// loop) stops here, long before the machine swaps.
constexpr std::size_t kWorkerMemoryBytes = 768u << 20;

// The time one site's cleaning and transforming may take in a worker before it is killed and
// the site fails. Real pages take well under a second; a cut text of the largest size of real
// markup about 3 s here, so a loaded machine still has a wide margin. Hostile shapes that take the
// cleaner minutes (a million nested elements in HTML) stop here.
constexpr unsigned kSiteWorkSeconds = 20;

// Workers the display step starts at most: one per core up to this. Each holds its own copy of
// the libraries and one site's documents (8 MB idle, a few tens of MB on a large page), so the
// pool stays small on a machine with many cores.
constexpr unsigned kMostDisplayWorkers = 4;

// The largest block a site may bring into the digest: twice the largest cut text. A worker
// sends its framed block and the block kept for the next digest, so a reply is at most twice this
// (and a little); the display step holds a few such replies at once.
constexpr std::size_t kBlockBytes = 32u << 20;
constexpr std::size_t kWorkerReplyBytes = 2 * kBlockBytes + (1u << 20);

// Finished blocks the display step's workers may hold, per worker, ahead of the one being
// written into site.html: enough to keep every worker busy when sites differ in cost, few enough
// that memory holds a handful of blocks rather than the whole page.
constexpr std::size_t kBlocksAheadPerWorker = 2;

// Template calls the transform may nest, and variables it may hold at once (libxslt's own
// defaults): enough for recursive string templates over any feed item, and far below what
// kEngineStackBytes holds, so a runaway stylesheet fails with a reason instead of a crash.
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

// The largest page kept, counted after decompression: real front pages and feeds stay far below
// it (a few MB at most), and it bounds what a gzip bomb or an endless body can cost in disk and
// in the cut, which holds the joined page in memory.
constexpr std::uint64_t kPageBytes = 32ull << 20;
// Pages up to this size are converted to UTF-8 in memory (page and result held together);
// larger ones are kept as they came.
constexpr std::uint64_t kConvertedPageBytes = 16ull << 20;

// Transfers in flight at once in one cycle: enough to hide the latency of slow servers (with
// eight, a selection spread over many hosts waited on the network most of the cycle), few enough
// not to look like an attack from one desktop.
constexpr int kMostTransfers = 16;
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

// The largest block kept for the next digest to fall back on when the site's block cannot be
// made: a block of a usual stylesheet is a few dozen KB; a larger one only keeps its links.
constexpr std::size_t kKeptBlockBytes = 2u << 20;
// How much of the record of what the last digest showed of a site is read: the kept block and
// room for the links of tens of thousands of items.
constexpr std::size_t kLastShownBytes = kKeptBlockBytes + (2u << 20);

// A page fetched to find its feed, or to write a rule for it, is held whole in memory; the
// largest front pages and feeds are a few megabytes, so this leaves room and bounds the cost.
constexpr std::size_t kFoundPageBytes = 16u << 20;

// A page's <base href> is looked for in its first bytes: it belongs in the head, and heads
// with a few hundred KB of inline style and script still fit.
constexpr std::size_t kBaseScanBytes = 1u << 20;

} // namespace nimbrel::limits
