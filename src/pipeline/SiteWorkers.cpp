#include "pipeline/SiteWorkers.h"

#include "platform/Companions.h"
#include "platform/Errors.h"
#include "platform/MessageFrames.h"

#include <charconv>
#include <future>
#include <mutex>

namespace nimbrel {

const char* const kWorkerCrashedReason = "the cleaner crashed on this page";

namespace {

constexpr const char* kWorkerName = "nimbrel-worker";

std::mutex programMutex;
std::optional<std::string> programForTesting;

HelperPool::Settings PoolSettings(unsigned workers, const WorkerLimits& limits) {
    HelperPool::Settings settings;
    settings.program = WorkerProgram();
    settings.arguments = {"--serve", "--memory-bytes", std::to_string(limits.memoryBytes)};
    settings.helpers = std::max(1u, workers);
    settings.jobTime = limits.time;
    settings.answerBytes = limits::kWorkerReplyBytes;
    settings.outOfMemoryStatus = kWorkerOutOfMemoryStatus;
    return settings;
}

} // namespace

std::string WorkerProgram() {
    {
        std::lock_guard lock(programMutex);
        if (programForTesting)
            return *programForTesting;
    }
    std::string found = FindCompanionFile(kWorkerName, NIMBREL_PRIVATE_DIR);
    if (found.empty()) {
        const std::string folder = ExecutableFolder();
        throw Exception(std::string("The worker program ") + kWorkerName + " was not found in " +
                        folder + " or " + folder +
                        "/../" NIMBREL_PRIVATE_DIR "; it is installed with " + "the program");
    }
    return found;
}

void SetWorkerProgramForTesting(std::optional<std::string> path) {
    std::lock_guard lock(programMutex);
    programForTesting = std::move(path);
}

std::string TookTooLongReason(const WorkerLimits& limits) {
    // Written the same whatever locale the program runs in.
    char text[32];
    const auto written =
        std::to_chars(text, text + sizeof text, std::chrono::duration<double>(limits.time).count());
    return "took longer than " + std::string(text, written.ptr) + " s to clean";
}

std::string NeededTooMuchReason(const WorkerLimits& limits) {
    return "needed more than " + std::to_string(limits.memoryBytes >> 20) + " MiB to clean";
}

SiteWorkers::SiteWorkers(unsigned workers, WorkerLimits limits)
    : limits_(limits), pool_(PoolSettings(workers, limits)) {}

SiteWorkers::~SiteWorkers() {
    pool_.stop();
}

void SiteWorkers::stop() {
    pool_.stop();
}

std::string SiteWorkers::reasonFor(const HelperFailure& failure) const {
    switch (failure.kind) {
    case HelperFailure::Kind::TimedOut:
        return TookTooLongReason(limits_);
    case HelperFailure::Kind::OutOfMemory:
        return NeededTooMuchReason(limits_);
    case HelperFailure::Kind::TooLarge:
        return "the cleaner sent back more than " +
               std::to_string(limits::kWorkerReplyBytes >> 20) + " MiB";
    case HelperFailure::Kind::Unstartable:
        return "the worker could not be started: " + failure.detail;
    case HelperFailure::Kind::Stopped:
        return "stopped";
    case HelperFailure::Kind::Crashed:
        if (failure.exitStatus == kWorkerNoSandboxStatus)
            return "the worker could not set up its sandbox, so it cleaned nothing";
        return kWorkerCrashedReason;
    }
    return kWorkerCrashedReason;
}

void SiteWorkers::submit(const BlockJob& job, std::function<void(SiteOutcome)> done) {
    pool_.submit(EncodeJob(job), [this, job, done = std::move(done)](HelperReply reply) mutable {
        std::string reason;
        if (reply.message) {
            try {
                return done(DecodeSiteOutcome(*reply.message));
            } catch (const MalformedMessage&) {
                reason = kWorkerCrashedReason; // what it sent is not an outcome
            }
        } else {
            reason = reasonFor(reply.failure);
        }
        if (reply.failure.kind == HelperFailure::Kind::Stopped)
            return done(FailedSiteOutcome(job.site, reason, job.madeAt, std::nullopt));
        frameFailure(job, reason, std::move(done));
    });
}

// The failure framed by a worker, with the block the last digest showed; by this program, with
// the reason alone, when that fails too (the kept block is read by no parser here).
void SiteWorkers::frameFailure(const BlockJob& job, const std::string& reason,
                               std::function<void(SiteOutcome)> done) {
    const FailureFrameJob frameJob{job.programFolder, job.site, reason, job.madeAt};
    pool_.submit(EncodeJob(frameJob), [job, reason, done = std::move(done)](HelperReply reply) {
        if (reply.message) {
            try {
                SiteOutcome outcome = DecodeSiteOutcome(*reply.message);
                outcome.failure = reason;
                outcome.status = "failed";
                outcome.shown.reset();
                return done(std::move(outcome));
            } catch (const MalformedMessage&) {
            }
        }
        done(FailedSiteOutcome(job.site, reason, job.madeAt, std::nullopt));
    });
}

DisplayTrial SiteWorkers::run(const TrialJob& job) {
    std::promise<DisplayTrial> answer;
    pool_.submit(EncodeJob(job), [&](HelperReply reply) {
        DisplayTrial outcome;
        if (reply.message) {
            try {
                return answer.set_value(DecodeDisplayTrial(*reply.message));
            } catch (const MalformedMessage&) {
                outcome.failure = kWorkerCrashedReason;
            }
        } else {
            outcome.failure = reasonFor(reply.failure);
        }
        answer.set_value(std::move(outcome));
    });
    return answer.get_future().get();
}

} // namespace nimbrel
