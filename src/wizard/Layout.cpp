#include "wizard/Layout.h"

#include "app/gui/Forms.h"
#include "library/gui/setup.h"
#include "wizard/ProductBanner.h"
#include "wizard/Skins.h"
#include "wizard/WizardHost.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

using namespace nimbrel;

TfrmLayout::TfrmLayout(QWidget* parent)
    : TWizardPage("frmLayout", "Nimbrel Layout", PageBorder::FixedWithMinimize,
                  {"cmdHelp", "cmdBack", "cmdNext", "cmdClose"}, parent) {
    cmdHelp = HelpButton;
    cmdBack = BackButton;
    cmdNext = NextButton;
    cmdClose = CloseButton;
    EnsureWizardPictures();
    setWindowIcon(QIcon(":/wizard/layout_option1.png"));

    txtWelcome1 = AddText("txtWelcome1", kBodyTop, 40);
    SpeedLayout1 = new QToolButton(this);
    SpeedLayout1->setObjectName("SpeedLayout1");
    SpeedLayout1->setGeometry(kBodyLeft, 110, 135, 125);
    SpeedLayout1->setIcon(QIcon(":/wizard/layout_option1.png"));
    SpeedLayout1->setIconSize(QSize(129, 121));
    // Thin frame so the picture keeps its own size inside the 135 x 125 button.
    SpeedLayout1->setStyleSheet("QToolButton { padding: 0px; border: 1px solid #8aa9c8;"
                                " border-radius: 3px; background: white; }"
                                "QToolButton:pressed { background: #dbe9f6; }");
    SpeedLayout1->setToolTip("Sites side by side in columns");
    lblOption1 = new QLabel("Option 1", this);
    lblOption1->setObjectName("lblOption1");
    lblOption1->setAlignment(Qt::AlignHCenter);
    lblOption1->setGeometry(kBodyLeft, 240, 135, 18);

    OnClick(cmdHelp, [this] { cmdHelpClick(); });
    OnClick(cmdBack, [this] { cmdBackClick(); });
    OnClick(cmdNext, [this] { cmdNextClick(); });
    OnClick(cmdClose, [this] { cmdCloseClick(); });
    ShowErrors([this] { FormCreate(); });
}

void TfrmLayout::FormCreate() {
    LoadBanner();
    SetFrameText(txtWelcome, "Select the Nimbrel layout options");
    SetFrameText(txtWelcome1, "The downloaded web pages can be displayed either horizontally or "
                              "vertically.");
    SetHelpContext(1300);
}

void TfrmLayout::cmdHelpClick() {
    Host().ShowHelpTopic(HelpContext());
}

void TfrmLayout::cmdBackClick() {
    MoveAlong(this, frmSetup);
}

void TfrmLayout::cmdNextClick() {
    MoveAlong(this, frmSkins);
}

void TfrmLayout::cmdCloseClick() {
    hide();
}
