// The main window's side of the download cycle: starting a cycle, watching it while the cut and
// the blocks follow the downloads off this thread, finishing the display at its end, and letting
// threads go.
#include "app/gui/main.h"

#include "app/Options.h"
#include "app/WebDownload.h"
#include "app/gui/MainDownloadHost.h"
#include "pipeline/CutPipeline.h"
#include "pipeline/Rip.h"
#include "platform/Dialogs.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

#include <QStatusBar>
#include <QTime>

#include <algorithm>
#include <exception>
#include <limits>

namespace {

const char* const kComplete = "Complete";
const char* const kBusyRefreshAdvice = "Press Refresh again once it has finished.";

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
    try {
        StartCycle();
    } catch (const nimbrel::FolderBusy& busy) {
        // The other run (the user timer, a script) makes the digest meanwhile; the next tick
        // tries again.
        StatusBar1->showMessage(
            QString::fromStdString(QTime::currentTime().toString("HH:mm").toStdString() +
                                   " download skipped: " + busy.message()));
    }
}

void TfrmMain::SpeedRefreshClick() {
    // A second thread beside the running one would write the same page files and grid rows.
    if (FetchThread)
        return;
    try {
        StartCycle();
    } catch (const nimbrel::FolderBusy& busy) {
        nimbrel::Dialogs().showMessage(busy.message() + "\r\n" + kBusyRefreshAdvice);
    }
}

void TfrmMain::StartCycle() {
    nimbrel::FolderLock lock = nimbrel::FolderLock::Take();
    StatusBar1->clearMessage();
    ReapDroppedThreads();
    nimbrel::MakeWorkingFolders();
    if (!downloadHost_)
        downloadHost_ = new TMainDownloadHost(*this);
    FetchThread = new TWebDownload(*downloadHost_, std::make_shared<nimbrel::CutPipeline>());
    cycleLock_ = std::move(lock);
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
    // The end of a cycle may run message loops (message boxes) in which Setup lets this thread
    // go and a tick starts another: it is finished and collected as the thread it was.
    TWebDownload* const watched = FetchThread;
    endingThread_ = watched;
    try {
        if (watched)
            WatchCycle(watched);
        else
            FinishDroppedCycle();
    } catch (const nimbrel::HaltRequested&) {
        throw;
    } catch (const std::exception& error) {
        // Shown once: the cycle is closed first, so no later tick runs the failing end again.
        EndCycle(watched);
        nimbrel::Dialogs().showError(error.what());
    }
    endingThread_ = nullptr;
}

void TfrmMain::WatchCycle(TWebDownload* thread) {
    if (AnimationState == "Static")
        StartAnimation();
    // Finished first: once it holds, CurrentURL has its last value. Read the other way round, a
    // thread completing between the two reads would look like one that failed.
    const bool finished = thread->Finished();
    const std::string url = thread->CurrentURL();
    if (url != kComplete) {
        if (finished)
            return EndFailedCycle(thread);
        setWindowTitle(QString::fromStdString(ProductCaption + " --> Downloading " + url));
        return;
    }
    setWindowTitle(QString::fromStdString(ProductCaption + " --> Downloading " + kComplete));
    // The cut and the blocks run off this thread; the window looks again at the next tick.
    nimbrel::CutPipeline& steps = *thread->Pipeline();
    if (!steps.ready())
        return;
    steps.finishCut();
    setWindowTitle(QString::fromStdString(ProductCaption));
    newStories_.clear();
    NavigateBrowser(steps.early());
    AnnounceNewStories();
    EndCycle(thread);
}

void TfrmMain::EndFailedCycle(TWebDownload* thread) {
    // The thread ended before "Complete" (a page file it could not write): nothing new to cut.
    const std::string failure = thread->FailureMessage();
    EndCycle(thread);
    if (!failure.empty())
        nimbrel::Dialogs().showError(failure);
}

void TfrmMain::EndCycle(TWebDownload* thread) {
    // Another cycle began while this one ended: the poller and the animation are its now.
    if (FetchThread && FetchThread != thread)
        return;
    setWindowTitle(QString::fromStdString(ProductCaption));
    if (AnimationState == "Dynamic")
        StopAnimation();
    TDLMessage->stop();
    // It has finished its work; this only collects it. One that was let go meanwhile is
    // collected with the other dropped threads.
    if (FetchThread == thread) {
        delete thread;
        FetchThread = nullptr;
    }
    cycleLock_.reset(); // a dropped thread still running keeps its own hold until it ends
}

void TfrmMain::FinishDroppedCycle() {
    if (AnimationState == "Dynamic") {
        AnimationState = "Static";
        LoadStatusPicture("/nimbrel.bmp");
    }
    TDLMessage->stop(); // before the cut, so an error in it cannot bring the cut back
    Rip();
    setWindowTitle(QString::fromStdString(ProductCaption));
    cycleLock_.reset();
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

void TfrmMain::Rip(nimbrel::RipProgress* progress) {
    nimbrel::Rip(progress);
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
    std::erase_if(droppedThreads_, [this](const auto& thread) {
        return thread->Finished() && thread.get() != endingThread_;
    });
}

void TfrmMain::DestroyFetchThread() {
    // A thread waiting for the window thread is released first, or waiting for it would hang.
    if (downloadHost_)
        downloadHost_->Close();
    delete FetchThread;
    FetchThread = nullptr;
    droppedThreads_.clear();
}
