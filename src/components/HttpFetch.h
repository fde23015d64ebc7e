// The HTTP layer: one GET over libcurl with its own easy handle, the body handed to a sink piece
// by piece as it arrives, so no page is ever held whole. Speaks only http and https (redirects
// too), follows at most 10 redirects, takes proxies from the environment, decodes compressed
// bodies and verifies TLS. Time-outs make sure a dead or stalled server cannot hang a cycle.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

namespace nimbrel {

struct HttpTimeouts {
    long connectSeconds = 30; // establishing the connection
    long stallSeconds = 60;   // given up when under 1 byte/s arrives for this long
    long wholeSeconds = 600;  // the whole page, redirects included
};

// The time-outs every fetch uses unless told otherwise; tests shorten them.
HttpTimeouts DefaultHttpTimeouts();
void SetDefaultHttpTimeouts(const HttpTimeouts& timeouts);

// Receives the body in pieces. An exception thrown here (a file that cannot be written) ends the
// transfer and is raised again by HttpGet.
using HttpBodySink = std::function<void(const char* data, std::size_t size)>;

struct HttpResult {
    bool ok = false;
    std::string reason;      // short text when !ok: libcurl's error text or "HTTP 404"
    long status = 0;         // the last response's status, 0 when none arrived
    std::string finalUrl;    // where the redirects ended
    std::string contentType; // the last response's Content-Type header, empty when none
};

// Fetches the URL with the given agent name. A status of 400 or above ends the transfer at once
// (the error body is not delivered) and counts as a failure. Never raises for network trouble;
// raises only what the sink raised. Setting `*cancel` ends the transfer within about a second,
// even while nothing arrives; the result then fails with kHttpCancelled as its reason.
HttpResult HttpGet(const std::string& url, const std::string& agent, const HttpBodySink& sink,
                   const HttpTimeouts& timeouts = DefaultHttpTimeouts(),
                   const std::atomic<bool>* cancel = nullptr);

inline constexpr const char* kHttpCancelled = "cancelled";

// The file name of the running executable without its folder, the agent name of every fetch.
std::string ExecutableFileName();

} // namespace nimbrel
