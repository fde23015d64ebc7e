// Where a page's relative links lead, as browsers follow them: against the page's first
// <base href> (itself read against the page's address; only an http or https base counts),
// else against the page's address. Only a page's head is read for it.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// For a page's text (UTF-8) fetched from `siteUrl` (a site URL: "http://" is assumed when it
// names no scheme).
std::string PageLinkBase(std::string_view pageText, std::string_view siteUrl);

// For a site's page file in Sites: its base when the site's type is "html", else the site's
// URL; the site's URL too when the file cannot be read.
std::string SiteLinkBase(std::string_view siteUrl, std::string_view type);

} // namespace nimbrel
