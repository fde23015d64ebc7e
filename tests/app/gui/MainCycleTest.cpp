// The main window's download cycle, offscreen, against a loopback server.
#include "app/WebDownload.h"
#include "app/gui/CoolTrayIcon.h"
#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "components/HttpFetch.h"
#include "digest/DigestProcess.h"
#include "pipeline/SiteFiles.h"
#include "support/HelpCallLog.h"
#include "support/HttpTestServer.h"
#include "support/TestSupport.h"
#include "wizard/Preferences.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>
#include <time.h>
#include <unistd.h>

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
        SetDefaultHttpBounds({2, 1024, 2, 20});
        WriteCycleFiles(folder);
        for (const char* picture : {"nimbrel.gif", "nimbrel.bmp"})
            folder.write(picture, ReadBytes(std::string(NIMBREL_SOURCE_DIR) + "/data/" + picture));
        CreateForms();
        // What the other windows say about pictures and files this folder lacks is not ours.
        dialogs.messages.clear();
        dialogs.errors.clear();
    }
    ~MainCycle() override {
        DestroyForms();
        SetDefaultHttpBounds({});
        TCoolTrayIcon::SetTrayAvailableOverride(std::nullopt);
    }

    std::string Bare(const std::string& path) const { return server.hostPort() + path; }
    void Select(const std::vector<std::pair<std::string, std::string>>& sites) {
        SelectBoldSites(folder, sites);
    }
    bool CycleEnds() {
        return PumpUntil([] { return !frmMain->FetchThread && !frmMain->TDLMessage->isActive(); });
    }
    // The display step ran to its end: the digest page holds every block and was opened.
    void ExpectDigestShown(const std::vector<std::string>& blocks) {
        const std::string digest = folder.read("site.html");
        for (const auto& text : blocks)
            EXPECT_NE(digest.find("<div class=\"block\">" + text + "</div>"), std::string::npos)
                << digest;
        EXPECT_EQ(shell.opened, (std::vector<std::string>{folder.file("site.html")}));
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
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
    server.route("/b", HttpRoute::Body(BoldPage("second")).slow(100ms, 40));
    server.route("/c", HttpRoute::Body(BoldPage("third")));
    Select({{"Alpha", Bare("/a")}, {"Beta", Bare("/b")}, {"Gamma", Bare("/c")}});

    frmMain->DownloadTimerTimer();
    TWebDownload* thread = frmMain->FetchThread;
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(frmMain->TDLMessage->isActive());
    EXPECT_EQ(frmMain->TDLMessage->interval(), 50);
    frmMain->DownloadTimerTimer(); // a tick during the cycle starts nothing
    EXPECT_EQ(frmMain->FetchThread, thread);

    // Two pages of the host at once, the third waiting; the caption shows the URL most recently
    // started as written, without the scheme the thread adds.
    ASSERT_TRUE(PumpUntil([&] { return Caption() == "Nimbrel --> Downloading " + Bare("/b"); }));
    EXPECT_EQ(frmMain->AnimationState, "Dynamic");
    EXPECT_NE(frmMain->Image1->movie(), nullptr);
    EXPECT_EQ(frmMain->TrayIcon1->IconList(), &frmMain->ImageList1);
    EXPECT_TRUE(frmMain->TrayIcon1->CycleIcons());
    EXPECT_EQ(GridColumn(1),
              (std::vector<std::string>{"Status", "Downloading", "Downloading", "Waiting"}));

    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(0), (std::vector<std::string>{"Site", "Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(GridColumn(1),
              (std::vector<std::string>{"Status", "Complete", "Complete", "Complete"}));
    EXPECT_EQ(frmMain->StringGrid1->columnWidth(0), 200);
    EXPECT_EQ(frmMain->StringGrid1->columnWidth(1), frmMain->StringGrid1->width() - 201);
    EXPECT_EQ(Caption(), "Nimbrel");
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_EQ(frmMain->Image1->movie(), nullptr);
    EXPECT_EQ(frmMain->TrayIcon1->IconList(), &frmMain->ImageList2);
    EXPECT_FALSE(frmMain->TrayIcon1->CycleIcons());
    EXPECT_TRUE(frmMain->PollerFree);
    // The cut ran at the end of the cycle, then the display step wrote the digest and opened it.
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/b"))).find("<b>second</b>"),
              std::string::npos);
    ExpectDigestShown({"first", "second", "third"});
    EXPECT_TRUE(dialogs.errors.empty());

    // The next tick starts a new cycle from the current selection.
    Select({{"Delta", Bare("/c")}});
    frmMain->DownloadTimerTimer();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(0), (std::vector<std::string>{"Site", "Delta"}));
}

