#include "pipeline/SiteLabels.h"

#include "platform/Convert.h"
#include "platform/ProgramFolder.h"

#include <map>
#include <optional>
#include <unordered_map>

namespace nimbrel {

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;

std::string AttributeOf(const XmlNode& element, const std::string& name) {
    const XmlNode attribute = element.attributes().getNamedItem(name);
    return attribute ? Trim(attribute.text()) : std::string();
}

// The categories that hold a site of each Name and URL; read only when names are shared.
using Holders = std::map<std::pair<std::string, std::string>, std::vector<std::string>>;

Holders ReadHolders() {
    Holders holders;
    XmlDocument library = XmlDocument::Create();
    if (!library.load(ProgramFile("\\Categories.xml")))
        return holders;
    const msxml::XmlNodeList categories = library.selectNodes("//Category");
    for (long i = 0; i < categories.length(); ++i) {
        const XmlNode category = categories.item(i);
        const msxml::XmlNodeList sites = category.selectNodes("site");
        for (long j = 0; j < sites.length(); ++j)
            holders[{AttributeOf(sites.item(j), "Name"), AttributeOf(sites.item(j), "URL")}]
                .push_back(AttributeOf(category, "Name"));
    }
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
