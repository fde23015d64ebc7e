// The main window's download cycle, offscreen, against a loopback server.
#include "app/WebDownload.h"
#include "app/gui/CoolTrayIcon.h"
#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "components/HttpFetch.h"
#include "pipeline/PageName.h"
#include "support/HelpCallLog.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

using namespace nimbrel;
using namespace nimbrel::test;
using namespace std::chrono_literals;

namespace {

// Runs the event loop until the condition holds; false when 20 s pass first.
bool PumpUntil(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::vector<std::string> GridColumn(int column) {
    std::vector<std::string> cells;
    for (int row = 0; row < frmMain->StringGrid1->rowCount(); ++row) {
        const auto* item = frmMain->StringGrid1->item(row, column);
        cells.push_back(item ? item->text().toStdString() : "");
    }
    return cells;
}

class MainCycle : public ::testing::Test {
  protected:
    MainCycle() {
        TCoolTrayIcon::SetTrayAvailableOverride(true);
        SetDefaultHttpTimeouts({2, 2, 20});
        folder.write("Rip/rule.xml", kBoldRule);
        for (const char* picture : {"nimbrel.gif", "nimbrel.bmp"})
            folder.write(picture, ReadBytes(std::string(NIMBREL_SOURCE_DIR) + "/data/" + picture));
        CreateForms();
        // What the other windows say about pictures and files this folder lacks is not ours.
        dialogs.messages.clear();
        dialogs.errors.clear();
    }
    ~MainCycle() override {
        DestroyForms();
        SetDefaultHttpTimeouts({});
        TCoolTrayIcon::SetTrayAvailableOverride(std::nullopt);
    }

    std::string Bare(const std::string& path) const { return server.hostPort() + path; }
    void Select(const std::vector<std::pair<std::string, std::string>>& sites) {
        std::string xml = "<setup>";
        for (const auto& [name, url] : sites)
            xml += "<site Name=\"" + name + "\" URL=\"" + url +
                   "\" Type=\"html\" StyleSheet=\"s.xsl\" RipFile=\"rule.xml\"/>";
        folder.write("setup.xml", xml + "</setup>");
    }
    bool CycleEnds() {
        return PumpUntil([] { return !frmMain->FetchThread && !frmMain->TDLMessage->isActive(); });
    }
    std::string Caption() const { return frmMain->windowTitle().toStdString(); }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    HelpCallLog help;
    RecordingShell shell;
    HttpTestServer server;
};

TEST_F(MainCycle, TickStartsACycleThatFillsTheGridAnimatesAndEndsIdle) {
    server.route("/a", HttpRoute::Body(BoldPage("first")).slow(100ms, 40));
    server.route("/b", HttpRoute::Body(BoldPage("second")));
    Select({{"Alpha", Bare("/a")}, {"Beta", Bare("/b")}});

    frmMain->DownloadTimerTimer();
    TWebDownload* thread = frmMain->FetchThread;
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(frmMain->TDLMessage->isActive());
    EXPECT_EQ(frmMain->TDLMessage->interval(), 50);
    frmMain->DownloadTimerTimer(); // a tick during the cycle starts nothing
    EXPECT_EQ(frmMain->FetchThread, thread);

    // While the first site comes: the URL as written, without the scheme the thread adds.
    ASSERT_TRUE(PumpUntil([&] { return Caption() == "Nimbrel --> Downloading " + Bare("/a"); }));
    EXPECT_EQ(frmMain->AnimationState, "Dynamic");
    EXPECT_NE(frmMain->Image1->movie(), nullptr);
    EXPECT_EQ(frmMain->TrayIcon1->IconList(), &frmMain->ImageList1);
    EXPECT_TRUE(frmMain->TrayIcon1->CycleIcons());
    EXPECT_EQ(GridColumn(1), (std::vector<std::string>{"Status", "Downloading", "Waiting"}));

    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(0), (std::vector<std::string>{"Site", "Alpha", "Beta"}));
    EXPECT_EQ(GridColumn(1), (std::vector<std::string>{"Status", "Complete", "Complete"}));
    EXPECT_EQ(frmMain->StringGrid1->columnWidth(0), 200);
    EXPECT_EQ(frmMain->StringGrid1->columnWidth(1), frmMain->StringGrid1->width() - 201);
    EXPECT_EQ(Caption(), "Nimbrel");
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_EQ(frmMain->Image1->movie(), nullptr);
    EXPECT_EQ(frmMain->TrayIcon1->IconList(), &frmMain->ImageList2);
    EXPECT_FALSE(frmMain->TrayIcon1->CycleIcons());
    EXPECT_TRUE(frmMain->PollerFree);
    // The cut ran at the end of the cycle.
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/b"))).find("<b>second</b>"),
              std::string::npos);
    EXPECT_TRUE(dialogs.errors.empty());

    // The next tick starts a new cycle from the current selection.
    Select({{"Gamma", Bare("/b")}});
    frmMain->DownloadTimerTimer();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(0), (std::vector<std::string>{"Site", "Gamma"}));
}

