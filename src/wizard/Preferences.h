// TfrmPreferences: the download interval, automatic display and the notice of new stories.
// Changes reach the main window's values at once; every way of leaving the window writes the
// option file.
#pragma once

#include "wizard/WizardFrame.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;

class TfrmPreferences : public nimbrel::TWizardPage {
    Q_OBJECT
  public:
    explicit TfrmPreferences(QWidget* parent = nullptr);

    // Writes the option file from IntervalSeconds, chkAutoView and chkNewStories; raises
    // EInOutError.
    void SaveOptions();

    void FormCreate();
    void RadioInt15Click();
    void RadioInt20Click();
    void RadioInt25Click();
    void RadioInt30Click();
    void RadioInt35Click();
    void RadioInt40Click();
    void chkAutoViewClick();
    void chkNewStoriesClick();
    void cmdCloseClick();
    void CloseSetup();
    void cmdBackClick();
    void Button1Click();
    void cmdHelpClick();

    QTextEdit* txtWelcome1;
    QGroupBox* GroupBox1;
    QRadioButton* RadioInt15;
    QRadioButton* RadioInt20;
    QRadioButton* RadioInt25;
    QRadioButton* RadioInt30;
    QRadioButton* RadioInt35;
    QRadioButton* RadioInt40;
    QTextEdit* txtWelcome2;
    QGroupBox* GroupBox4;
    QCheckBox* chkAutoView;
    QCheckBox* chkNewStories;
    QPushButton* cmdHelp;
    QPushButton* cmdBack;
    QPushButton* Button1;
    QPushButton* cmdClose;

  protected:
    void TitleBarClose() override { CloseSetup(); }

  private:
    QRadioButton* AddIntervalButton(int minutes, int column, int row);
    void ChooseMinutes(int minutes);
    void ShowCurrentValues();
};
