// The main window's side of the download cycle: starting a cycle, watching it, cutting and
// displaying at its end. No fetch thread is started yet, so these have nothing to act on.
#include "app/gui/main.h"

void TfrmMain::DownloadTimerTimer() {}

void TfrmMain::TDLMessageTimer() {}

void TfrmMain::SpeedRefreshClick() {}

void TfrmMain::NavigateBrowser() {}

void TfrmMain::Rip() {}

void TfrmMain::TellFetchThreadToStop() {}

void TfrmMain::DestroyFetchThread() {
    FetchThread = nullptr;
}
