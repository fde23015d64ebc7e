// TfrmPreferences: created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include <QWidget>

class TfrmPreferences : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmPreferences(QWidget* parent = nullptr);
};
