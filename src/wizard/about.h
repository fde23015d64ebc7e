// TfrmAbout: the product banner, the product's name and version, rights and credits.
#pragma once

#include <QWidget>

#include <array>

class QFrame;
class QLabel;
class QPushButton;

class TfrmAbout : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    // Ends the program when the help library is missing; otherwise fills the text lines.
    void FormCreate();
    void Button1Click();

    QLabel* Image1;
    QFrame* Bevel1;
    QFrame* Bevel2;
    QFrame* Bevel3;
    QLabel* lblHeading;
    std::array<QLabel*, 5> lblLines;
    QPushButton* Button1;

  protected:
    void closeEvent(QCloseEvent* event) override;
};
