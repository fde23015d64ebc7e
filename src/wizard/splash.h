// TfrmSplash: created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include <QWidget>

class TfrmSplash : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmSplash(QWidget* parent = nullptr);
};
