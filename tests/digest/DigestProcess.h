// Running the real nimbrel-digest executable and collecting what it said.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace nimbrel::test {

struct DigestResult {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
    long peakRssKib = 0; // the largest peak resident size of the program or any helper it ran
    bool killed = false; // it outlived its time limit and was killed
};

// Far longer than any run of the tests takes, even on a busy machine.
constexpr std::chrono::seconds kLongestRun{120};

// Runs nimbrel-digest with the arguments and waits for its end. `whileRunning`, when given, is
// called with the process id as soon as it has started (to send it a signal, say). With
// fileSizeLimit >= 0 the process runs under that RLIMIT_FSIZE. A run that outlives `timeLimit`
// is ended, and fails its test, instead of holding up the whole suite.
DigestResult RunDigest(const std::vector<std::string>& arguments,
                       const std::function<void(pid_t)>& whileRunning = {}, long fileSizeLimit = -1,
                       std::chrono::seconds timeLimit = kLongestRun);

} // namespace nimbrel::test
