// TfrmFinish: created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include <QWidget>

class TfrmFinish : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmFinish(QWidget* parent = nullptr);
};
