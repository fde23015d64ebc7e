// TfrmFinish: the last wizard page. "Finish" starts a download cycle when "Start Downloading"
// is checked; the check box keeps its state for the rest of the run only.
#pragma once

#include "wizard/WizardFrame.h"

class QCheckBox;

class TfrmFinish : public nimbrel::TWizardPage {
    Q_OBJECT
  public:
    explicit TfrmFinish(QWidget* parent = nullptr);

    void FormCreate();
    void cmdHelpClick();
    void Button3Click();
    void Button1Click();

    QTextEdit* txtWelcome1;
    QCheckBox* chkStartDownloading;
    QTextEdit* txtWelcomeG;
    QPushButton* cmdHelp;
    QPushButton* Button3;
    QPushButton* Button1;
};