TEST_F(MainCycle, RefreshDuringACycleIsIgnored) {
    server.route("/a", HttpRoute::Body(BoldPage("a")).slow(50ms, 40));
    Select({{"Alpha", Bare("/a")}});
    frmMain->SpeedRefreshClick();
    TWebDownload* thread = frmMain->FetchThread;
    ASSERT_NE(thread, nullptr);
    frmMain->SpeedRefreshClick();
    EXPECT_EQ(frmMain->FetchThread, thread);
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(MainCycle, StopDuringTheSecondOfThreeStillCutsWhatCame) {
    server.route("/1", HttpRoute::Body(BoldPage("one")));
    server.route("/2", HttpRoute::Body(BoldPage("two")).slow(50ms, 40));
    server.route("/3", HttpRoute::Body(BoldPage("three")));
    Select({{"One", Bare("/1")}, {"Two", Bare("/2")}, {"Three", Bare("/3")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(PumpUntil([&] { return Caption() == "Nimbrel --> Downloading " + Bare("/2"); }));
    frmMain->speedStopClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(1),
              (std::vector<std::string>{"Status", "Complete", "Complete", "Waiting"}));
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/2"))).find("<b>two</b>"),
              std::string::npos);
    EXPECT_EQ(server.requestedTargets(), (std::vector<std::string>{"/1", "/2"}));
}

TEST_F(MainCycle, SetupDuringACycleLetsTheThreadGoAndCutsWithoutDisplay) {
    server.route("/slow", HttpRoute::Body(BoldPage("slow")).slow(100ms, 40));
    Select({{"Slow", Bare("/slow")}, {"Later", Bare("/later")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(PumpUntil([&] { return frmMain->AnimationState == "Dynamic"; }));
    frmMain->speedSetupClick();
    EXPECT_EQ(frmMain->FetchThread, nullptr);
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_EQ(frmMain->Image1->movie(), nullptr);
    EXPECT_TRUE(frmMain->TrayIcon1->CycleIcons()); // the tray is left as it was
    EXPECT_EQ(Caption(), "Nimbrel");
    // The dropped thread finishes its page unwatched and fetches nothing more.
    ASSERT_TRUE(PumpUntil([&] { return folder.exists("Sites/" + PageFileName(Bare("/slow"))); }));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(server.requestedTargets(), (std::vector<std::string>{"/slow"}));
}

TEST_F(MainCycle, PageFileThatCannotBeWrittenIsShownOnceAndEndsTheCycle) {
    server.route("/a", HttpRoute::Body(BoldPage("a")));
    Select({{"Alpha", Bare("/a")}, {"Beta", Bare("/a")}});
    std::filesystem::remove_all(folder.file("Sites"));
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(dialogs.errors, (std::vector<std::string>{"File not found"}));
    EXPECT_EQ(GridColumn(1),
              (std::vector<std::string>{"Status", "Failed: File not found", "Waiting"}));
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_EQ(Caption(), "Nimbrel");
}

TEST_F(MainCycle, ErrorInTheCutIsShownOnceAndTheCycleStillEnds) {
    server.route("/a", HttpRoute::Body(BoldPage("a")));
    Select({{"Alpha", Bare("/a")}});
    std::filesystem::remove_all(folder.file("Work")); // the cut file cannot be written
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    // Later ticks would run the failing end again: there are none, the poller is off.
    const auto until = std::chrono::steady_clock::now() + 300ms;
    PumpUntil([&] { return std::chrono::steady_clock::now() > until; });
    EXPECT_FALSE(frmMain->TDLMessage->isActive());
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(frmMain->PollerFree);
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_FALSE(frmMain->TrayIcon1->CycleIcons());
    EXPECT_EQ(Caption(), "Nimbrel");
    // The next cycle starts as usual.
    std::filesystem::create_directory(folder.file("Work"));
    frmMain->DownloadTimerTimer();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(dialogs.errors.size(), 1u) << dialogs.errors.back();
    EXPECT_TRUE(folder.exists("Work/" + PageFileName(Bare("/a"))));
}

TEST_F(MainCycle, MissingSelectionShowsTheMessageAndEndsTheProgram) {
    HaltRecorder halt;
    frmMain->DownloadTimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return halt.count > 0; }));
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{"Setup.xml not found, the program will exit now. Please "
                                        "run the setup wizard before downloading"}));
    EXPECT_EQ(server.requests().size(), 0u);
}

TEST_F(MainCycle, ExitWhileDownloadingWaitsForThePageInProgress) {
    server.route("/slow", HttpRoute::Body(std::string(400, 'x')).slow(50ms, 20));
    Select({{"Slow", Bare("/slow")}, {"Never", Bare("/never")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(PumpUntil([&] { return Caption() == "Nimbrel --> Downloading " + Bare("/slow"); }));
    dialogs.setNextAnswer(true);
    frmMain->SpeedExitClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmMain, nullptr);
    // Closing waited for the thread: the page is whole and nothing else was fetched.
    EXPECT_EQ(folder.read("Sites/" + PageFileName(Bare("/slow"))), std::string(400, 'x'));
    EXPECT_EQ(server.requestedTargets(), (std::vector<std::string>{"/slow"}));
    UseRecordingHelpModule();
}

TEST_F(MainCycle, DownloadTimerFollowsTheInterval) {
    EXPECT_EQ(frmMain->DownloadTimer->interval(), 900000);
    folder.write("options.nmo", "Interval:1200\r\nAutoView:True\r\n");
    frmMain->LoadOptions();
    EXPECT_EQ(frmMain->DownloadTimer->interval(), 1200000);
    EXPECT_TRUE(frmMain->DownloadTimer->isActive());
    frmMain->IntervalSeconds = 40 * 60;
    frmMain->ApplyDownloadInterval();
    EXPECT_EQ(frmMain->DownloadTimer->interval(), 2400000);
    frmMain->IntervalSeconds = -5; // nonsense: the 15 minutes the preferences show
    frmMain->ApplyDownloadInterval();
    EXPECT_EQ(frmMain->DownloadTimer->interval(), 900000);
}

} // namespace
