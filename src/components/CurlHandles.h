// Owners of libcurl's handles, each freed by the call libcurl names for it. Free of libcurl's
// headers, so a class outside the HTTP layer's sources may hold one (libcurl's CURL and CURLM
// are void).
#pragma once

#include <memory>

struct curl_slist;
struct Curl_URL;

namespace nimbrel::http {

struct CurlMultiFree {
    void operator()(void* multi) const; // curl_multi_cleanup
};
struct CurlEasyFree {
    void operator()(void* easy) const; // curl_easy_cleanup
};
struct CurlListFree {
    void operator()(curl_slist* list) const; // curl_slist_free_all
};
struct CurlUrlFree {
    void operator()(Curl_URL* url) const; // curl_url_cleanup
};

using CurlMulti = std::unique_ptr<void, CurlMultiFree>;
using CurlEasy = std::unique_ptr<void, CurlEasyFree>;
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;
using CurlUrl = std::unique_ptr<Curl_URL, CurlUrlFree>;

} // namespace nimbrel::http
