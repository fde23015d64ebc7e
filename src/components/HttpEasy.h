// Inside the HTTP layer: one transfer's libcurl easy handle, configured the one way every
// request is configured, and the state its callbacks gather. Used by HttpTransfers only.
#pragma once

#include "components/CurlHandles.h"
#include "components/HttpFetch.h"

#include <curl/curl.h>

#include <string>

namespace nimbrel::http {

// curl_global_init is not thread-safe; the first transfer may come from any thread.
void InitCurlOnce();

// The host a request is counted against: scheme, host and port, lower-cased; the address itself
// when it does not parse (it will fail at once anyway).
std::string HostKey(const std::string& url);

class EasyTransfer {
  public:
    EasyTransfer(HttpRequest request, const HttpBounds& bounds);
    ~EasyTransfer();
    EasyTransfer(const EasyTransfer&) = delete;
    EasyTransfer& operator=(const EasyTransfer&) = delete;

    // Null when libcurl could not make a handle.
    CURL* handle() const { return curl_.get(); }
    const std::string& hostKey() const { return hostKey_; }

    // What came of it, once libcurl has ended the transfer with `code`.
    HttpResult finish(CURLcode code);
    // What came of it when it was ended by a stop before libcurl was done.
    HttpResult stopped();

  private:
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    size_t takeBody(const char* data, size_t size);
    bool takeHeader(const std::string& line);
    void configure();
    HttpResult outcome() const;
    std::string answerProblem() const;
    std::string timeoutReason() const;
    std::string failureReason(CURLcode code) const;

    HttpRequest request_;
    HttpBounds bounds_;
    std::string hostKey_;
    CurlList headers_; // freed after the handle that uses it
    CurlEasy curl_;
    char errorText_[CURL_ERROR_SIZE] = {};

    // Filled by the callbacks; the header fields describe the latest response only.
    long status_ = 0;
    std::string statusLine_;
    std::string etag_;
    std::string lastModified_;
    std::string retryAfter_;
    std::time_t retryAfterBase_ = 0; // when the Retry-After arrived, for a count of seconds
    bool inHeaders_ = false;         // a response's headers have begun and not yet ended
    bool httpError_ = false;         // a status of 400 or above ended it
    bool tooLarge_ = false;          // the body passed bounds_.pageBytes
    uint64_t bodyBytes_ = 0;
    std::exception_ptr sinkError_;
};

} // namespace nimbrel::http
