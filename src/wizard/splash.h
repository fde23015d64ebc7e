// TfrmSplash: greets the user at start-up and opens the setup wizard on a first run.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

class TfrmSplash : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmSplash(QWidget* parent = nullptr);

    // Ends the program when the help library is missing; otherwise shows the window.
    void FormCreate();
    void Button1Click();
    // The system's close command: the main window's timers start and the window hides.
    void FormClose();

    QLabel* Image1;
    QFrame* Bevel1;
    QFrame* Bevel2;
    QPushButton* Button1;

  protected:
    void closeEvent(QCloseEvent* event) override;
};
