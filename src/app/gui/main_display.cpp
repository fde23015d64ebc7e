// The main window's display step: the digest page built from the selection and opened in the
// browser when automatic display is on.
#include "app/gui/main.h"

#include "pipeline/TidyAndDisplay.h"

void TfrmMain::NavigateBrowser() {
    nimbrel::TidyAndDisplay("setup.xml", {AutoView});
}
