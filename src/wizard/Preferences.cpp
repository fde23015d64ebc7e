#include "wizard/Preferences.h"

#include "app/Options.h"
#include "app/gui/Forms.h"
#include "wizard/Finish.h"
#include "wizard/Skins.h"
#include "wizard/WizardHost.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

using namespace nimbrel;

TfrmPreferences::TfrmPreferences(QWidget* parent)
    : TWizardPage("frmPreferences", " Nimbrel Preferences", PageBorder::FixedSystemMenuOnly,
                  {"cmdHelp", "cmdBack", "Button1", "cmdClose"}, parent) {
    cmdHelp = HelpButton;
    cmdBack = BackButton;
    Button1 = NextButton;
    cmdClose = CloseButton;

    txtWelcome1 = AddText("txtWelcome1", kBodyTop, 36);
    GroupBox1 = new QGroupBox("Download Interval (minutes)", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(kBodyLeft, 96, kBodyWidth, 80);
    RadioInt15 = AddIntervalButton(15, 0, 0);
    RadioInt20 = AddIntervalButton(20, 1, 0);
    RadioInt25 = AddIntervalButton(25, 2, 0);
    RadioInt30 = AddIntervalButton(30, 0, 1);
    RadioInt35 = AddIntervalButton(35, 1, 1);
    RadioInt40 = AddIntervalButton(40, 2, 1);

    txtWelcome2 = AddText("txtWelcome2", 190, 52);
    GroupBox4 = new QGroupBox("Display Options", this);
    GroupBox4->setObjectName("GroupBox4");
    GroupBox4->setGeometry(kBodyLeft, 252, kBodyWidth, 80);
    chkAutoView = new QCheckBox("Autoview", GroupBox4);
    chkAutoView->setObjectName("chkAutoView");
    chkAutoView->setGeometry(16, 24, 200, 22);
    chkAutoView->setChecked(true);
    connect(chkAutoView, &QCheckBox::toggled, this, [this] { chkAutoViewClick(); });
    chkNewStories = new QCheckBox("Tell me about new stories", GroupBox4);
    chkNewStories->setObjectName("chkNewStories");
    chkNewStories->setGeometry(16, 48, 300, 22);
    chkNewStories->setChecked(true);
    connect(chkNewStories, &QCheckBox::toggled, this, [this] { chkNewStoriesClick(); });

    OnClick(cmdHelp, [this] { cmdHelpClick(); });
    OnClick(cmdBack, [this] { cmdBackClick(); });
    OnClick(Button1, [this] { Button1Click(); });
    OnClick(cmdClose, [this] { cmdCloseClick(); });
    ShowErrors([this] { FormCreate(); });
}

QRadioButton* TfrmPreferences::AddIntervalButton(int minutes, int column, int row) {
    auto* button = new QRadioButton(QString::number(minutes), GroupBox1);
    button->setObjectName(QString("RadioInt%1").arg(minutes));
    button->setGeometry(24 + column * 110, 22 + row * 26, 80, 22);
    // The window's definition starts on "15"; that is no choice of the user's.
    button->setChecked(minutes == 15);
    // Checking a button from code runs its action like a click does; clicking the button that
    // is already checked makes the interval exactly its minutes too.
    connect(button, &QRadioButton::toggled, this, [this, minutes](bool checked) {
        if (checked)
            ChooseMinutes(minutes);
    });
    connect(button, &QRadioButton::clicked, this, [this, minutes] { ChooseMinutes(minutes); });
    return button;
}

void TfrmPreferences::ChooseMinutes(int minutes) {
    const int32_t seconds = Host().SecondsPerMinute() * minutes;
    if (Host().IntervalSeconds() == seconds)
        return;
    Host().IntervalSeconds() = seconds;
    Host().RearmDownloadTimer();
}

void TfrmPreferences::RadioInt15Click() {
    ChooseMinutes(15);
}
void TfrmPreferences::RadioInt20Click() {
    ChooseMinutes(20);
}
void TfrmPreferences::RadioInt25Click() {
    ChooseMinutes(25);
}
void TfrmPreferences::RadioInt30Click() {
    ChooseMinutes(30);
}
void TfrmPreferences::RadioInt35Click() {
    ChooseMinutes(35);
}
void TfrmPreferences::RadioInt40Click() {
    ChooseMinutes(40);
}

void TfrmPreferences::chkAutoViewClick() {
    Host().AutoView() = chkAutoView->isChecked();
}

void TfrmPreferences::chkNewStoriesClick() {
    Host().NewStoryNotice() = chkNewStories->isChecked();
}

void TfrmPreferences::FormCreate() {
    SetHelpContext(1500);
    try {
        LoadBanner();
    } catch (...) {
        // Without the banner the window must still show the values it will save on leaving,
        // or the user's choices would be overwritten by the defaults.
        ShowCurrentValues();
        throw;
    }
    SetFrameText(txtWelcome, "Select the download interval and display option");
    SetFrameText(txtWelcome1, "The download interval determines how often Nimbrel downloads "
                              "the selected web pages.");
    SetFrameText(txtWelcome2,
                 "With AutoView selected Nimbrel automatically displays the downloaded web "
                 "pages. Alternatively you can manually select \"View\" from the toolbar.");
    ShowCurrentValues();
}

void TfrmPreferences::ShowCurrentValues() {
    switch (ShownIntervalMinutes(Host().IntervalSeconds(), Host().SecondsPerMinute())) {
    case 20:
        RadioInt20->setChecked(true);
        break;
    case 25:
        RadioInt25->setChecked(true);
        break;
    case 30:
        RadioInt30->setChecked(true);
        break;
    case 35:
        RadioInt35->setChecked(true);
        break;
    case 40:
        RadioInt40->setChecked(true);
        break;
    default:
        RadioInt15->setChecked(true);
        break;
    }
    chkAutoView->setChecked(Host().AutoView());
    chkNewStories->setChecked(Host().NewStoryNotice());
}

void TfrmPreferences::SaveOptions() {
    SaveOptionsFile(OptionFilePath(), Host().IntervalSeconds(), chkAutoView->isChecked(),
                    chkNewStories->isChecked());
}

void TfrmPreferences::cmdCloseClick() {
    hide();
    SaveOptions();
}

void TfrmPreferences::CloseSetup() {
    hide();
    SaveOptions();
}

void TfrmPreferences::cmdBackClick() {
    MoveAlong(this, frmSkins, [this] { SaveOptions(); });
}

void TfrmPreferences::Button1Click() {
    MoveAlong(this, frmFinish, [this] { SaveOptions(); });
}

void TfrmPreferences::cmdHelpClick() {
    Host().ShowHelpTopic(HelpContext());
}
