// TfrmWizardWelcome: the first wizard page. Its Next lets a running download cycle go and
// opens the selection page with the current selection.
#pragma once

#include "wizard/WizardFrame.h"

class QFrame;

class TfrmWizardWelcome : public nimbrel::TWizardPage {
    Q_OBJECT
  public:
    explicit TfrmWizardWelcome(QWidget* parent = nullptr);

    void FormCreate();
    void Button4Click();
    void Button1Click();
    void cmdCloseClick();

    QTextEdit* txtWelcome1;
    QFrame* Bevel3;
    QTextEdit* txtWelcomeA;
    QTextEdit* txtWelcomeB;
    QTextEdit* txtWelcomeC;
    QTextEdit* txtWelcomeD;
    QTextEdit* txtWelcomeE;
    QTextEdit* txtWelcomeF;
    QTextEdit* txtWelcomeG;
    QPushButton* Button4;
    QPushButton* Button3;
    QPushButton* Button1;
    QPushButton* cmdClose;
};
