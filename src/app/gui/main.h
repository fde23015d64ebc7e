// TfrmMain: the main window with its toolbar, menus, tray icon and status grid. Its close box
// and minimise button only send it to the notification area; a confirmed Exit ends the program.
#pragma once

#include "app/gui/AppHelp.h"
#include "app/gui/CoolTrayIcon.h"
#include "components/MSXML2_TLB.h"
#include "platform/FolderLock.h"

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {
struct DisplayReport;
class EarlyDisplay;
class RipProgress;
} // namespace nimbrel

class QGroupBox;
class QLabel;
class QMenu;
class QStatusBar;
class QTableWidget;
class QToolButton;
class TMainDownloadHost;
class TWebDownload;

class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    // What OnClose decides: stay open, or destroy the window (which ends the program).
    enum class TCloseAction { caNone, caFree };

    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Option values.
    int32_t IntervalSeconds = 900;
    int32_t SecondsPerMinute = 60;
    bool AutoView = true;
    bool NewStoryNotice = true; // a desktop notice after a cycle that brought new stories

    // Program-wide state.
    std::string ProductCaption = "Nimbrel";
    std::string AnimationState = "Static"; // "Dynamic" while a download cycle is shown
    TWebDownload* FetchThread = nullptr;
    bool ExitConfirmed = false;
    bool PollerFree = true;

    // Controls.
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Image1 = nullptr;
    QTableWidget* StringGrid1 = nullptr; // row 0 holds the headings "Site" and "Status"
    QToolButton* speedSetup = nullptr;
    QToolButton* speedPref = nullptr;
    QToolButton* speedStop = nullptr;
    QToolButton* SpeedRefresh = nullptr;
    QToolButton* SpeedView = nullptr;
    QToolButton* speedHelp = nullptr;
    QToolButton* SpeedExit = nullptr;
    QStatusBar* StatusBar1 = nullptr; // says when a download was skipped, and why
    QTimer* DownloadTimer = nullptr;
    QTimer* TDLMessage = nullptr;
    TCoolTrayIcon* TrayIcon1 = nullptr; // none after a confirmed Exit removed it
    TImageList ImageList1;              // the 12 animation frames of the tray icon
    TImageList ImageList2;              // the resting tray icon
    QMenu* PopupMenu1 = nullptr;
    // The XML engine probe's document, owned by the window once the probe succeeded.
    std::optional<nimbrel::msxml::XmlDocument> ProbeDocument;

    // Reads the option file into IntervalSeconds and AutoView; errors are not caught here.
    void LoadOptions();
    // The display step on the selection file setup.xml of the program folder; `early` is the
    // step as begun while the cut ran, when it was.
    void NavigateBrowser(nimbrel::EarlyDisplay* early = nullptr);
    // The cutting driver on every downloaded page; `progress` is told of every site.
    void Rip(nimbrel::RipProgress* progress = nullptr);
    // The application-wide help handler: F1 in any window arrives here with its context.
    bool HelpHook(uint16_t Command, int32_t Data, bool& CallHelp);

    // Image1 shows a picture file of the program folder: an animated picture (".gif") plays by
    // itself, anything else is shown still. A missing or unreadable picture leaves it empty.
    void LoadStatusPicture(const std::string& relativeName);
    // DownloadTimer's period follows the interval the preferences window shows (never under
    // five minutes): called once the option file has been read and whenever the preferences
    // change the interval.
    void ApplyDownloadInterval();
    // Setup and the wizard's Next: tells the running fetch thread to stop and lets it go without
    // waiting; it abandons its pages at once and is collected later.
    void DropFetchThread();
    // The status grid afresh: 2 columns, the heading row and one empty row, the given widths.
    void ResetStatusGrid(int firstColumnWidth, int secondColumnWidth);

    // The probe of the XML engine that ends window creation; replaceable so tests can see
    // whether creation got that far.
    static std::function<void(TfrmMain&)> XmlEngineProbe;

  public slots:
    void speedSetupClick();
    void speedPrefClick();
    void speedStopClick();
    void SpeedRefreshClick();
    void SpeedViewClick();
    void speedHelpClick();
    void SpeedExitClick();
    void Open1Click();
    void Wizard1Click();
    void About1Click();
    void WebPageRequest1Click();
    void Developers1Click();
    void Suggestions1Click();
    void DownloadTimerTimer();
    void TDLMessageTimer();
    void TrayIcon1DblClick();
    void TrayIcon1MessageClick();

  protected:
    void FormCreate();
    void FormDestroy();
    void OnClose(QObject* Sender, TCloseAction& Action);
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void CreateToolbar();
    void CreateMenus();
    void CreateTrayMenu();
    void LoadPictures();
    void TellFetchThreadToStop();
    void DestroyFetchThread();
    // Takes the folder lock for the cycle and starts it; raises nimbrel::FolderBusy while
    // another run holds the folder, starting nothing.
    void StartCycle();
    void WatchCycle(TWebDownload* thread);
    void EndFailedCycle(TWebDownload* thread);
    void EndCycle(TWebDownload* thread);
    void FinishDroppedCycle();
    void StartAnimation();
    void StopAnimation();
    void ReapDroppedThreads();
    void ShowDigestState(const nimbrel::DisplayReport& report);
    void AnnounceNewStories();

    THelpEvent previousHelpHandler_;
    TMainDownloadHost* downloadHost_ = nullptr;                 // child; made with the first cycle
    std::vector<std::unique_ptr<TWebDownload>> droppedThreads_; // let go by Setup, joined at exit
    TWebDownload* endingThread_ = nullptr; // the thread whose cycle the poller is ending
    std::string newStories_; // the notice of the digest last made, told at the end of a cycle
    // Held from a cycle's start to its end (the fetch thread holds its own while it runs).
    std::optional<nimbrel::FolderLock> cycleLock_;
};
