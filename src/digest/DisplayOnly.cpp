#include "digest/DisplayOnly.h"

#include "DigestModes.h"

#include "app/Options.h"
#include "pipeline/TidyAndDisplay.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

#include <cstdint>

namespace nimbrel::digest {

namespace {

// The option file's automatic display. A bad file is reported and the value it left is used,
// as the desktop program does when it starts.
bool AutoViewFromOptions() {
    int32_t intervalSeconds = 900;
    bool autoView = true;
    try {
        LoadOptionsFile(OptionFilePath(), intervalSeconds, autoView);
    } catch (const Exception& error) {
        Dialogs().showError(error.message());
    }
    return autoView;
}

} // namespace

bool DisplayStep(std::optional<bool> openOverride) {
    const bool autoView = openOverride ? *openOverride : AutoViewFromOptions();
    return TidyAndDisplay("setup.xml", {autoView});
}

int RunDisplayOnly(const DigestOptions& options) {
    return RunStep([&options] { return DisplayStep(options.open); });
}

} // namespace nimbrel::digest
