// TfrmLayout: the wizard's layout page. It shows the one layout the digest page has (sites side
// by side in columns); choosing it changes nothing and the page stores nothing.
#pragma once

#include "wizard/WizardFrame.h"

class QLabel;
class QToolButton;

class TfrmLayout : public nimbrel::TWizardPage {
    Q_OBJECT
  public:
    explicit TfrmLayout(QWidget* parent = nullptr);

    void FormCreate();
    void cmdHelpClick();
    void cmdBackClick();
    void cmdNextClick();
    void cmdCloseClick();

    QTextEdit* txtWelcome1;
    QToolButton* SpeedLayout1;
    QLabel* lblOption1;
    QPushButton* cmdHelp;
    QPushButton* cmdBack;
    QPushButton* cmdNext;
    QPushButton* cmdClose;
};
