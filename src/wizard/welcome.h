// TfrmWizardWelcome: created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include <QWidget>

class TfrmWizardWelcome : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmWizardWelcome(QWidget* parent = nullptr);
};
