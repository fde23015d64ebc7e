#include "wizard/welcome.h"

#include "app/gui/Forms.h"
#include "library/gui/setup.h"
#include "wizard/WizardHost.h"

#include <QFrame>
#include <QPushButton>

#include <utility>

using namespace nimbrel;

TfrmWizardWelcome::TfrmWizardWelcome(QWidget* parent)
    : TWizardPage("frmWizardWelcome", "Nimbrel", PageBorder::Sizeable,
                  {"Button4", "Button3", "Button1", "cmdClose"}, parent) {
    Button4 = HelpButton;
    Button3 = BackButton;
    Button1 = NextButton;
    cmdClose = CloseButton;

    txtWelcome1 = AddText("txtWelcome1", kBodyTop, 64);
    Bevel3 = new QFrame(this);
    Bevel3->setObjectName("Bevel3");
    Bevel3->setFrameShape(QFrame::HLine);
    Bevel3->setFrameShadow(QFrame::Sunken);
    Bevel3->setGeometry(kBodyLeft, 124, kBodyWidth + 1, 2);
    txtWelcomeA = AddText("txtWelcomeA", 136, 18);
    txtWelcomeB = AddText("txtWelcomeB", 154, 50);
    const std::pair<QTextEdit**, const char*> features[] = {{&txtWelcomeC, "txtWelcomeC"},
                                                            {&txtWelcomeD, "txtWelcomeD"},
                                                            {&txtWelcomeE, "txtWelcomeE"},
                                                            {&txtWelcomeF, "txtWelcomeF"}};
    int top = 206;
    for (const auto& [box, name] : features) {
        *box = AddText(name, top, 18);
        top += 20;
    }
    txtWelcomeG = AddText("txtWelcomeG", 300, 18);

    // The welcome page is the first: there is nothing to go back to.
    Button3->setEnabled(false);
    OnClick(Button4, [this] { Button4Click(); });
    OnClick(Button1, [this] { Button1Click(); });
    OnClick(cmdClose, [this] { cmdCloseClick(); });
    ShowErrors([this] { FormCreate(); });
}

void TfrmWizardWelcome::FormCreate() {
    LoadBanner();
    SetFrameText(txtWelcome, "Welcome to the Nimbrel Setup Wizard !");
    SetFrameText(
        txtWelcome1,
        "The Nimbrel allows you to view the headlines, images and content of the most "
        "popular news, financial, sport and interest web pages all in one browser window.");
    SetFrameText(txtWelcomeA, "This Wizard automates the most common setup tasks");
    SetFrameText(txtWelcomeB, "for the Nimbrel.\r\rIt features :");
    SetFrameText(txtWelcomeC, "* Web page selections");
    SetFrameText(txtWelcomeD, "* Layout options");
    SetFrameText(txtWelcomeE, "* Skin selections");
    SetFrameText(txtWelcomeF, "* Download options");
    SetFrameText(txtWelcomeG, "Click \"Next\" to proceed.");
    SetHelpContext(1100);
}

void TfrmWizardWelcome::Button4Click() {
    Host().ShowHelpTopic(HelpContext());
}

void TfrmWizardWelcome::Button1Click() {
    frmSetup->move(frmSetup->x(), y());
    frmSetup->move(x(), frmSetup->y());
    hide();
    Host().SetupCommand();
}

void TfrmWizardWelcome::cmdCloseClick() {
    hide();
}
