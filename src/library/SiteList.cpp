#include "library/SiteList.h"

#include "pipeline/LibraryDocument.h"

namespace nimbrel {

std::vector<Site> SitesOf(const msxml::XmlDocument& selection) {
    std::vector<Site> sites;
    const msxml::XmlNodeList nodes = selection.selectNodes("//site");
    sites.reserve(static_cast<size_t>(nodes.length()));
    for (long i = 0; i < nodes.length(); ++i) {
        const msxml::XmlNode node = nodes.item(i);
        sites.push_back({AttributeText(node, "Name"), AttributeText(node, "URL"),
                         AttributeText(node, "Type"), AttributeText(node, "StyleSheet"),
                         AttributeText(node, "RipFile")});
    }
    return sites;
}

SiteListLoad LoadSiteList(const std::string& path) {
    msxml::XmlDocument selection = msxml::XmlDocument::Create();
    selection.setAsync(false);
    selection.load(path);
    SiteListLoad result;
    result.parseError = selection.parseError().reason;
    if (result.parseError.empty())
        result.sites = SitesOf(selection);
    return result;
}

} // namespace nimbrel
