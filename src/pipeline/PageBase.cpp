#include "pipeline/PageBase.h"

#include "components/BlockLinks.h"
#include "components/HtmlSource.h"
#include "pipeline/SiteFiles.h"
#include "platform/Convert.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <fstream>

namespace nimbrel {

std::string PageLinkBase(std::string_view pageText, std::string_view siteUrl) {
    const std::string address = SiteBaseAddress(siteUrl);
    const std::string_view head = Utf8Prefix(pageText, limits::kBaseScanBytes);
    // Most pages have no <base>: they cost one pass over their head, and no copy.
    constexpr std::string_view kTag = "<base";
    const auto sameLetter = [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
    };
    if (std::search(head.begin(), head.end(), kTag.begin(), kTag.end(), sameLetter) == head.end())
        return address;
    const std::string href = Trim(html::BaseHref(head));
    if (href.empty())
        return address;
    const std::string base = html::ResolveAddress(href, address);
    const std::string scheme = LowerAscii(base.substr(0, base.find(':')));
    return scheme == "http" || scheme == "https" ? base : address;
}

std::string SiteLinkBase(std::string_view siteUrl, std::string_view type) {
    if (type != "html")
        return SiteBaseAddress(siteUrl);
    std::ifstream page(SitePagePath(siteUrl), std::ios::binary);
    std::string head(limits::kBaseScanBytes, '\0');
    page.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(page.gcount()));
    return PageLinkBase(head, siteUrl);
}

} // namespace nimbrel
