#include "app/gui/main.h"

#include "app/ComponentChecks.h"
#include "app/Options.h"
#include "app/WebDownload.h"
#include "app/gui/Forms.h"
#include "app/gui/NimbrelApplication.h"
#include "app/hh_funcs.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QTableWidget>
#include <chrono>
#include <thread>

namespace {

constexpr int kMainHelpContext = 1000;

void Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Closing must always complete: each step's failure is ignored on its own.
template <typename Step> void Guarded(Step step) {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

std::function<void(TfrmMain&)> TfrmMain::XmlEngineProbe = [](TfrmMain& form) {
    form.ProbeDocument.emplace(nimbrel::RunXmlEngineProbe());
};

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    CreateControls();
    // An error in creation is shown like any other and skips the rest of creation; the window
    // still comes up. Ending the program (Halt) is not an error and passes through.
    try {
        FormCreate();
    } catch (const nimbrel::HaltRequested&) {
        throw;
    } catch (const std::exception& error) {
        ShowApplicationError(error);
    }
    show();
}

TfrmMain::~TfrmMain() {
    // No fetch thread may outlive the window whose grid and host it uses.
    Guarded([this] { DestroyFetchThread(); });
    FormDestroy();
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::FormCreate() {
    PollerFree = true;
    ExitConfirmed = false;
    nimbrel::TakeProgramFolder();
    LoadPictures();

    TrayIcon1->setIconList(&ImageList2);
    TrayIcon1->setCycleIcons(false);
    TrayIcon1->setMinimizeToTray(true);
    TrayIcon1->Refresh();

    ProductCaption = "Nimbrel";
    AnimationState = "Static";
    LoadStatusPicture("/nimbrel.bmp");

    TDLMessage->setInterval(50);
    TDLMessage->stop();
    DownloadTimer->setInterval(900000);
    DownloadTimer->start();

    SecondsPerMinute = 60;
    IntervalSeconds = 15 * SecondsPerMinute;

    previousHelpHandler_ = ApplicationOnHelp();
    // Guarded, so that a handler outliving a window that failed half-way does nothing.
    SetApplicationOnHelp(
        [self = QPointer<TfrmMain>(this)](uint16_t command, int32_t data, bool& callHelp) {
            return self ? self->HelpHook(command, data, callHelp) : true;
        });
    InstallHelpKey();

    nimbrel::LoadHtmlHelp();
    if (!nimbrel::HtmlHelpLoaded()) {
        nimbrel::Dialogs().showMessage("HTML Help is not installed on this PC.");
        nimbrel::Halt(1);
    }
    SetHelpContext(this, kMainHelpContext);

    ResetStatusGrid(190, StringGrid1->width() - 200);
    LoadOptions();
    if (XmlEngineProbe)
        XmlEngineProbe(*this);
}

void TfrmMain::FormDestroy() {
    Sleep(200);
    Guarded([this] { SetApplicationOnHelp(previousHelpHandler_); });
    Guarded([] { nimbrel::CloseAllHelp(); });
    Guarded([] { nimbrel::UnloadHtmlHelp(); });
}

void TfrmMain::LoadOptions() {
    nimbrel::LoadOptionsFile(nimbrel::OptionFilePath(), IntervalSeconds, AutoView, NewStoryNotice);
    ApplyDownloadInterval();
}

bool TfrmMain::HelpHook(uint16_t Command, int32_t Data, bool& CallHelp) {
    if (Command == HELP_CONTEXT || Command == HELP_CONTEXTPOPUP) {
        nimbrel::HtmlHelp(nullptr, nimbrel::HelpFile(), nimbrel::HH_HELP_CONTEXT,
                          static_cast<uintptr_t>(Data));
        CallHelp = false;
    }
    return true;
}

void TfrmMain::OnClose(QObject*, TCloseAction& Action) {
    if (!ExitConfirmed) {
        Action = TCloseAction::caNone;
        if (TrayIcon1) {
            TrayIcon1->HideMainForm();
            TrayIcon1->setIconVisible(true);
        }
        return;
    }
    Guarded([this] {
        DownloadTimer->stop();
        TDLMessage->stop();
    });
    Guarded([this] { DestroyFetchThread(); });
    Guarded([this] {
        delete TrayIcon1;
        TrayIcon1 = nullptr;
    });
    Sleep(250);
    Action = TCloseAction::caFree;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    TCloseAction action = TCloseAction::caFree;
    OnClose(this, action);
    if (action == TCloseAction::caFree) {
        setAttribute(Qt::WA_DeleteOnClose);
        event->accept();
    } else {
        event->ignore();
    }
}

void TfrmMain::LoadStatusPicture(const std::string& relativeName) {
    const QString path = QString::fromStdString(nimbrel::ProgramFile(relativeName));
    if (QMovie* old = Image1->movie()) {
        Image1->setMovie(nullptr);
        delete old;
    }
    if (path.endsWith(".gif", Qt::CaseInsensitive)) {
        auto* movie = new QMovie(path, QByteArray(), Image1);
        if (movie->isValid()) {
            Image1->setMovie(movie);
            movie->start();
            return;
        }
        delete movie;
    }
    Image1->setPixmap(QPixmap(path));
}

void TfrmMain::ResetStatusGrid(int firstColumnWidth, int secondColumnWidth) {
    StringGrid1->clearContents();
    StringGrid1->setColumnCount(2);
    StringGrid1->setRowCount(2);
    const QStringList headings{"Site", "Status"};
    for (int column = 0; column < 2; ++column) {
        auto* heading = new QTableWidgetItem(headings[column]);
        heading->setFlags(Qt::ItemIsEnabled);
        heading->setBackground(palette().button());
        heading->setForeground(palette().buttonText());
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        StringGrid1->setItem(0, column, heading);
    }
    StringGrid1->setColumnWidth(0, firstColumnWidth);
    StringGrid1->setColumnWidth(1, secondColumnWidth);
}
