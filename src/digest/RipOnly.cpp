#include "DigestModes.h"

#include "pipeline/Rip.h"
#include "platform/ProgramFolder.h"

namespace nimbrel::digest {

int RunRipOnly(const DigestOptions&) {
    return RunStep([] {
        MakeWorkingFolders();
        return Rip();
    });
}

} // namespace nimbrel::digest
