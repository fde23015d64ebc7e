#include "digest/DisplayOnly.h"

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

void DisplayStep(std::optional<bool> openOverride) {
    const bool autoView = openOverride ? *openOverride : AutoViewFromOptions();
    if (!TidyAndDisplay("setup.xml", {autoView}))
        throw Exception("site.html was not written");
}

int RunDisplayOnly(std::optional<bool> openOverride) {
    try {
        DisplayStep(openOverride);
        return 0;
    } catch (const Exception& error) {
        Dialogs().showError(error.message());
        return 1;
    }
}

} // namespace nimbrel::digest
