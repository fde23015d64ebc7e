#include "wizard/Skins.h"

#include "app/gui/Forms.h"
#include "wizard/Layout.h"
#include "wizard/Preferences.h"
#include "wizard/WizardHost.h"

#include <QListWidget>
#include <QPushButton>

using namespace nimbrel;

TfrmSkins::TfrmSkins(QWidget* parent)
    : TWizardPage("frmSkins", "Nimbrel Skins", PageBorder::FixedWithMinimize,
                  {"cmdHelp", "cmdBack", "cmdNext", "cmdClose"}, parent) {
    cmdHelp = HelpButton;
    cmdBack = BackButton;
    cmdNext = NextButton;
    cmdClose = CloseButton;

    txtWelcome1 = AddText("txtWelcome1", kBodyTop, 40);
    txtWelcome2 = AddText("txtWelcome2", 100, 20);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(kBodyLeft, 130, 180, 120);

    OnClick(cmdHelp, [this] { cmdHelpClick(); });
    OnClick(cmdBack, [this] { cmdBackClick(); });
    OnClick(cmdNext, [this] { cmdNextClick(); });
    OnClick(cmdClose, [this] { cmdCloseClick(); });
    ShowErrors([this] { FormCreate(); });
}

void TfrmSkins::FormCreate() {
    LoadBanner();
    SetFrameText(txtWelcome, "Select a skin for your Nimbrel");
    SetFrameText(txtWelcome1,
                 "Using skins will give your Nimbrel a unique and customized appearance.");
    SetFrameText(txtWelcome2, "Click on a skin in the list to activate it.");
    ListBox1->addItem("Default");
    SetHelpContext(1400);
}

void TfrmSkins::cmdHelpClick() {
    Host().ShowHelpTopic(HelpContext());
}

void TfrmSkins::cmdBackClick() {
    MoveAlong(this, frmLayout);
}

void TfrmSkins::cmdNextClick() {
    MoveAlong(this, frmPreferences);
}

void TfrmSkins::cmdCloseClick() {
    hide();
}
