#include "pipeline/BlockPool.h"

#include "components/MSXML2_TLB.h"
#include "components/TidyCOM_TLB.h"
#include "pipeline/SiteFailure.h"
#include "platform/Errors.h"
#include "platform/Limits.h"

#include <algorithm>
#include <thread>

namespace nimbrel {

unsigned DisplayWorkerCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

BlockPool::BlockPool(std::vector<DisplaySite> sites, std::vector<FixPair> fixes, unsigned workers,
                     std::time_t madeAt)
    : sites_(std::move(sites)), fixes_(std::move(fixes)), madeAt_(madeAt),
      states_(sites_.size(), State::Waiting), outcomes_(sites_.size()) {
    workers = std::max(1u, workers);
    ahead_ = workers * limits::kBlocksAheadPerWorker;
    // On this thread, before any worker touches the engines.
    msxml::InitialiseXmlEngine();
    tidycom::InitialiseCleaner();
    try {
        for (unsigned i = 0; i < workers; ++i)
            threads_.push_back(
                std::make_unique<LargeStackThread>(limits::kEngineStackBytes, [this] { work(); }));
    } catch (...) {
        stop();
        threads_.clear();
        throw;
    }
}

BlockPool::~BlockPool() {
    stop();
    threads_.clear(); // joins
}

void BlockPool::stop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
}

void BlockPool::release(size_t site) {
    std::lock_guard lock(mutex_);
    if (site < states_.size() && states_[site] == State::Waiting) {
        states_[site] = State::Released;
        changed_.notify_all();
    }
}

void BlockPool::releaseAll() {
    std::lock_guard lock(mutex_);
    for (State& state : states_)
        if (state == State::Waiting)
            state = State::Released;
    changed_.notify_all();
}

std::optional<size_t> BlockPool::nextToMake() const {
    const size_t end = std::min(states_.size(), nextTaken_ + ahead_);
    for (size_t site = nextTaken_; site < end; ++site)
        if (states_[site] == State::Released)
            return site;
    return std::nullopt;
}

SiteOutcome BlockPool::take(size_t site) {
    std::unique_lock lock(mutex_);
    if (site != nextTaken_ || site >= states_.size())
        throw Exception("Site " + std::to_string(site) + " cannot be taken now");
    changed_.wait(lock, [&] { return stopping_ || states_[site] == State::Made; });
    if (stopping_)
        throw PoolStopped{};
    states_[site] = State::Taken;
    nextTaken_ = site + 1;
    changed_.notify_all();
    return std::move(outcomes_[site]);
}

SiteOutcome BlockPool::make(size_t site, std::optional<BlockWorkshop>& workshop) {
    try {
        // Made on the first site, so a worker that is never needed costs no cleaner.
        if (!workshop)
            workshop.emplace(fixes_);
        return MakeSiteBlock(sites_[site], *workshop, madeAt_);
    } catch (const std::exception& error) {
        SiteOutcome failed; // no cleaner for this worker: the site is listed as failed
        failed.failure = ConciseReason(error.what());
        failed.status = "failed";
        return failed;
    }
}

void BlockPool::work() {
    std::optional<BlockWorkshop> workshop;
    std::unique_lock lock(mutex_);
    while (true) {
        std::optional<size_t> site;
        changed_.wait(lock, [&] {
            if (!stopping_)
                site = nextToMake();
            return stopping_ || site.has_value();
        });
        if (stopping_)
            return;
        states_[*site] = State::Running;
        lock.unlock();
        SiteOutcome outcome = make(*site, workshop);
        lock.lock();
        outcomes_[*site] = std::move(outcome);
        states_[*site] = State::Made;
        changed_.notify_all();
    }
}

} // namespace nimbrel
