// The address a URL as written in the selection or typed by the user is requested at.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// The scheme an address names, lower-cased ("http", "javascript", "file"), or empty when it
// names none: "host:8080/path" names a port, not a scheme.
std::string AddressScheme(std::string_view address);

// The address actually requested for a URL as written in the selection: as written when it
// starts with "http://" or "https://" (any letter case), contains "http://" or names another
// scheme (which the HTTP layer then refuses); else "http://" in front.
std::string FetchAddress(const std::string& url);

// "scheme://host[:port]/" of an http or https address; empty for any other address.
std::string AddressOrigin(const std::string& address);

} // namespace nimbrel
