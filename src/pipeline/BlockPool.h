// The display step's workers: worker processes (SiteWorkers.h) make the sites' blocks side by
// side while the page takes them in selection order. A site is made once it is released (its cut
// files are final) and only a few sites ahead of the one taken last, so finished blocks never
// pile up.
#pragma once

#include "pipeline/SiteWorkers.h"

#include <condition_variable>
#include <cstddef>
#include <ctime>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace nimbrel {

// One per core, at most limits::kMostDisplayWorkers, at least 1.
unsigned DisplayWorkerCount();

class BlockPool {
  public:
    // Starts the workers (at least one) for the sites; none is made before it is released.
    // `madeAt` is the digest's time. Raises nimbrel::Exception when the worker program is not
    // found or no worker can be started.
    BlockPool(std::vector<DisplaySite> sites, std::vector<FixPair> fixes, unsigned workers,
              std::time_t madeAt, WorkerLimits limits = {});
    // Stops: sites not yet made are dropped, the workers are ended.
    ~BlockPool();
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    const std::vector<DisplaySite>& sites() const { return sites_; }
    const std::vector<FixPair>& fixes() const { return fixes_; }
    unsigned workers() const { return workers_->workers(); }

    void release(size_t site);
    void releaseAll();

    // The outcome of the site, waiting until it is made. Sites are taken once each, in
    // increasing order. Raises PoolStopped once the pool is stopping.
    SiteOutcome take(size_t site);
    // The outcome of a site made once more, waited for (a page that must be placed site by site
    // needs blocks it has written before). Raises PoolStopped once the pool is stopping.
    SiteOutcome makeAgain(size_t site);
    // Stops the pool: take() raises from now on, in every thread.
    void stop();

    struct PoolStopped : std::exception {
        const char* what() const noexcept override { return "The display step was stopped"; }
    };

  private:
    enum class State { Waiting, Released, Running, Made, Taken };
    // Hands the released sites within reach to the workers; called without the lock held.
    void submitReady();
    BlockJob jobFor(size_t site) const;

    const std::vector<DisplaySite> sites_;
    const std::vector<FixPair> fixes_;
    const std::time_t madeAt_;
    const std::uint64_t run_; // this pool's jobs share what a worker loads for them
    size_t ahead_ = 1;        // sites that may be begun past the next one to be taken

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<State> states_;
    std::vector<SiteOutcome> outcomes_;
    size_t nextTaken_ = 0;
    bool stopping_ = false;
    // Last: its threads call back into the members above until it is gone.
    std::unique_ptr<SiteWorkers> workers_;
};

} // namespace nimbrel
