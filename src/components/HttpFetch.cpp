#include "components/HttpFetch.h"

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace nimbrel {

namespace {

std::mutex timeoutsMutex;
HttpTimeouts defaultTimeouts;

// curl_global_init is not thread-safe; the first fetch may come from any thread.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    const HttpBodySink* sink;
    std::exception_ptr sinkError;
    const std::atomic<bool>* cancel;
};

// libcurl calls this about once a second even on a silent connection; non-zero aborts.
int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<const Transfer*>(user);
    return transfer->cancel->load() ? 1 : 0;
}

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    try {
        (*transfer->sink)(data, bytes);
    } catch (...) {
        // No exception may cross libcurl's C frames; a short count aborts the transfer.
        transfer->sinkError = std::current_exception();
        return bytes == 0 ? 1 : 0;
    }
    return bytes;
}

void Configure(CURL* curl, const std::string& url, const std::string& agent,
               const HttpTimeouts& timeouts, Transfer& transfer, char* errorText) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    // Signals are not safe in a threaded program; time-outs then rely on the threaded resolver.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeouts.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeouts.wholeSeconds);
    if (transfer.cancel) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckCancel);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }
}

std::string FailureReason(CURLcode code, long status, const char* errorText) {
    if (code == CURLE_HTTP_RETURNED_ERROR && status > 0)
        return "HTTP " + std::to_string(status);
    if (errorText[0] != '\0')
        return errorText;
    return curl_easy_strerror(code);
}

} // namespace

HttpTimeouts DefaultHttpTimeouts() {
    std::lock_guard lock(timeoutsMutex);
    return defaultTimeouts;
}

void SetDefaultHttpTimeouts(const HttpTimeouts& timeouts) {
    std::lock_guard lock(timeoutsMutex);
    defaultTimeouts = timeouts;
}

HttpResult HttpGet(const std::string& url, const std::string& agent, const HttpBodySink& sink,
                   const HttpTimeouts& timeouts, const std::atomic<bool>* cancel) {
    InitCurlOnce();
    HttpResult result;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        result.reason = "cannot start a transfer";
        return result;
    }
    Transfer transfer{&sink, nullptr, cancel};
    char errorText[CURL_ERROR_SIZE] = {};
    Configure(curl.get(), url, agent, timeouts, transfer, errorText);
    const CURLcode code = curl_easy_perform(curl.get());
    if (transfer.sinkError)
        std::rethrow_exception(transfer.sinkError);

    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &result.status);
    char* finalUrl = nullptr;
    if (curl_easy_getinfo(curl.get(), CURLINFO_EFFECTIVE_URL, &finalUrl) == CURLE_OK && finalUrl)
        result.finalUrl = finalUrl;
    char* contentType = nullptr;
    if (curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK &&
        contentType)
        result.contentType = contentType;
    result.ok = code == CURLE_OK;
    if (code == CURLE_ABORTED_BY_CALLBACK)
        result.reason = kHttpCancelled;
    else if (!result.ok)
        result.reason = FailureReason(code, result.status, errorText);
    return result;
}

std::string ExecutableFileName() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "nimbrel";
    const std::string full(path, static_cast<size_t>(length));
    return full.substr(full.find_last_of('/') + 1);
}

} // namespace nimbrel
