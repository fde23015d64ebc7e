#include "pipeline/SiteLabels.h"

#include "pipeline/LibraryDocument.h"
#include "platform/Convert.h"

#include <map>
#include <optional>
#include <unordered_map>

namespace nimbrel {

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;

std::string AttributeOf(const XmlNode& element, const std::string& name) {
    return Trim(AttributeText(element, name));
}

// The categories that hold a site of each Name and URL; read only when names are shared.
using Holders = std::map<std::pair<std::string, std::string>, std::vector<std::string>>;

Holders ReadHolders() {
    Holders holders;
    XmlDocument library = XmlDocument::Create();
    LoadWebPageLibrary(library); // one that does not load holds nothing
    for (const LibraryCategory& category : ReadLibraryTree(library))
        for (const LibraryTreeSite& site : category.sites)
            holders[{Trim(site.name), Trim(site.url)}].push_back(Trim(category.name));
    return holders;
}

} // namespace

std::vector<std::string> SiteLabels(const msxml::XmlNodeList& sites) {
    std::vector<std::string> labels;
    std::unordered_map<std::string, size_t> uses;
    for (long i = 0; i < sites.length(); ++i) {
        labels.push_back(AttributeOf(sites.item(i), "Name"));
        ++uses[labels.back()];
    }
    std::optional<Holders> holders;
    for (long i = 0; i < sites.length(); ++i) {
        std::string& label = labels[static_cast<size_t>(i)];
        if (label.empty() || uses[label] < 2)
            continue;
        if (!holders)
            holders = ReadHolders();
        const auto found = holders->find({label, AttributeOf(sites.item(i), "URL")});
        if (found != holders->end() && found->second.size() == 1)
            label += " (" + found->second.front() + ")";
    }
    return labels;
}

} // namespace nimbrel
