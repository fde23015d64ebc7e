// The display step's workers: a pool of threads, each with a cleaner and documents of its own
// (BlockWorkshop), that make the sites' blocks side by side while the page takes them in
// selection order. A site is made once it is released (its cut files are final) and only a
// few sites ahead of the one taken last, so finished blocks never pile up.
#pragma once

#include "pipeline/SiteBlock.h"
#include "platform/LargeStack.h"

#include <condition_variable>
#include <cstddef>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace nimbrel {

// std::thread::hardware_concurrency(), at least 1.
unsigned DisplayWorkerCount();

class BlockPool {
  public:
    // Starts the workers (at least one) on the sites; none is made before it is released.
    // `madeAt` is the digest's time. Raises nimbrel::Exception when no worker can be started.
    BlockPool(std::vector<DisplaySite> sites, std::vector<FixPair> fixes, unsigned workers,
              std::time_t madeAt);
    // Stops: sites not yet begun are dropped, those begun are finished, the workers end.
    ~BlockPool();
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    const std::vector<DisplaySite>& sites() const { return sites_; }
    const std::vector<FixPair>& fixes() const { return fixes_; }
    unsigned workers() const { return static_cast<unsigned>(threads_.size()); }

    void release(size_t site);
    void releaseAll();

    // The outcome of the site, waiting until it is made. Sites are taken once each, in
    // increasing order. Raises PoolStopped once the pool is stopping.
    SiteOutcome take(size_t site);
    // Stops the pool: take() raises from now on, in every thread.
    void stop();

    struct PoolStopped {};

  private:
    enum class State { Waiting, Released, Running, Made, Taken };
    void work();
    SiteOutcome make(size_t site, std::optional<BlockWorkshop>& workshop);
    // The next site a worker may begin, under the lock; nothing when none may begin yet.
    std::optional<size_t> nextToMake() const;

    const std::vector<DisplaySite> sites_;
    const std::vector<FixPair> fixes_;
    const std::time_t madeAt_;
    size_t ahead_ = 1; // sites that may be begun past the next one to be taken

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<State> states_;
    std::vector<SiteOutcome> outcomes_;
    size_t nextTaken_ = 0;
    bool stopping_ = false;
    std::vector<std::unique_ptr<LargeStackThread>> threads_;
};

} // namespace nimbrel
