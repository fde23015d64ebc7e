// The main window as the fetch thread's host: the thread's routines run on the window thread,
// woken through the event loop, and its grid changes land in StringGrid1. Close() at exit
// releases a thread that waits for the window, so waiting for that thread cannot deadlock.
#pragma once

#include "app/Synchronizer.h"
#include "app/WebDownload.h"

#include <QObject>

class QTableWidgetItem;
class TfrmMain;

class TMainDownloadHost : public QObject, public TWebDownloadHost {
    Q_OBJECT
  public:
    explicit TMainDownloadHost(TfrmMain& form);

    void Synchronize(const std::function<void()>& fn) override;
    void SetUpStatusGrid() override;
    void SetStatusRowCount(int rows) override;
    void SetStatusCell(int column, int row, const std::string& text) override;
    void SetStatusTip(int row, const std::string& text) override;

    // The window is closing: no routine runs from now on, waiting threads are released.
    void Close();

  private:
    QTableWidgetItem* Cell(int column, int row);

    TfrmMain& form_;
    nimbrel::Synchronizer queue_;
};
