// TfrmSkins: created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include <QWidget>

class TfrmSkins : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmSkins(QWidget* parent = nullptr);
};
