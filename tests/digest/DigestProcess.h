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

// Runs nimbrel-digest with the arguments and waits for its end. `whileRunning`, when given, is
// called with the process id as soon as it has started (to send it a signal, say). With
// fileSizeLimit >= 0 the process runs under that RLIMIT_FSIZE.
DigestResult RunDigest(const std::vector<std::string>& arguments,
                       const std::function<void(pid_t)>& whileRunning = {},
                       long fileSizeLimit = -1);

// Runs nimbrel-digest with the arguments; one that has not ended after `limit` is killed.
DigestResult RunDigestWithin(const std::vector<std::string>& arguments, std::chrono::seconds limit);

} // namespace nimbrel::test
