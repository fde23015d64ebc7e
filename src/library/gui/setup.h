// TfrmSetup: created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include <QWidget>

class TfrmSetup : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmSetup(QWidget* parent = nullptr);
};
