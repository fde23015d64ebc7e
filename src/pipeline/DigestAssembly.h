// The digest page put together: the blocks made by a BlockPool are placed where the layout holds
// their placeholders and streamed into site.html's temporary file, in page order, by a thread
// of its own, while the workers make the blocks after them. Memory holds the layout, the few
// blocks made ahead and a small record per site, never the page.
//
// The page is byte for byte what placing every block at once would give (PlaceBlocks, then the
// engine declarations removed, then CR LF). When a block itself holds a placeholder, the
// placeholders it brings in are replaced by the sites after it: that rare page is put together
// again from its first placeholder on, with every block in memory (blocks already written are
// made again).
//
// The summary line (DigestSummary.h) goes right after the layout's <body> start tag, or before
// its first placeholder when that comes first: the page after it waits in a scratch file until
// every block is placed and the summary is written before it. What the digest showed of each site
// (SiteFiles.h) waits in a file of its own until the page is committed, so memory never holds the
// sites' blocks.
#pragma once

#include "pipeline/BlockPool.h"
#include "pipeline/DigestPage.h"
#include "pipeline/DigestSummary.h"
#include "pipeline/Placeholders.h"
#include "pipeline/SiteBlock.h"
#include "platform/LargeStack.h"

#include <atomic>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

// What a run puts together: the layout transformed from the selection, its sites in selection
// order and fix.dat's pairs.
struct DigestPlan {
    std::string layout;
    std::vector<DisplaySite> sites;
    std::vector<FixPair> fixes;

    bool operator==(const DigestPlan&) const = default;
};

// The plan of the loaded selection and layout stylesheet. The stylesheet's first table is set to
// the sites' width (308 per site; a layout without a table keeps its own), then the selection is
// transformed with it. Raises nimbrel::Exception when the transform fails.
DigestPlan MakeDigestPlan(const msxml::XmlDocument& selection, msxml::XmlDocument& layoutSheet);

class DigestAssembly {
  public:
    // Creates the page's temporary file and starts the workers and the writing thread; a site is
    // made once released (pool().release). `madeAt` is the digest's time (0: now). Raises
    // EInOutError when the file cannot be created, nimbrel::Exception when no worker can start.
    DigestAssembly(DigestPlan plan, unsigned workers, std::string pagePath, std::time_t madeAt = 0);
    // Unless committed, the page is abandoned: the threads stop, the temporary file and the
    // waiting records go.
    ~DigestAssembly();
    DigestAssembly(const DigestAssembly&) = delete;
    DigestAssembly& operator=(const DigestAssembly&) = delete;

    const DigestPlan& plan() const { return plan_; }
    BlockPool& pool() { return *pool_; }
    std::time_t madeAt() const { return madeAt_; }
    // What the summary line counts, and the sites with new items in page order, each once; whole
    // once finish() has returned.
    const DigestCounts& counts() const { return tally_.counts(); }
    const std::vector<SiteNews>& news() const { return news_; }

    // True once the writing has ended (every block placed, the summary written and the page on
    // disk, or an error stopped it): finish() and commit() then wait no more.
    bool placed() const { return placed_; }
    // Waits until the page is written to its end with its summary; every site's outcome
    // in selection order, the blocks and records left out. Raises the error that stopped the
    // writing (a full disk).
    std::vector<SiteOutcome> finish();
    // Puts the page in place of site.html, then the records of what it showed in place of the
    // sites' records; raises EInOutError, site.html and the records then keep their content.
    // A record that could not be written or put in place is raised as Exception afterwards,
    // with site.html in place.
    void commit();

  private:
    void write();
    void writeLayout(std::string_view text, size_t at);
    void remember(const DisplaySite& site, SiteOutcome& outcome);
    const std::string& blockFor(size_t site);
    void takeNext();
    void placeSiteBySite(size_t from);
    std::string blockAgain(size_t site);

    const DigestPlan plan_;
    const std::time_t madeAt_;
    DigestPage page_;
    std::unique_ptr<BlockPool> pool_;
    // Written by the writing thread only; read by finish() after it has ended.
    std::vector<SiteOutcome> outcomes_;              // taken so far, blocks left out
    std::vector<size_t> usesLeft_;                   // placeholders each site still has to fill
    std::vector<std::unique_ptr<std::string>> held_; // blocks taken and still to be placed
    bool blockHoldsPlaceholder_ = false;
    bool keepAllBlocks_ = false;        // once the page is placed site by site
    DigestPage::Mark firstPlaceholder_; // where the layout's first placeholder begins
    size_t summaryAt_ = 0;              // where in the layout the summary goes
    bool summaryReserved_ = false;
    DigestTally tally_;
    std::vector<SiteNews> news_;
    std::vector<std::string> pendingRecords_; // URLs whose record waits for the page
    size_t unwrittenRecords_ = 0;             // records that could not be written to wait
    std::string firstUnwrittenReason_;
    bool committed_ = false;
    std::atomic<bool> placed_{false};
    std::unique_ptr<LargeStackThread> writer_;
};

} // namespace nimbrel
