#include "DigestModes.h"

#include "pipeline/Rip.h"

namespace nimbrel::digest {

int RunRipOnly(const DigestOptions&) {
    return RunStep([] { return Rip(); });
}

} // namespace nimbrel::digest
