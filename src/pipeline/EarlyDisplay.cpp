#include "pipeline/EarlyDisplay.h"

#include "components/MSXML2_TLB.h"
#include "pipeline/SiteFiles.h"
#include "platform/ProgramFolder.h"

#include <exception>
#include <unordered_map>

namespace nimbrel {

using msxml::XmlDocument;
using msxml::XmlNode;

EarlyDisplay::EarlyDisplay(unsigned workers, std::time_t madeAt)
    : workers_(workers), madeAt_(madeAt) {}

void EarlyDisplay::sitesFound(const msxml::XmlNodeList& sites) {
    try {
        begin(sites);
    } catch (const std::exception&) {
        assembly_.reset(); // the display step meets the same trouble and reports it
    }
}

void EarlyDisplay::begin(const msxml::XmlNodeList& sites) {
    if (sites.length() == 0)
        return;
    XmlDocument layoutSheet = XmlDocument::Create();
    if (!layoutSheet.load(ProgramFile("\\setup.xslt")))
        return;
    DigestPlan plan = MakeDigestPlan(sites.item(0).ownerDocument(), layoutSheet);
    // The cut of a site writes the cut file and failure note named by its URL as it stands.
    std::unordered_map<std::string, size_t> lastWriter;
    for (long i = 0; i < sites.length(); ++i)
        if (const XmlNode url = sites.item(i).attributes().getNamedItem("URL"))
            lastWriter[PageFileStem(url.text())] = static_cast<size_t>(i);
    releasedBy_.assign(static_cast<size_t>(sites.length()), {});
    std::vector<size_t> readyNow;
    for (size_t site = 0; site < plan.sites.size(); ++site) {
        const auto writer = lastWriter.find(PageFileStem(plan.sites[site].url));
        if (writer == lastWriter.end())
            readyNow.push_back(site);
        else
            releasedBy_[writer->second].push_back(site);
    }
    assembly_ = std::make_unique<DigestAssembly>(std::move(plan), workers_,
                                                 ProgramFile("\\site.html"), madeAt_);
    for (size_t site : readyNow)
        assembly_->pool().release(site);
}

void EarlyDisplay::siteDone(long index) {
    if (!assembly_ || index < 0 || static_cast<size_t>(index) >= releasedBy_.size())
        return;
    for (size_t site : releasedBy_[static_cast<size_t>(index)])
        assembly_->pool().release(site);
}

std::unique_ptr<DigestAssembly> EarlyDisplay::take() {
    if (!assembly_)
        return nullptr;
    assembly_->pool().releaseAll();
    return std::move(assembly_);
}

} // namespace nimbrel
