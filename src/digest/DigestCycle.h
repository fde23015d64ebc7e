// The whole download cycle of nimbrel-digest, as the main window's poller runs it: the fetch
// thread loads the selection and downloads every site (a progress line per site on stderr), then
// the cut and the display steps run on the main thread.
#pragma once

#include <functional>

namespace nimbrel::digest {

struct CycleSteps {
    std::function<void()> cut;     // the cutting driver
    std::function<void()> display; // the display step; may be empty
};

// Runs the cycle on the program folder. Returns 0 when it ran to its end (sites that could not
// be fetched are reported on their lines and keep their last good page), 1 when an error ended
// it (its message printed on stderr). A selection file that is missing ends the program at once.
int RunFullCycle(bool quiet, const CycleSteps& steps);

} // namespace nimbrel::digest
