// --site "Category->Site": tries library sites one by one and reports every stage.
#include "DigestModes.h"

#include "app/SiteTrial.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <iostream>

namespace nimbrel::digest {

int RunSites(const DigestOptions& options) {
    if (const int made = RunStep([] { return MakeWorkingFolders(), true; }); made != kExitDone)
        return made;
    int status = kExitDone;
    for (const std::string& entry : options.sites)
        status = std::max(status, RunSiteTrial(entry, std::cout));
    return status;
}

} // namespace nimbrel::digest
