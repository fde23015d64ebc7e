#include "digest/DisplayOnly.h"

#include "DigestModes.h"

#include "app/DisplayStep.h"
#include "app/Options.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"

#include <cstdint>
#include <cstdio>

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

bool ShowDigestPage(std::optional<bool> openOverride, bool quiet, EarlyDisplay* early) {
    DisplayContext context;
    context.early = early;
    context.autoView = openOverride ? *openOverride : AutoViewFromOptions();
    // --no-open keeps every browser closed, the update reminder's too.
    context.updatePageMayOpen = !(openOverride && !*openOverride);
    const DisplayReport report = RunDisplayStep("setup.xml", context);
    if (!quiet) {
        for (const SiteFailure& failure : report.failures)
            std::fprintf(stderr, "%s: not shown: %s\n", failure.name.c_str(),
                         failure.reason.c_str());
        for (const BrokenRuleSite& broken : report.brokenRules)
            std::fprintf(stderr, "%s: rule found nothing\n", broken.name.c_str());
    }
    return report.written;
}

int RunDisplayOnly(const DigestOptions& options) {
    return RunStep([&options] {
        MakeWorkingFolders();
        return ShowDigestPage(options.open, options.quiet);
    });
}

} // namespace nimbrel::digest
