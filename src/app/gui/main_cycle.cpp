// The main window's side of the download cycle: starting a cycle, watching it, cutting and
// displaying at its end, and letting threads go.
#include "app/gui/main.h"

#include "app/Options.h"
#include "app/WebDownload.h"
#include "app/gui/MainDownloadHost.h"
#include "pipeline/Rip.h"
#include "platform/Dialogs.h"

#include <algorithm>
#include <exception>
#include <limits>

namespace {

const char* const kComplete = "Complete";

// Whatever branch the poller takes, it is free again when it leaves.
struct PollerBusy {
    explicit PollerBusy(bool& free) : free_(free) { free_ = false; }
    ~PollerBusy() { free_ = true; }
    bool& free_;
};

} // namespace

void TfrmMain::DownloadTimerTimer() {
    if (FetchThread)
        return; // a cycle is under way
    StartCycle();
}

void TfrmMain::SpeedRefreshClick() {
    // A second thread beside the running one would write the same page files and grid rows.
    if (FetchThread)
        return;
    StartCycle();
}

void TfrmMain::StartCycle() {
    ReapDroppedThreads();
    if (!downloadHost_)
        downloadHost_ = new TMainDownloadHost(*this);
    FetchThread = new TWebDownload(*downloadHost_);
    TDLMessage->setInterval(50);
    TDLMessage->start();
}

void TfrmMain::ApplyDownloadInterval() {
    DownloadTimer->setInterval(nimbrel::DownloadPeriodSeconds(IntervalSeconds, SecondsPerMinute) *
                               1000);
}

void TfrmMain::TDLMessageTimer() {
    if (!PollerFree)
        return;
    PollerBusy busy(PollerFree);
    try {
        if (FetchThread)
            WatchCycle();
        else
            FinishDroppedCycle();
    } catch (const std::exception& error) {
        // Shown once: the cycle is closed first, so no later tick runs the failing end again.
        EndCycle();
        nimbrel::Dialogs().showError(error.what());
    }
}

void TfrmMain::WatchCycle() {
    if (AnimationState == "Static")
        StartAnimation();
    const std::string url = FetchThread->CurrentURL();
    if (url != kComplete) {
        if (FetchThread->Finished())
            return EndFailedCycle();
        setWindowTitle(QString::fromStdString(ProductCaption + " --> Downloading " + url));
        return;
    }
    setWindowTitle(QString::fromStdString(ProductCaption + " --> Downloading " + kComplete));
    Rip();
    setWindowTitle(QString::fromStdString(ProductCaption));
    NavigateBrowser();
    EndCycle();
}

void TfrmMain::EndFailedCycle() {
    // The thread ended before "Complete" (a page file it could not write): nothing new to cut.
    const std::string failure = FetchThread->FailureMessage();
    EndCycle();
    if (!failure.empty())
        nimbrel::Dialogs().showError(failure);
}

void TfrmMain::EndCycle() {
    setWindowTitle(QString::fromStdString(ProductCaption));
    if (AnimationState == "Dynamic")
        StopAnimation();
    TDLMessage->stop();
    delete FetchThread; // it has finished its work; this only collects it
    FetchThread = nullptr;
}

void TfrmMain::FinishDroppedCycle() {
    if (AnimationState == "Dynamic") {
        AnimationState = "Static";
        LoadStatusPicture("/nimbrel.bmp");
    }
    TDLMessage->stop(); // before the cut, so an error in it cannot bring the cut back
    Rip();
    setWindowTitle(QString::fromStdString(ProductCaption));
}

void TfrmMain::StartAnimation() {
    AnimationState = "Dynamic";
    LoadStatusPicture("\\nimbrel.gif");
    if (TrayIcon1) {
        TrayIcon1->setIconList(&ImageList1);
        TrayIcon1->setCycleIcons(true);
        TrayIcon1->Refresh();
    }
}

void TfrmMain::StopAnimation() {
    AnimationState = "Static";
    LoadStatusPicture("/nimbrel.bmp");
    if (TrayIcon1) {
        TrayIcon1->setIconList(nullptr);
        TrayIcon1->setIconList(&ImageList2);
        TrayIcon1->setCycleIcons(false);
        TrayIcon1->Refresh();
    }
}

void TfrmMain::Rip() {
    nimbrel::Rip();
}

void TfrmMain::TellFetchThreadToStop() {
    if (FetchThread)
        FetchThread->Terminate();
}

void TfrmMain::DropFetchThread() {
    if (!FetchThread)
        return;
    FetchThread->Drop();
    droppedThreads_.emplace_back(FetchThread);
    FetchThread = nullptr;
}

void TfrmMain::ReapDroppedThreads() {
    std::erase_if(droppedThreads_, [](const auto& thread) { return thread->Finished(); });
}

void TfrmMain::DestroyFetchThread() {
    // A thread waiting for the window thread is released first, or waiting for it would hang.
    if (downloadHost_)
        downloadHost_->Close();
    delete FetchThread;
    FetchThread = nullptr;
    droppedThreads_.clear();
}
