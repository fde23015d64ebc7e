// TfrmSkins: the wizard's skins page. The program has one appearance, "Default"; choosing it
// changes nothing and is not stored.
#pragma once

#include "wizard/WizardFrame.h"

class QListWidget;

class TfrmSkins : public nimbrel::TWizardPage {
    Q_OBJECT
  public:
    explicit TfrmSkins(QWidget* parent = nullptr);

    void FormCreate();
    void cmdHelpClick();
    void cmdBackClick();
    void cmdNextClick();
    void cmdCloseClick();

    QTextEdit* txtWelcome1;
    QTextEdit* txtWelcome2;
    QListWidget* ListBox1;
    QPushButton* cmdHelp;
    QPushButton* cmdBack;
    QPushButton* cmdNext;
    QPushButton* cmdClose;
};
