// TfrmMain: the main window with its toolbar, menus, tray icon and status grid.
#pragma once

#include <QMainWindow>

class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit TfrmMain(QWidget* parent = nullptr);
};
