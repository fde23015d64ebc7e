// Modes whose steps are still being built; each says so and fails.
#include "DigestModes.h"

namespace nimbrel::digest {

int RunSites(const DigestOptions&) {
    return NotAvailableYet("--site");
}

} // namespace nimbrel::digest
