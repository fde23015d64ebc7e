#include "components/HttpAddress.h"

#include "platform/Convert.h"

#include <libxml/uri.h>

#include <cstring>
#include <memory>

namespace nimbrel {

namespace {

struct UriFree {
    void operator()(xmlURI* uri) const { xmlFreeURI(uri); }
};

} // namespace

std::string AddressScheme(std::string_view address) {
    const std::string text = Trim(address);
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || !IsAsciiLetter(text[0]))
        return {};
    for (size_t i = 1; i < colon; ++i)
        if (!IsAsciiLetter(text[i]) && !IsAsciiDigit(text[i]) && !std::strchr("+-.", text[i]))
            return {};
    const std::string_view rest = std::string_view(text).substr(colon + 1);
    if (!rest.starts_with("//")) {
        // "host:8080", "host:8080/path": a port after the colon.
        const size_t digits = rest.find_first_not_of("0123456789");
        const bool port = digits != 0 && (digits == std::string_view::npos ||
                                          std::strchr("/?#", rest[digits]) != nullptr);
        if (port)
            return {};
    }
    return LowerAscii(text.substr(0, colon));
}

std::string FetchAddress(const std::string& url) {
    if (StartsWithNoCase(url, "https://") || StartsWithNoCase(url, "http://") ||
        url.find("http://") != std::string::npos)
        return url;
    const std::string scheme = AddressScheme(url);
    if (!scheme.empty() && scheme != "http" && scheme != "https")
        return url; // refused as it is, never fetched as a host named "file" or "javascript"
    return "http://" + url;
}

std::string AddressOrigin(const std::string& address) {
    const std::unique_ptr<xmlURI, UriFree> uri(xmlParseURI(address.c_str()));
    if (!uri || !uri->scheme || !uri->server || uri->server[0] == '\0')
        return {};
    const std::string scheme = LowerAscii(reinterpret_cast<const char*>(uri->scheme));
    if (scheme != "http" && scheme != "https")
        return {};
    std::string origin = scheme + "://" + reinterpret_cast<const char*>(uri->server);
    if (uri->port > 0)
        origin += ":" + std::to_string(uri->port);
    return origin + "/";
}

} // namespace nimbrel
