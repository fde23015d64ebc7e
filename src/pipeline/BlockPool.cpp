#include "pipeline/BlockPool.h"

#include "platform/Errors.h"
#include "platform/Limits.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>

namespace nimbrel {

namespace {

std::uint64_t NextRun() {
    static std::atomic<std::uint64_t> runs{0};
    return ++runs;
}

} // namespace

unsigned DisplayWorkerCount() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, limits::kMostDisplayWorkers);
}

BlockPool::BlockPool(std::vector<DisplaySite> sites, std::vector<FixPair> fixes, unsigned workers,
                     std::time_t madeAt, WorkerLimits limits)
    : sites_(std::move(sites)), fixes_(std::move(fixes)), madeAt_(madeAt), run_(NextRun()),
      states_(sites_.size(), State::Waiting), outcomes_(sites_.size()) {
    workers = std::max(1u, workers);
    ahead_ = workers * limits::kBlocksAheadPerWorker;
    workers_ = std::make_unique<SiteWorkers>(workers, limits);
}

BlockPool::~BlockPool() {
    stop();
    workers_.reset(); // its threads end before the members they call back into
}

void BlockPool::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    workers_->stop();
}

BlockJob BlockPool::jobFor(size_t site) const {
    return {ProgramFolder(), run_, sites_[site], fixes_, madeAt_};
}

void BlockPool::submitReady() {
    std::vector<size_t> ready;
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        const size_t end = std::min(states_.size(), nextTaken_ + ahead_);
        for (size_t site = nextTaken_; site < end; ++site)
            if (states_[site] == State::Released) {
                states_[site] = State::Running;
                ready.push_back(site);
            }
    }
    for (size_t site : ready)
        workers_->submit(jobFor(site), [this, site](SiteOutcome outcome) {
            std::lock_guard lock(mutex_);
            outcomes_[site] = std::move(outcome);
            states_[site] = State::Made;
            changed_.notify_all();
        });
}

void BlockPool::release(size_t site) {
    {
        std::lock_guard lock(mutex_);
        if (site >= states_.size() || states_[site] != State::Waiting)
            return;
        states_[site] = State::Released;
    }
    submitReady();
}

void BlockPool::releaseAll() {
    {
        std::lock_guard lock(mutex_);
        for (State& state : states_)
            if (state == State::Waiting)
                state = State::Released;
    }
    submitReady();
}

SiteOutcome BlockPool::take(size_t site) {
    SiteOutcome outcome;
    {
        std::unique_lock lock(mutex_);
        if (site != nextTaken_ || site >= states_.size())
            throw Exception("Site " + std::to_string(site) + " cannot be taken now");
        changed_.wait(lock, [&] { return stopping_ || states_[site] == State::Made; });
        if (stopping_)
            throw PoolStopped{};
        states_[site] = State::Taken;
        nextTaken_ = site + 1;
        outcome = std::move(outcomes_[site]);
    }
    submitReady();
    return outcome;
}

SiteOutcome BlockPool::makeAgain(size_t site) {
    std::promise<SiteOutcome> made;
    workers_->submit(jobFor(site),
                     [&](SiteOutcome outcome) { made.set_value(std::move(outcome)); });
    SiteOutcome outcome = made.get_future().get();
    std::lock_guard lock(mutex_);
    if (stopping_)
        throw PoolStopped{};
    return outcome;
}

} // namespace nimbrel
