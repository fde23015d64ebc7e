// The HTTP layer over libcurl: what a request asks, how it is bounded and what came of it, and
// one GET on its own (HttpGet). Several requests at once go through HttpTransfers, which runs
// every transfer with the same configuration. Bodies are handed to a sink piece by piece as they
// arrive, so no page is ever held whole. Speaks only http and https (redirects too), follows at
// most 10 redirects, takes proxies from the environment, decodes compressed bodies and verifies
// TLS. Time-outs and a size limit make sure no server can hang a cycle or fill the disk.
#pragma once

#include "platform/Limits.h"
#include "platform/ServiceSlot.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace nimbrel {

struct HttpBounds {
    long connectSeconds = limits::kConnectSeconds; // establishing the connection
    // Given up when the speed stays under slowBytesPerSecond for slowSeconds.
    long slowBytesPerSecond = limits::kSlowTransferBytesPerSecond;
    long slowSeconds = limits::kSlowTransferSeconds;
    long wholeSeconds = limits::kWholePageSeconds; // the whole page, redirects included
    uint64_t pageBytes = limits::kPageBytes;       // the largest body, counted after decompression
};

// The bounds every transfer uses unless told otherwise: the program's limits, unless other
// bounds are installed (not owned; nullptr restores the limits). Installed before transfers
// start, as tests do to shorten them.
using HttpBoundsSlot = ServiceSlot<const HttpBounds, HttpBounds>;
HttpBounds DefaultHttpBounds();

// Receives the body in pieces. An exception thrown here (a file that cannot be written) ends the
// transfer; the result carries it.
using HttpBodySink = std::function<void(const char* data, std::size_t size)>;

struct HttpRequest {
    std::string url;
    std::string agent = {};           // the User-Agent header
    std::string ifNoneMatch = {};     // when not empty: sent as If-None-Match (a kept ETag)
    std::string ifModifiedSince = {}; // when not empty: sent as If-Modified-Since (an HTTP date)
    HttpBodySink sink = {};
    // When given, setting it ends the transfer within about a second, even while nothing
    // arrives; the result is then stopped, with kHttpCancelled as its reason.
    const std::atomic<bool>* cancel = nullptr;
};

inline constexpr const char* kHttpCancelled = "cancelled";
// The reason of an address (or a redirect) of another scheme than http and https.
inline constexpr const char* kOnlyHttpAddresses = "only http and https addresses can be fetched";

struct HttpResult {
    bool ok = false;          // a whole page arrived (2xx), or the server said 304 Not Modified
                              // to a request with validators; any other answer is a failure
    bool notModified = false; // 304: nothing was sent, the page kept from before is current
    bool stopped = false;     // ended by a stop before it was done
    std::string reason;       // when !ok: one short reason ("HTTP 404", "host not found")
    std::string detail;       // when !ok: the whole story, for a tooltip or a log
    long status = 0;          // the last response's status, 0 when none arrived
    std::string finalUrl;     // where the redirects ended
    std::string contentType;  // the last response's Content-Type header, empty when none
    std::string etag;         // the last response's ETag header, empty when none
    std::string lastModified; // the last response's Last-Modified header, empty when none
    // The moment (UTC) a 429 or 503 answer asked not to be asked again before.
    std::optional<std::time_t> retryAfter;
    uint64_t bodyBytes = 0;       // body bytes handed to the sink
    std::exception_ptr sinkError; // what the sink raised, when it ended the transfer
};

// Fetches one request with the given bounds. A status of 400 or above ends the transfer at once
// (the error body is not delivered) and counts as a failure; so does a final 1xx or 3xx answer,
// and a 304 to a request without validators. Never raises for network trouble;
// raises only what the sink raised.
HttpResult HttpGet(const HttpRequest& request, const HttpBounds& bounds = DefaultHttpBounds());

// The file name of the running executable without its folder.
std::string ExecutableFileName();

// The User-Agent of every request: the product and its version, then the executable's name
// ("Nimbrel/1.0.0 (nimbrel)").
std::string ProgramUserAgent();

} // namespace nimbrel
