#include "pipeline/DigestAssembly.h"

#include "pipeline/SiteFailure.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

namespace nimbrel {

namespace {

using msxml::XmlDocument;
using msxml::XmlNode;

// Each site column of the layout is this wide.
constexpr long kSiteColumnWidth = 308;

// A layout stylesheet without a table keeps its own width; the run goes on.
void SetLayoutWidth(XmlDocument& layoutSheet, long siteCount) {
    const XmlNode table = layoutSheet.selectSingleNode("//table");
    if (!table)
        return;
    table.attributes().setNamedItem(
        layoutSheet.createAttribute("width", std::to_string(siteCount * kSiteColumnWidth)));
}

std::string BlockOrNotice(const DisplaySite& site, const SiteOutcome& outcome) {
    if (!outcome.failure)
        return outcome.block;
    return SiteFailureNotice({ShownName(site), *outcome.failure});
}

} // namespace

DigestPlan MakeDigestPlan(const XmlDocument& selection, XmlDocument& layoutSheet) {
    DigestPlan plan;
    const auto sites = selection.selectNodes("//site");
    for (long i = 0; i < sites.length(); ++i)
        plan.sites.push_back(ReadDisplaySite(sites.item(i)));
    SetLayoutWidth(layoutSheet, sites.length());
    plan.layout = selection.transformNode(layoutSheet);
    plan.fixes = LoadFixList(ProgramFile("\\fix.dat"));
    return plan;
}

DigestAssembly::DigestAssembly(DigestPlan plan, unsigned workers, std::string pagePath)
    : plan_(std::move(plan)), page_(std::move(pagePath)),
      pool_(std::make_unique<BlockPool>(plan_.sites, plan_.fixes, workers)),
      usesLeft_(plan_.sites.size(), 0), held_(plan_.sites.size()) {
    writer_ = std::make_unique<LargeStackThread>(limits::kEngineStackBytes, [this] { write(); });
}

DigestAssembly::~DigestAssembly() {
    pool_->stop();
    writer_.reset();
}

std::vector<SiteOutcome> DigestAssembly::finish() {
    writer_->join();
    return std::move(outcomes_);
}

void DigestAssembly::commit() {
    page_.commit();
}

// Takes the next site in selection order; its block is kept while a placeholder still wants it.
void DigestAssembly::takeNext() {
    const size_t site = outcomes_.size();
    SiteOutcome outcome = pool_->take(site);
    std::string block = BlockOrNotice(plan_.sites[site], outcome);
    if (block.find(kPlaceholderStart) != std::string::npos)
        blockHoldsPlaceholder_ = true;
    if (usesLeft_[site] > 0 || keepAllBlocks_)
        held_[site] = std::make_unique<std::string>(std::move(block));
    outcome.block.clear();
    outcome.block.shrink_to_fit();
    outcomes_.push_back(std::move(outcome));
}

const std::string& DigestAssembly::blockFor(size_t site) {
    while (outcomes_.size() <= site && !blockHoldsPlaceholder_)
        takeNext();
    static const std::string none;
    return held_[site] ? *held_[site] : none;
}

void DigestAssembly::write() {
    std::vector<std::string> urls;
    for (const DisplaySite& site : plan_.sites)
        urls.push_back(site.url);
    const std::string_view layout = plan_.layout;
    const std::vector<PlaceholderUse> uses = FindPlaceholders(layout, urls);
    for (const PlaceholderUse& use : uses)
        ++usesLeft_[use.site];
    size_t from = 0;
    for (const PlaceholderUse& use : uses) {
        page_.write(layout.substr(from, use.at - from));
        if (&use == &uses.front())
            firstPlaceholder_ = page_.mark();
        const std::string& block = blockFor(use.site);
        if (blockHoldsPlaceholder_)
            return placeSiteBySite(uses.front().at);
        page_.write(block);
        if (--usesLeft_[use.site] == 0)
            held_[use.site].reset();
        from = use.at + use.length;
    }
    while (outcomes_.size() < plan_.sites.size())
        takeNext();
    if (blockHoldsPlaceholder_ && !uses.empty())
        return placeSiteBySite(uses.front().at);
    page_.write(layout.substr(from));
}

// A block taken before: kept, or made again (a failure's notice needs only its reason).
std::string DigestAssembly::blockAgain(size_t site) {
    if (held_[site])
        return std::move(*held_[site]);
    const SiteOutcome& outcome = outcomes_[site];
    if (outcome.failure)
        return BlockOrNotice(plan_.sites[site], outcome);
    if (!workshop_)
        workshop_.emplace(plan_.fixes);
    return BlockOrNotice(plan_.sites[site], MakeSiteBlock(plan_.sites[site], *workshop_));
}

// The page from the first placeholder on, placed as placing every block at once would; the
// text before it is the layout's own either way.
void DigestAssembly::placeSiteBySite(size_t from) {
    page_.rewind(firstPlaceholder_);
    keepAllBlocks_ = true;
    while (outcomes_.size() < plan_.sites.size())
        takeNext();
    std::vector<SiteBlock> blocks;
    for (size_t site = 0; site < plan_.sites.size(); ++site)
        blocks.push_back({plan_.sites[site].url, blockAgain(site)});
    page_.write(PlaceBlocks(std::string_view(plan_.layout).substr(from), blocks));
}

} // namespace nimbrel
