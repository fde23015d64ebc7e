#include "components/HttpEasy.h"

#include "platform/Convert.h"
#include "platform/Limits.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace nimbrel::http {

namespace {

constexpr std::string_view kHeaderBlanks = " \t\r\n";

// Adds a line to the list; a line that cannot be added (no memory) is left out.
void Append(CurlList& list, const std::string& line) {
    if (curl_slist* longer = curl_slist_append(list.get(), line.c_str())) {
        (void)list.release(); // the same list, now one longer
        list.reset(longer);
    }
}

std::string MegaBytes(uint64_t bytes) {
    return std::to_string(bytes >> 20) + " MB";
}

// "Retry-After: 120" or "Retry-After: Wed, 21 Oct 2015 07:28:00 GMT" as a moment (UTC).
std::optional<std::time_t> RetryMoment(const std::string& value, std::time_t receivedAt) {
    if (value.empty())
        return std::nullopt;
    if (std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); })) {
        if (value.size() > 9) // longer than any deferral we obey
            return receivedAt + limits::kLongestDeferralSeconds;
        return receivedAt + std::stol(value);
    }
    const std::time_t moment = curl_getdate(value.c_str(), nullptr);
    if (moment < 0)
        return std::nullopt;
    return moment;
}

} // namespace

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string HostKey(const std::string& url) {
    const CurlUrl parsed(curl_url());
    std::string key = url;
    if (parsed && curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
        char *scheme = nullptr, *host = nullptr, *port = nullptr;
        if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
            curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK &&
            curl_url_get(parsed.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
            key = LowerAscii(scheme) + "://" + LowerAscii(host) + ":" + port;
        curl_free(scheme);
        curl_free(host);
        curl_free(port);
    }
    return key;
}

EasyTransfer::EasyTransfer(HttpRequest request, const HttpBounds& bounds)
    : request_(std::move(request)), bounds_(bounds), hostKey_(HostKey(request_.url)) {
    InitCurlOnce();
    curl_.reset(curl_easy_init());
    if (curl_)
        configure();
}

EasyTransfer::~EasyTransfer() = default;

void EasyTransfer::configure() {
    curl_easy_setopt(curl_.get(), CURLOPT_URL, request_.url.c_str());
    curl_easy_setopt(curl_.get(), CURLOPT_USERAGENT, request_.agent.c_str());
    curl_easy_setopt(curl_.get(), CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(curl_.get(), CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl_.get(), CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_.get(), CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl_.get(), CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl_.get(), CURLOPT_PRIVATE, this);
    // Signals are not safe in a threaded program; time-outs then rely on the threaded resolver.
    curl_easy_setopt(curl_.get(), CURLOPT_NOSIGNAL, 1L);
    // A stop must not wait for a host name lookup in progress: its thread is left to finish.
    curl_easy_setopt(curl_.get(), CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(curl_.get(), CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl_.get(), CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl_.get(), CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl_.get(), CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl_.get(), CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl_.get(), CURLOPT_CONNECTTIMEOUT, bounds_.connectSeconds);
    curl_easy_setopt(curl_.get(), CURLOPT_LOW_SPEED_LIMIT, bounds_.slowBytesPerSecond);
    curl_easy_setopt(curl_.get(), CURLOPT_LOW_SPEED_TIME, bounds_.slowSeconds);
    curl_easy_setopt(curl_.get(), CURLOPT_TIMEOUT, bounds_.wholeSeconds);
    if (!request_.ifNoneMatch.empty())
        Append(headers_, "If-None-Match: " + request_.ifNoneMatch);
    if (!request_.ifModifiedSince.empty())
        Append(headers_, "If-Modified-Since: " + request_.ifModifiedSince);
    if (headers_)
        curl_easy_setopt(curl_.get(), CURLOPT_HTTPHEADER, headers_.get());
    if (request_.cancel) {
        curl_easy_setopt(curl_.get(), CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(curl_.get(), CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(curl_.get(), CURLOPT_NOPROGRESS, 0L);
    }
}

// libcurl calls this about once a second even on a silent connection; non-zero aborts.
int EasyTransfer::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<EasyTransfer*>(self)->request_.cancel->load() ? 1 : 0;
}

size_t EasyTransfer::OnBody(char* data, size_t size, size_t count, void* self) {
    return static_cast<EasyTransfer*>(self)->takeBody(data, size * count);
}

size_t EasyTransfer::takeBody(const char* data, size_t size) {
    // A short count aborts the transfer; 0 would not when 0 bytes came.
    const size_t abort = size == 0 ? 1 : 0;
    if (bodyBytes_ + size > bounds_.pageBytes) {
        tooLarge_ = true;
        return abort;
    }
    try {
        if (request_.sink)
            request_.sink(data, size);
    } catch (...) {
        // No exception may cross libcurl's C frames.
        sinkError_ = std::current_exception();
        return abort;
    }
    bodyBytes_ += size;
    return size;
}

size_t EasyTransfer::OnHeader(char* data, size_t size, size_t count, void* self) {
    const size_t bytes = size * count;
    return static_cast<EasyTransfer*>(self)->takeHeader(std::string(data, bytes)) ? bytes : 0;
}

// Returns false to end the transfer: an error status, once its headers are all in.
bool EasyTransfer::takeHeader(const std::string& line) {
    if (line.starts_with("HTTP/")) { // a new response (after a redirect or a 100 Continue)
        inHeaders_ = true;
        statusLine_ = TrimAny(line, kHeaderBlanks);
        const size_t blank = statusLine_.find(' ');
        status_ = blank == std::string::npos ? 0 : std::atol(statusLine_.c_str() + blank + 1);
        etag_.clear();
        lastModified_.clear();
        retryAfter_.clear();
        return true;
    }
    if (TrimAny(line, kHeaderBlanks).empty()) { // the end of this response's headers
        inHeaders_ = false;
        httpError_ = status_ >= 400;
        return !httpError_;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return true;
    const std::string name = LowerAscii(line.substr(0, colon));
    const std::string value(TrimAny(std::string_view(line).substr(colon + 1), kHeaderBlanks));
    if (name == "etag")
        etag_ = value;
    else if (name == "last-modified")
        lastModified_ = value;
    else if (name == "retry-after") {
        retryAfter_ = value;
        retryAfterBase_ = std::time(nullptr);
    }
    return true;
}

HttpResult EasyTransfer::outcome() const {
    HttpResult result;
    result.status = status_;
    result.bodyBytes = bodyBytes_;
    result.etag = etag_;
    result.lastModified = lastModified_;
    if (!curl_)
        return result;
    char* text = nullptr;
    if (curl_easy_getinfo(curl_.get(), CURLINFO_EFFECTIVE_URL, &text) == CURLE_OK && text)
        result.finalUrl = text;
    text = nullptr;
    if (curl_easy_getinfo(curl_.get(), CURLINFO_CONTENT_TYPE, &text) == CURLE_OK && text)
        result.contentType = text;
    return result;
}

HttpResult EasyTransfer::finish(CURLcode code) {
    HttpResult result = outcome();
    if (sinkError_) {
        result.sinkError = sinkError_;
        result.reason = "the page could not be written";
        result.detail = result.reason;
        return result;
    }
    if (httpError_) {
        result.reason = "HTTP " + std::to_string(status_);
        result.detail = statusLine_;
        if (status_ == 429 || status_ == 503)
            result.retryAfter = RetryMoment(retryAfter_, retryAfterBase_);
        return result;
    }
    if (tooLarge_) {
        result.reason = "page larger than " + MegaBytes(bounds_.pageBytes);
        result.detail = "The page passed the limit of " + MegaBytes(bounds_.pageBytes) +
                        " (counted after decompression) and was not kept.";
        return result;
    }
    if (code == CURLE_ABORTED_BY_CALLBACK) {
        result.stopped = true;
        result.reason = kHttpCancelled;
        result.detail = "Cancelled before the page was whole.";
        return result;
    }
    if (code == CURLE_OK) {
        result.reason = answerProblem();
        result.ok = result.reason.empty();
        result.notModified = result.ok && status_ == 304;
        if (!result.ok)
            result.detail = statusLine_.empty() ? result.reason : statusLine_;
        return result;
    }
    result.reason = failureReason(code);
    result.detail = errorText_[0] != '\0' ? errorText_ : curl_easy_strerror(code);
    return result;
}

// Only a page (2xx), or "not modified" to a request that named the page it has, is a page. A
// final 1xx or 3xx (a redirect with nowhere to go) brings none, and a 304 to a request without
// validators says nothing of a page the server was never told of.
std::string EasyTransfer::answerProblem() const {
    if (status_ >= 200 && status_ < 300)
        return {};
    const bool conditional = !request_.ifNoneMatch.empty() || !request_.ifModifiedSince.empty();
    if (status_ == 304)
        return conditional ? std::string() : "HTTP 304 to a request for the whole page";
    if (status_ >= 300 && status_ < 400)
        return "HTTP " + std::to_string(status_) + " without an address to follow";
    if (status_ == 0)
        return "no HTTP status";
    return "HTTP " + std::to_string(status_);
}

// Which time-out ended the transfer, from libcurl's timings: still connecting (a TLS handshake
// counts), the whole page's time spent, or else the speed limit.
std::string EasyTransfer::timeoutReason() const {
    curl_off_t connected = 0, secured = 0, total = 0;
    curl_easy_getinfo(curl_.get(), CURLINFO_CONNECT_TIME_T, &connected);
    curl_easy_getinfo(curl_.get(), CURLINFO_APPCONNECT_TIME_T, &secured);
    curl_easy_getinfo(curl_.get(), CURLINFO_TOTAL_TIME_T, &total);
    const bool secure = LowerAscii(request_.url).starts_with("https:");
    if (connected == 0 || (secure && secured == 0))
        return "no answer within " + std::to_string(bounds_.connectSeconds) + " s";
    constexpr curl_off_t kMicroseconds = 1'000'000;
    if (total + kMicroseconds / 2 >= bounds_.wholeSeconds * kMicroseconds)
        return "not done within " + std::to_string(bounds_.wholeSeconds) + " s";
    return "too slow (under " + std::to_string(bounds_.slowBytesPerSecond) + " bytes/s for " +
           std::to_string(bounds_.slowSeconds) + " s)";
}

HttpResult EasyTransfer::stopped() {
    HttpResult result = outcome();
    result.stopped = true;
    result.reason = "stopped";
    result.detail = "Stopped before the page was whole; the page kept from before stays.";
    return result;
}

// One short reason for a failure of libcurl's, in the user's terms; the full text goes in the
// detail.
std::string EasyTransfer::failureReason(CURLcode code) const {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "host not found";
    case CURLE_COULDNT_CONNECT:
        return "could not connect";
    case CURLE_OPERATION_TIMEDOUT:
        return timeoutReason();
    case CURLE_PARTIAL_FILE:
        return "connection cut mid-page";
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return "connection lost";
    case CURLE_GOT_NOTHING:
        return "empty answer";
    case CURLE_WEIRD_SERVER_REPLY:
        return "not an HTTP answer";
    case CURLE_TOO_MANY_REDIRECTS:
        return "too many redirects";
    case CURLE_UNSUPPORTED_PROTOCOL:
        return kOnlyHttpAddresses;
    case CURLE_URL_MALFORMAT:
        return "malformed address";
    case CURLE_PEER_FAILED_VERIFICATION:
        return "certificate not trusted";
    case CURLE_SSL_CONNECT_ERROR:
        return "secure connection failed";
    case CURLE_BAD_CONTENT_ENCODING:
        return "undecodable compressed page";
    case CURLE_OUT_OF_MEMORY:
#if LIBCURL_VERSION_NUM >= 0x080600
    case CURLE_TOO_LARGE:
#endif
        // libcurl refuses a header line over its limit this way, without saying which one.
        if (inHeaders_)
            return "header too large (a validator or another header over " +
                   std::to_string(CURL_MAX_HTTP_HEADER >> 10) + " KB)";
        return "out of memory";
    default:
        return curl_easy_strerror(code); // libcurl's short text for the code itself
    }
}

} // namespace nimbrel::http
