#include "pipeline/DigestAssembly.h"

#include "pipeline/SiteFiles.h"
#include "pipeline/SiteLabels.h"
#include "platform/Errors.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

#include <algorithm>

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

} // namespace

DigestPlan MakeDigestPlan(const XmlDocument& selection, XmlDocument& layoutSheet) {
    DigestPlan plan;
    const auto sites = selection.selectNodes("//site");
    const std::vector<std::string> labels = SiteLabels(sites);
    for (long i = 0; i < sites.length(); ++i) {
        plan.sites.push_back(ReadDisplaySite(sites.item(i)));
        plan.sites.back().position = static_cast<size_t>(i) + 1;
        if (!plan.sites.back().name.empty())
            plan.sites.back().name = labels[static_cast<size_t>(i)];
    }
    SetLayoutWidth(layoutSheet, sites.length());
    plan.layout = selection.transformNode(layoutSheet);
    plan.fixes = LoadFixList(ProgramFile("\\fix.dat"));
    return plan;
}

DigestAssembly::DigestAssembly(DigestPlan plan, unsigned workers, std::string pagePath,
                               std::time_t madeAt)
    : plan_(std::move(plan)), madeAt_(madeAt ? madeAt : std::time(nullptr)),
      page_(std::move(pagePath)),
      pool_(std::make_unique<BlockPool>(plan_.sites, plan_.fixes, workers, madeAt_)),
      usesLeft_(plan_.sites.size(), 0), held_(plan_.sites.size()) {
    writer_ = std::make_unique<LargeStackThread>(limits::kEngineStackBytes, [this] {
        struct Placed {
            std::atomic<bool>& flag;
            ~Placed() { flag = true; }
        } placed{placed_};
        write();
        if (summaryReserved_)
            page_.fill(DigestSummary(tally_.counts(), madeAt_));
        page_.close();
    });
}

DigestAssembly::~DigestAssembly() {
    pool_->stop();
    writer_.reset();
    if (!committed_)
        DropWaitingLastShown(pendingRecords_);
}

std::vector<SiteOutcome> DigestAssembly::finish() {
    writer_->join();
    return std::move(outcomes_);
}

void DigestAssembly::commit() {
    page_.commit();
    committed_ = true;
    KeepWaitingLastShown(pendingRecords_);
    if (unwrittenRecords_ > 0)
        throw Exception(PendingRecordsLost(unwrittenRecords_, firstUnwrittenReason_));
}

// Counts the site for the summary; what the digest shows of it waits for the page.
void DigestAssembly::remember(const DisplaySite& site, SiteOutcome& outcome) {
    const bool ownFrame = tally_.add(site.url, outcome.status, outcome.newItems);
    if (ownFrame && outcome.newItems > 0)
        news_.push_back({ShownName(site), outcome.newItems});
    if (ownFrame && outcome.shown) {
        try {
            WriteWaitingLastShown(site.url, *outcome.shown);
            pendingRecords_.push_back(site.url);
        } catch (const Exception& error) {
            // Reported once the page is in place; the other sites are remembered as ever.
            if (unwrittenRecords_++ == 0)
                firstUnwrittenReason_ = error.message();
        }
    }
    outcome.shown.reset();
}

// Takes the next site in selection order; its block is kept while a placeholder still wants it.
void DigestAssembly::takeNext() {
    const size_t site = outcomes_.size();
    SiteOutcome outcome = pool_->take(site);
    std::string block = std::move(outcome.block);
    remember(plan_.sites[site], outcome);
    if (block.find(kPlaceholderStart) != std::string::npos)
        blockHoldsPlaceholder_ = true;
    if (usesLeft_[site] > 0 || keepAllBlocks_)
        held_[site] = std::make_unique<std::string>(std::move(block));
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
    summaryAt_ = plan_.sites.empty() ? std::string_view::npos : SummaryOffset(layout);
    if (!uses.empty())
        summaryAt_ = std::min(summaryAt_, uses.front().at);
    size_t from = 0;
    for (const PlaceholderUse& use : uses) {
        writeLayout(layout.substr(from, use.at - from), from);
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
    writeLayout(layout.substr(from), from);
}

// Layout text that stands at `at` in the layout; the summary's place is kept where it belongs.
void DigestAssembly::writeLayout(std::string_view text, size_t at) {
    if (summaryReserved_ || summaryAt_ < at || summaryAt_ > at + text.size()) {
        page_.write(text);
        return;
    }
    page_.write(text.substr(0, summaryAt_ - at));
    page_.reserve();
    summaryReserved_ = true;
    page_.write(text.substr(summaryAt_ - at));
}

// A block taken before: kept, or made again.
std::string DigestAssembly::blockAgain(size_t site) {
    if (held_[site])
        return std::move(*held_[site]);
    return pool_->makeAgain(site).block;
}

// The page from the first placeholder on, placed as placing every block at once would; the
// text before it is the layout's own either way.
void DigestAssembly::placeSiteBySite(size_t from) {
    page_.rewind(firstPlaceholder_);
    keepAllBlocks_ = true;
    while (outcomes_.size() < plan_.sites.size())
        takeNext();
    std::vector<PlacedBlock> blocks;
    for (size_t site = 0; site < plan_.sites.size(); ++site)
        blocks.push_back({plan_.sites[site].url, blockAgain(site)});
    page_.write(PlaceBlocks(std::string_view(plan_.layout).substr(from), blocks));
}

} // namespace nimbrel