// The failure's whole text is one hover away; the row itself stays short.
TEST_F(MainCycle, FailedRowsCarryTheWholeStoryInTheirTooltip) {
    server.route("/gone", HttpRoute::Body("gone", 404));
    server.route("/fine", HttpRoute::Body(BoldPage("fine")));
    Select({{"Gone", Bare("/gone")}, {"Fine", Bare("/fine")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(1), (std::vector<std::string>{"Status", "Failed: HTTP 404", "Complete"}));
    EXPECT_EQ(frmMain->StringGrid1->item(1, 1)->toolTip().toStdString(),
              "http://" + Bare("/gone") + ": HTTP/1.1 404 Not Found");
    EXPECT_EQ(frmMain->StringGrid1->item(2, 1)->toolTip().toStdString(), "");
}

// A page that came but whose rule found nothing in it, after it found items, reads so in its
// row once the digest is made; the others keep theirs.
TEST_F(MainCycle, ARuleThatFoundNothingSaysSoInItsRow) {
    folder.write(
        "stylesheets/s.xsl",
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/><xsl:template match=\"/\">"
        "<ol><xsl:for-each select=\"//b\"><li class=\"item\"><a href=\"/story/{.}\">"
        "<xsl:value-of select=\".\"/></a></li></xsl:for-each></ol></xsl:template>"
        "</xsl:stylesheet>");
    server.route("/a", HttpRoute::Body(BoldPage("first")));
    server.route("/b", HttpRoute::Body(BoldPage("second")));
    Select({{"Alpha", Bare("/a")}, {"Beta", Bare("/b")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(1), (std::vector<std::string>{"Status", "Complete", "Complete"}));

    server.route("/b", HttpRoute::Body("<html><head>" + std::string(200, ' ') +
                                       "</head><body><i>second</i></body></html>"));
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(1),
              (std::vector<std::string>{"Status", "Complete", "Rule found nothing"}));
    EXPECT_NE(folder.read("site.html").find("data-status=\"broken\""), std::string::npos);
}

// CPU time of the calling thread, in milliseconds.
long ThreadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000 + now.tv_nsec / 1'000'000;
}

// Two hundred sites: while the pages come, are cut and laid out, the window's own thread never
// works for a tenth of a second at a stretch, so it answers a repaint or a click on Stop within
// that (on a loaded machine the time it waits for a core comes on top, and is not its own).
TEST_F(MainCycle, TheWindowsThreadNeverWorksATenthOfASecondAtAStretchThroughoutALargeCycle) {
    std::vector<std::pair<std::string, std::string>> sites;
    for (int i = 0; i < 200; ++i) {
        const std::string path = "/" + std::to_string(i);
        server.route(path, HttpRoute::Body(BoldPage(Repeated("story " + path + " ", 2000))));
        sites.push_back({"Site " + std::to_string(i), Bare(path)});
    }
    Select(sites);
    // A timer of the window's thread: between two of its ticks the thread did one stretch of work.
    long last = ThreadCpuMs();
    long longest = 0;
    int ticks = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const long now = ThreadCpuMs();
        longest = std::max(longest, now - last);
        last = now;
        ++ticks;
    });
    probe.start();
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    probe.stop();
    EXPECT_LT(longest, 100) << "ms of work at a stretch, " << ticks << " ticks";
    const std::string digest = folder.read("site.html");
    for (const char* story : {"<div class=\"block\">story /0 ", "<div class=\"block\">story /199 "})
        EXPECT_NE(digest.find(story), std::string::npos) << story;
    EXPECT_TRUE(dialogs.messages.empty());
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

TEST_F(MainCycle, StopAbandonsThePagesInProgressAndStillCutsAndShowsWhatCame) {
    server.route("/1", HttpRoute::Body(BoldPage("one")));
    server.route("/2", HttpRoute::Body(BoldPage("two")).silent());
    server.route("/3", HttpRoute::Body(BoldPage("three")).silent());
    folder.write("Sites/" + PageFileName(Bare("/2")), BoldPage("two from before"));
    Select({{"One", Bare("/1")}, {"Two", Bare("/2")}, {"Three", Bare("/3")}, {"Four", Bare("/4")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(PumpUntil([&] { return Caption() == "Nimbrel --> Downloading " + Bare("/3"); }));
    frmMain->speedStopClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(GridColumn(1),
              (std::vector<std::string>{"Status", "Complete", "Stopped", "Stopped", "Waiting"}));
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/2"))).find("<b>two from before</b>"),
              std::string::npos);
    ExpectDigestShown({"one", "two from before"});
    for (const auto& target : server.requestedTargets())
        EXPECT_NE(target, "/4");
}

TEST_F(MainCycle, SetupDuringACycleLetsTheThreadGoAndCutsWithoutDisplay) {
    server.route("/slow", HttpRoute::Body(BoldPage("slow")).silent());
    server.route("/fast", HttpRoute::Body(BoldPage("fast")));
    Select({{"Slow", Bare("/slow")}, {"Fast", Bare("/fast")}, {"Later", Bare("/later")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(PumpUntil([&] { return frmMain->AnimationState == "Dynamic"; }));
    ASSERT_TRUE(PumpUntil([&] { return server.requests().size() == 3; }));
    frmMain->speedSetupClick();
    EXPECT_EQ(frmMain->FetchThread, nullptr);
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_EQ(frmMain->Image1->movie(), nullptr);
    EXPECT_TRUE(frmMain->TrayIcon1->CycleIcons()); // the tray is left as it was
    EXPECT_EQ(Caption(), "Nimbrel");
    // The dropped thread abandons its page, and its row says so while its grid is still shown.
    ASSERT_TRUE(PumpUntil([&] { return GridColumn(1)[1] == "Stopped"; }));
    EXPECT_NE(folder.read("Work/" + PageFileName(Bare("/fast"))).find("<b>fast</b>"),
              std::string::npos);
    EXPECT_FALSE(folder.exists("site.html")); // no display in this branch
    DestroyForms(); // waits for every thread: nothing more can be asked for after it
    EXPECT_EQ(server.requests().size(), 3u);
}

// The end of a cycle shows a message (a rule file that does not load); while it is on screen,
// Setup lets that thread go and a tick starts the next cycle. Ending the first must leave the
// second alone: joining it there, while it waits for the window, would hang the program.
TEST_F(MainCycle, CycleStartedWhileTheEndOfAnotherShowsAMessageRunsOn) {
    server.route("/a", HttpRoute::Body(BoldPage("a")));
    folder.write("Rip/broken.xml", "<Rules><Command");
    folder.write("setup.xml", "<setup><site Name=\"A\" URL=\"" + Bare("/a") +
                                  "\" Type=\"html\" StyleSheet=\"s.xsl\" "
                                  "RipFile=\"broken.xml\"/></setup>");
    TWebDownload* second = nullptr;
    dialogs.whileShown = [&] {
        if (second)
            return;
        frmMain->speedSetupClick();
        frmMain->DownloadTimerTimer();
        second = frmMain->FetchThread;
    };
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(PumpUntil([&] { return second != nullptr; }));
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(GridColumn(1), (std::vector<std::string>{"Status", "Complete"}));
    EXPECT_EQ(frmMain->AnimationState, "Static");
}

TEST_F(MainCycle, PageFileThatCannotBeWrittenIsShownOnceAndEndsTheCycle) {
    server.route("/a", HttpRoute::Body(BoldPage("a")));
    Select({{"Alpha", Bare("/a")}, {"Beta", Bare("/a")}});
    std::filesystem::remove_all(folder.file("Sites"));
    folder.write("Sites", "a file where the folder should be");
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    const std::string notFound =
        "File not found: " + folder.file("Sites/" + PageFileName(Bare("/a")));
    EXPECT_EQ(dialogs.errors, (std::vector<std::string>{notFound}));
    EXPECT_EQ(GridColumn(1),
              (std::vector<std::string>{"Status", "Failed: " + notFound, "Waiting"}));
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_EQ(Caption(), "Nimbrel");
}

TEST_F(MainCycle, ErrorInTheCutIsShownOnceAndTheCycleStillEnds) {
    server.route("/a", HttpRoute::Body(BoldPage("a")));
    Select({{"Alpha", Bare("/a")}});
    std::filesystem::remove_all(folder.file("Work"));
    folder.write("Work", "a file where the folder should be"); // no cut file can be written
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    // Later ticks would run the failing end again: there are none, the poller is off.
    EXPECT_FALSE(frmMain->TDLMessage->isActive());
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(frmMain->PollerFree);
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_FALSE(frmMain->TrayIcon1->CycleIcons());
    EXPECT_EQ(Caption(), "Nimbrel");
    // The next cycle starts as usual.
    std::filesystem::remove(folder.file("Work"));
    frmMain->DownloadTimerTimer();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(dialogs.errors.size(), 1u) << dialogs.errors.back();
    EXPECT_TRUE(folder.exists("Work/" + PageFileName(Bare("/a"))));
}

// The window and nimbrel-digest (the user timer, a script) never cycle on one folder at once:
// whichever holds it, the other waits, skips its tick or says so.
TEST_F(MainCycle, AnotherRunOnTheFolderIsWaitedForOrSkippedNeverRunBeside) {
    server.route("/slow", HttpRoute::Body(BoldPage("slow")).slow(100ms, 200));
    server.route("/stalled", HttpRoute::Body(BoldPage("stalled")).stallAfter(10));
    Select({{"Slow", Bare("/slow")}});
    const std::vector<std::string> digest = {"--folder", folder.path(), "--no-open", "--quiet"};
    auto withOptions = [&](std::vector<std::string> more) {
        more.insert(more.begin(), digest.begin(), digest.end());
        return more;
    };
    frmMain->SpeedRefreshClick();
    const DigestResult refused = RunDigest(withOptions({"--wait", "0"}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("another Nimbrel run is using this folder (process " +
                               std::to_string(::getpid()) + ")"),
              std::string::npos)
        << refused.err;
    auto waiting = std::async(std::launch::async, [&] { return RunDigest(withOptions({})); });
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(waiting.get().status, 0);
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.mostRequestsAtOnce(), 1) << "the digest waited for the window's cycle";

    // Now nimbrel-digest holds the folder, stalled on a page: ticks are skipped, Refresh says so.
    Select({{"Stalled", Bare("/stalled")}});
    pid_t holder = 0;
    auto holding = std::async(std::launch::async,
                              [&] { return RunDigest(digest, [&](pid_t pid) { holder = pid; }); });
    ASSERT_TRUE(PumpUntil([&] {
        return holder != 0 && folder.exists("nimbrel.lock") &&
               folder.read("nimbrel.lock") == std::to_string(holder) + "\n";
    }));
    const std::string busy =
        "another Nimbrel run is using this folder (process " + std::to_string(holder) + ")";
    frmMain->DownloadTimerTimer();
    EXPECT_EQ(frmMain->FetchThread, nullptr);
    const std::string status = frmMain->StatusBar1->currentMessage().toStdString();
    EXPECT_NE(status.find("download skipped: " + busy), std::string::npos) << status;
    frmMain->SpeedRefreshClick();
    EXPECT_EQ(frmMain->FetchThread, nullptr);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].rfind(busy + "\r\n", 0), 0u) << dialogs.messages[0];
    ::kill(holder, SIGKILL);
    EXPECT_EQ(holding.get().status, -1);
    frmMain->DownloadTimerTimer();
    EXPECT_NE(frmMain->FetchThread, nullptr) << "a killed holder leaves no lock behind";
    EXPECT_TRUE(frmMain->StatusBar1->currentMessage().isEmpty());
    frmMain->speedStopClick();
    ASSERT_TRUE(CycleEnds());
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

// Neither the watched thread nor one let go by Setup holds the window on Exit: both abandon
// their pages, which keep what they held before.
TEST_F(MainCycle, ExitWhileDownloadingEndsAtOnceKeepingTheLastGoodPages) {
    server.route("/silent", HttpRoute::Body("never").silent());
    server.route("/slow", HttpRoute::Body(std::string(100000, 'x')).slow(100ms, 2000));
    folder.write("Sites/" + PageFileName(Bare("/silent")), "kept silent");
    folder.write("Sites/" + PageFileName(Bare("/slow")), "kept slow");
    Select({{"Silent", Bare("/silent")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(PumpUntil([&] { return server.requests().size() == 1; }));
    frmMain->speedSetupClick(); // let go, still waiting for its answer
    Select({{"Slow", Bare("/slow")}, {"Never", Bare("/never")}});
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(PumpUntil([&] { return server.requests().size() == 3; }));
    dialogs.setNextAnswer(true);
    frmMain->SpeedExitClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmMain, nullptr);
    // Waited for, the slow page would have come whole, and the silent one run into its time-out
    // and been recorded as failed.
    EXPECT_EQ(folder.read("Sites/" + PageFileName(Bare("/slow"))), "kept slow");
    EXPECT_EQ(folder.read("Sites/" + PageFileName(Bare("/silent"))), "kept silent");
    EXPECT_EQ(ReadSiteRecord(Bare("/silent")).status, FetchStatus::Stopped);
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
    // Fifteen "minutes" of one second each: never under five minutes all the same.
    frmMain->SecondsPerMinute = 1;
    frmMain->IntervalSeconds = 15;
    frmMain->ApplyDownloadInterval();
    EXPECT_EQ(frmMain->DownloadTimer->interval(), 300000);
}

// One list item with a link per <b> of the page, so that the digest marks the new ones.
const char* const kStoryListSheet =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/><xsl:template match=\"/\"><ul>"
    "<xsl:for-each select=\"//b\"><li class=\"item\"><a href=\"/{.}\"><xsl:value-of "
    "select=\".\"/></a></li></xsl:for-each></ul></xsl:template></xsl:stylesheet>";

std::string Stories(const std::string& first, const std::vector<std::string>& more) {
    std::string bold = first;
    for (const std::string& story : more)
        bold += "</b><b>" + story;
    return BoldPage(bold);
}

// The digest's own time as its summary line shows it: "14:05".
std::string DigestClock(const std::string& digest) {
    const size_t time = digest.find("<time datetime=");
    const size_t end = digest.find("</time>", time);
    return time == std::string::npos || end == std::string::npos ? "" : digest.substr(end - 5, 5);
}

TEST_F(MainCycle, NewStoriesAreToldInOneNoticeThatOpensTheDigestAndInTheTooltip) {
    folder.write("stylesheets/s.xsl", kStoryListSheet);
    std::vector<std::string> notices;
    QObject::connect(frmMain->TrayIcon1, &TCoolTrayIcon::MessageShown,
                     [&](const QString& title, const QString& text) {
                         notices.push_back(title.toStdString() + ": " + text.toStdString());
                     });
    server.route("/courier", HttpRoute::Body(Stories("c1", {"c2"})));
    server.route("/circuit", HttpRoute::Body(Stories("w1", {})));
    server.route("/gone", HttpRoute::Body("gone", 404));
    Select({{"The Daily Courier", Bare("/courier")},
            {"Circuit Weekly", Bare("/circuit")},
            {"Gone", Bare("/gone")}});
    const auto tooltip = [] { return frmMain->TrayIcon1->Hint().toStdString(); };
    EXPECT_EQ(tooltip(), "");

    // The first digest of a site marks nothing new.
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(tooltip(),
              "0 new \u00B7 1 failed \u00B7 updated " + DigestClock(folder.read("site.html")));

    server.route("/courier", HttpRoute::Body(Stories("c3", {"c1", "c4", "c2"})));
    server.route("/circuit", HttpRoute::Body(Stories("w2", {"w1"})));
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(notices, (std::vector<std::string>{
                           "Nimbrel: 3 new stories: The Daily Courier 2, Circuit Weekly 1"}));
    EXPECT_EQ(tooltip(),
              "3 new \u00B7 1 failed \u00B7 updated " + DigestClock(folder.read("site.html")));

    // A click on the notice opens the digest as it stands; the View command would make it again.
    shell.opened.clear();
    const std::string digest = folder.read("site.html");
    emit frmMain->TrayIcon1->findChild<QSystemTrayIcon*>()->messageClicked();
    EXPECT_EQ(shell.opened, (std::vector<std::string>{folder.file("site.html")}));
    EXPECT_EQ(folder.read("site.html"), digest);

    // Told nothing once the preferences say so; the tooltip still counts.
    frmPreferences->chkNewStories->click();
    ASSERT_FALSE(frmMain->NewStoryNotice);
    server.route("/gone", HttpRoute::Body(Stories("g1", {})));
    server.route("/circuit", HttpRoute::Body(Stories("w3", {"w2", "w1"})));
    frmMain->SpeedRefreshClick();
    ASSERT_TRUE(CycleEnds());
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_EQ(tooltip(), "1 new \u00B7 updated " + DigestClock(folder.read("site.html")));
}

} // namespace
