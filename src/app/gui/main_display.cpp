// The main window's display step: the digest page built from the selection and opened in the
// browser when automatic display is on.
#include "app/gui/main.h"

#include "app/DisplayStep.h"

void TfrmMain::NavigateBrowser(nimbrel::EarlyDisplay* early) {
    nimbrel::DisplayContext context;
    context.autoView = AutoView;
    context.early = early;
    const nimbrel::DisplayReport report = nimbrel::RunDisplayStep("setup.xml", context);
    if (report.written)
        ShowDigestState(report);
}
