// Running the real nimbrel-digest executable and collecting what it said.
#pragma once

#include <string>
#include <vector>

namespace nimbrel::test {

struct DigestResult {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs nimbrel-digest with the arguments; with fileSizeLimit >= 0 under that RLIMIT_FSIZE.
DigestResult RunDigest(const std::vector<std::string>& arguments, long fileSizeLimit = -1);

} // namespace nimbrel::test
