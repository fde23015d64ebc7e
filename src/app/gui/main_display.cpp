// The main window's display step: the digest page built from the selection and opened in the
// browser when automatic display is on.
#include "app/gui/main.h"

#include "app/DisplayStep.h"

void TfrmMain::NavigateBrowser() {
    nimbrel::RunDisplayStep("setup.xml", {AutoView});
}
