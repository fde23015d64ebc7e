// The worker processes that clean, parse and transform the sites' cut texts: the only place where
// the bytes of a page meet the C libraries. Each worker is the program nimbrel-worker, started by
// posix_spawn, with its address space limited, in a sandbox that lets it read files but not write
// them, open network connections or start programs; it works on one site at a time. A site whose
// work takes too long (the worker is killed and replaced), needs too much memory or crashes its
// worker fails with that reason, shown in its frame above the block the last digest showed; the
// other sites go on.
#pragma once

#include "pipeline/SiteWork.h"
#include "platform/HelperPool.h"
#include "platform/Limits.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace nimbrel {

// The worker program: nimbrel-worker beside the running executable, or in ../lib/nimbrel
// (NIMBREL_PRIVATE_DIR) once installed. Raises nimbrel::Exception naming where it looked when it is
// in neither place.
std::string WorkerProgram();
// Makes WorkerProgram() answer this path (tests, whose executables live elsewhere); nothing
// restores the search.
void SetWorkerProgramForTesting(std::optional<std::string> path);

struct WorkerLimits {
    std::chrono::milliseconds time{std::chrono::seconds(limits::kSiteWorkSeconds)};
    std::size_t memoryBytes = limits::kWorkerMemoryBytes;
};

// The reasons a site shows when its worker failed on it.
std::string TookTooLongReason(const WorkerLimits& limits);   // "took longer than 20 s to clean"
std::string NeededTooMuchReason(const WorkerLimits& limits); // "needed more than 768 MiB ..."
extern const char* const kWorkerCrashedReason;               // "the cleaner crashed on this page"

class SiteWorkers {
  public:
    // Starts `workers` workers (at least one). Raises nimbrel::Exception when the worker program
    // is not found.
    explicit SiteWorkers(unsigned workers, WorkerLimits limits = {});
    ~SiteWorkers();
    SiteWorkers(const SiteWorkers&) = delete;
    SiteWorkers& operator=(const SiteWorkers&) = delete;

    unsigned workers() const { return pool_.helpers(); }

    // One site's framed block. `done` gets the outcome on a worker's thread, once, in the order
    // the sites are finished; a worker's failure is the site's failure, framed with the block the
    // last digest showed (made by another worker; when that fails too, the frame has the reason
    // only). After stop(), done may be called on this thread, with the site failed as stopped.
    void submit(const BlockJob& job, std::function<void(SiteOutcome)> done);
    // A trial, waited for; a worker's failure is in `failure`.
    DisplayTrial run(const TrialJob& job);
    // Stops at once: what is waiting or in progress ends as stopped, the workers are killed.
    void stop();

  private:
    std::string reasonFor(const HelperFailure& failure) const;
    void frameFailure(const BlockJob& job, const std::string& reason,
                      std::function<void(SiteOutcome)> done);

    const WorkerLimits limits_;
    HelperPool pool_;
};

} // namespace nimbrel
