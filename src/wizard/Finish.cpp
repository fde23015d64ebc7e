#include "wizard/Finish.h"

#include "app/gui/Forms.h"
#include "wizard/Preferences.h"
#include "wizard/WizardHost.h"

#include <QCheckBox>
#include <QPushButton>

using namespace nimbrel;

TfrmFinish::TfrmFinish(QWidget* parent)
    : TWizardPage("frmFinish", "Nimbrel", PageBorder::Sizeable,
                  {"cmdHelp", "Button3", "Button1", nullptr, "Finish"}, parent) {
    cmdHelp = HelpButton;
    Button3 = BackButton;
    Button1 = NextButton;

    txtWelcome1 = AddText("txtWelcome1", kBodyTop, 80);
    chkStartDownloading = new QCheckBox("Start Downloading", this);
    chkStartDownloading->setObjectName("chkStartDownloading");
    chkStartDownloading->setGeometry(kBodyLeft, 130, kBodyWidth, 22);
    chkStartDownloading->setChecked(true);
    txtWelcomeG = AddText("txtWelcomeG", 180, 18);

    OnClick(cmdHelp, [this] { cmdHelpClick(); });
    OnClick(Button3, [this] { Button3Click(); });
    OnClick(Button1, [this] { Button1Click(); });
    ShowErrors([this] { FormCreate(); });
}

void TfrmFinish::FormCreate() {
    LoadBanner();
    SetFrameText(txtWelcome, "Start downloading your selected web pages");
    SetFrameText(txtWelcome1,
                 "Thank you for completing the Setup Wizard. To start downloading your list of "
                 "web pages, make sure the \"Start Downloading\" box is checked. Alternatively "
                 "you can manually select  \"Refresh\"  from the toolbar.");
    SetFrameText(txtWelcomeG, "Click \"Finish\" to complete the Setup Wizard.");
    SetHelpContext(1600);
}

void TfrmFinish::cmdHelpClick() {
    Host().ShowHelpTopic(HelpContext());
}

void TfrmFinish::Button3Click() {
    MoveAlong(this, frmPreferences);
}

void TfrmFinish::Button1Click() {
    if (chkStartDownloading->isChecked())
        Host().Refresh();
    hide();
}
