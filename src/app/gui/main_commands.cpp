// The main window's commands. Menu and tray twins click the toolbar buttons, so each toolbar
// command has exactly one handler here.
#include "app/gui/main.h"

#include "app/gui/Forms.h"
#include "app/hh_funcs.h"
#include "library/gui/setup.h"
#include "platform/Dialogs.h"
#include "wizard/Preferences.h"
#include "wizard/about.h"
#include "wizard/welcome.h"

#include <QAbstractButton>
#include <QCheckBox>

namespace {

constexpr int kFeedbackRequestTopic = 1700;
constexpr int kFeedbackDevelopersTopic = 1800;

void ShowInFront(QWidget* window) {
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void TfrmMain::speedSetupClick() {
    DropFetchThread();
    if (!frmSetup)
        return;
    QMetaObject::invokeMethod(frmSetup, "LoadCurrentSetup");
    ShowInFront(frmSetup);
}

void TfrmMain::speedPrefClick() {
    ShowInFront(frmPreferences);
}

void TfrmMain::speedStopClick() {
    if (FetchThread)
        TellFetchThreadToStop();
}

void TfrmMain::SpeedViewClick() {
    // Automatic display follows the preferences again afterwards, even when the display step
    // fails, so one View never switches it on for good.
    struct RestoreAutoView {
        TfrmMain* form;
        bool previous;
        ~RestoreAutoView() {
            auto* box =
                frmPreferences ? frmPreferences->findChild<QCheckBox*>("chkAutoView") : nullptr;
            form->AutoView = box ? box->isChecked() : previous;
        }
    } restore{this, AutoView};
    AutoView = true;
    NavigateBrowser();
}

void TfrmMain::speedHelpClick() {
    nimbrel::ShowHelpDefaultTopic();
}

void TfrmMain::SpeedExitClick() {
    if (TrayIcon1) {
        TrayIcon1->ShowMainForm();
        TrayIcon1->setIconVisible(false);
    }
    if (nimbrel::Dialogs().askYesNo("Are you sure you want to exit the Program ?")) {
        ExitConfirmed = true;
        close();
    } else if (TrayIcon1) {
        TrayIcon1->setIconVisible(true);
    }
}

// The window holds the current selection before the dialog runs, as Setup leaves it, so a
// cancelled dialog changes nothing and a later Close with Yes keeps every entry. A window
// already on screen keeps the edits the user is making.
void TfrmMain::Open1Click() {
    if (!frmSetup)
        return;
    if (!frmSetup->isVisible())
        frmSetup->LoadCurrentSetup();
    ShowInFront(frmSetup);
    if (auto* load = frmSetup->findChild<QAbstractButton*>("cmdLoad"))
        load->click();
}

void TfrmMain::Wizard1Click() {
    ShowInFront(frmWizardWelcome);
}

void TfrmMain::About1Click() {
    ShowInFront(frmAbout);
}

void TfrmMain::WebPageRequest1Click() {
    nimbrel::ShowHelpContext(kFeedbackRequestTopic);
}

void TfrmMain::Developers1Click() {
    nimbrel::ShowHelpContext(kFeedbackDevelopersTopic);
}

void TfrmMain::Suggestions1Click() {
    nimbrel::ShowHelpContext(kFeedbackRequestTopic);
}

void TfrmMain::TrayIcon1DblClick() {
    if (TrayIcon1)
        TrayIcon1->ShowMainForm();
}
