#include "wizard/splash.h"

#include "app/Options.h"
#include "app/gui/Forms.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Halt.h"
#include "wizard/ProductBanner.h"
#include "wizard/WizardFrame.h"
#include "wizard/WizardHost.h"
#include "wizard/welcome.h"

#include <QCloseEvent>
#include <QPushButton>

using namespace nimbrel;

TfrmSplash::TfrmSplash(QWidget* parent) : QWidget(parent) {
    setObjectName("frmSplash");
    setWindowTitle("Nimbrel");
    ApplyBorder(this, PageBorder::FixedWithoutTitleButtons, QSize(kBannerWindowWidth, 140));
    Image1 = CreateProductBanner(this);
    Bevel1 = CreateWindowLine(this, "Bevel1", 80);
    Button1 = CreateContinueButton(this, 92);
    Bevel2 = CreateWindowLine(this, "Bevel2", 131);
    connect(Button1, &QPushButton::clicked, this,
            [this] { ShowErrors([this] { Button1Click(); }); });
    FormCreate();
}

void TfrmSplash::FormCreate() {
    if (!Host().HtmlHelpInstalled()) {
        Dialogs().showMessage("HTML Help is not installed on this PC.");
        Halt(0);
    }
    show();
}

void TfrmSplash::Button1Click() {
    hide();
    // A first run has no option file yet: lead the user through the set-up.
    if (!FileExists(OptionFilePath()))
        ShowPageInFront(frmWizardWelcome);
}

void TfrmSplash::FormClose() {
    Host().EnableTimers();
    hide();
}

void TfrmSplash::closeEvent(QCloseEvent* event) {
    event->ignore();
    ShowErrors([this] { FormClose(); });
}
