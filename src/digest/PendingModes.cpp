// Modes whose steps are still being built; each says so and fails.
#include "DigestModes.h"

namespace nimbrel::digest {

int RunFullCycle(const DigestOptions&) {
    return NotAvailableYet("the download cycle");
}

int RunDisplayOnly(const DigestOptions&) {
    return NotAvailableYet("--display-only");
}

int RunSites(const DigestOptions&) {
    return NotAvailableYet("--site");
}

} // namespace nimbrel::digest
