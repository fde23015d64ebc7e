// One site's work as a worker process does it (cleaning, parsing and transforming its cut text),
// and how the job and its outcome travel between the program and the worker (MessageFrames.h).
// The worker reads the program folder's files it is named; it writes none.
#pragma once

#include "pipeline/SiteBlock.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

// The display step's job for one site: its framed block, as MakeSiteBlock makes it.
struct BlockJob {
    std::string programFolder;
    std::uint64_t run = 0; // jobs of one run share what the worker loaded for it (stylesheets)
    DisplaySite site;
    std::vector<FixPair> fixes;
    std::time_t madeAt = 0;
};

// The frame of a site whose worker failed on it: the reason above the block the last digest
// showed of the site.
struct FailureFrameJob {
    std::string programFolder;
    DisplaySite site;
    std::string reason;
    std::time_t madeAt = 0;
};

// A cut file tried as the display step would show it, stage by stage: for --site and the rule
// editor's preview.
struct TrialJob {
    std::string programFolder;
    std::string cutPath;
    std::string type;           // lower case: html cleans as HTML, addxmltags wraps
    std::string styleSheetPath; // the stylesheet file
    std::string linkBase;       // links resolve against it
    std::vector<FixPair> fixes;
};

struct DisplayTrial {
    bool cleaned = false; // the cut was cleaned; when not, `failure` says why
    std::uint64_t cleanedBytes = 0;
    std::string cleanedStart; // the first bytes of the cleaned text (fix.dat applied)
    std::string parseReason;  // why the cleaned text does not parse; empty when it does
    std::string sheetReason;  // why the stylesheet does not load; empty when it does
    std::string block;        // the stylesheet's block, links resolved, active content removed
    std::string failure;      // why the trial stopped short; empty when it did not

    bool operator==(const DisplayTrial&) const = default;
};

std::string EncodeJob(const BlockJob& job);
std::string EncodeJob(const FailureFrameJob& job);
std::string EncodeJob(const TrialJob& job);

// The outcomes as the worker sends them back; decoding raises MalformedMessage on anything that
// is not one (a worker is not trusted to send what it should).
std::string EncodeOutcome(const SiteOutcome& outcome);
SiteOutcome DecodeSiteOutcome(std::string_view message);
std::string EncodeOutcome(const DisplayTrial& outcome);
DisplayTrial DecodeDisplayTrial(std::string_view message);

// The worker's side: runs the jobs it is sent, one at a time, keeping what a run's jobs share.
class SiteWorkRunner {
  public:
    SiteWorkRunner();
    ~SiteWorkRunner();
    // The encoded outcome of an encoded job. Every failure of the site's own is in the outcome;
    // raises MalformedMessage for a message that is no job, and std::bad_alloc.
    std::string run(std::string_view job);

  private:
    std::string runBlock(const BlockJob& job);
    struct Shared;
    std::unique_ptr<Shared> shared_;
};

// The exit statuses by which a worker tells the program why it ended.
constexpr int kWorkerOutOfMemoryStatus = 86; // an allocation failed: the site needed too much
constexpr int kWorkerNoSandboxStatus = 87;   // its sandbox could not be set up: it did no work

} // namespace nimbrel
