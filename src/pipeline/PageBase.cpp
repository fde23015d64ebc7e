#include "pipeline/PageBase.h"

#include "components/BlockLinks.h"
#include "components/HtmlSource.h"
#include "pipeline/SiteFiles.h"
#include "platform/Convert.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

#include <fstream>

namespace nimbrel {

namespace {

// Most pages have no <base>: they cost one quick pass from "<" to "<", and no copy.
bool HasBaseTag(std::string_view head) {
    for (size_t at = head.find('<'); at != std::string_view::npos; at = head.find('<', at + 1))
        if (StartsWithNoCase(head.substr(at), "<base"))
            return true;
    return false;
}

} // namespace

std::string PageLinkBase(std::string_view pageText, std::string_view siteUrl) {
    const std::string address = SiteBaseAddress(siteUrl);
    const std::string_view head = Utf8Prefix(pageText, limits::kBaseScanBytes);
    if (!HasBaseTag(head))
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
