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
// Writing more: a text known only at the end (a line that sums up the sites, at the top of the
// page) takes a region reserved by write() before the first block (page_.reserve) and filled
// in finish(); a record per site can follow commit() from the outcomes finish() returns.
#pragma once

#include "pipeline/BlockPool.h"
#include "pipeline/DigestPage.h"
#include "pipeline/Placeholders.h"
#include "pipeline/SiteBlock.h"

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
    // made once released (pool().release). Raises EInOutError when the file cannot be created.
    DigestAssembly(DigestPlan plan, unsigned workers, std::string pagePath);
    // Unless committed, the page is abandoned: the threads stop, the temporary file goes.
    ~DigestAssembly();
    DigestAssembly(const DigestAssembly&) = delete;
    DigestAssembly& operator=(const DigestAssembly&) = delete;

    const DigestPlan& plan() const { return plan_; }
    BlockPool& pool() { return *pool_; }

    // Waits until the page is written to its end; every site's outcome in selection order, the
    // blocks left out. Raises the error that stopped the writing (a full disk).
    std::vector<SiteOutcome> finish();
    // Puts the page in place of site.html; raises EInOutError, site.html then keeps its content.
    void commit();

  private:
    void write();
    const std::string& blockFor(size_t site);
    void takeNext();
    void placeSiteBySite(size_t from);
    std::string blockAgain(size_t site);

    const DigestPlan plan_;
    DigestPage page_;
    std::unique_ptr<BlockPool> pool_;
    // Written by the writing thread only; read by finish() after it has ended.
    std::vector<SiteOutcome> outcomes_;              // taken so far, blocks left out
    std::vector<size_t> usesLeft_;                   // placeholders each site still has to fill
    std::vector<std::unique_ptr<std::string>> held_; // blocks taken and still to be placed
    bool blockHoldsPlaceholder_ = false;
    bool keepAllBlocks_ = false;            // once the page is placed site by site
    DigestPage::Mark firstPlaceholder_;     // where the layout's first placeholder begins
    std::optional<BlockWorkshop> workshop_; // for blocks made again
    std::unique_ptr<LargeStackThread> writer_;
};

} // namespace nimbrel
