#include "components/CurlHandles.h"

#include <curl/curl.h>

namespace nimbrel::http {

void CurlMultiFree::operator()(void* multi) const {
    curl_multi_cleanup(multi);
}

void CurlEasyFree::operator()(void* easy) const {
    curl_easy_cleanup(easy);
}

void CurlListFree::operator()(curl_slist* list) const {
    curl_slist_free_all(list);
}

void CurlUrlFree::operator()(Curl_URL* url) const {
    curl_url_cleanup(url);
}

} // namespace nimbrel::http
