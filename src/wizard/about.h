// TfrmAbout: created once at start, hidden; only shown and hidden afterwards.
#pragma once

#include <QWidget>

class TfrmAbout : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};
