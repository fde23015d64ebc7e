// TfrmLayout: created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include <QWidget>

class TfrmLayout : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmLayout(QWidget* parent = nullptr);
};
