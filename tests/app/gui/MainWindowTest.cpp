#include "app/gui/CoolTrayIcon.h"
#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "app/hh_funcs.h"
#include "components/MSXML2_TLB.h"
#include "guisupport/GuiTestSupport.h"
#include "library/SelectionList.h"
#include "library/gui/setup.h"
#include "platform/Halt.h"
#include "support/HelpCallLog.h"
#include "support/TestSupport.h"
#include "support/XmlEngineFault.h"
#include "wizard/Preferences.h"
#include "wizard/about.h"
#include "wizard/splash.h"
#include "wizard/welcome.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

constexpr const char* kExitQuestion = "Are you sure you want to exit the Program ?";

QStringList EntryTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QString("-") : action->text());
    return texts;
}

QAction* FindAction(QWidget* form, const char* name) {
    auto* action = form->findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
}

void PressF1(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

void FinishDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class MainWindow : public ::testing::Test {
  protected:
    MainWindow() {
        TCoolTrayIcon::SetTrayAvailableOverride(true);
        WriteBanner(folder);
    }
    ~MainWindow() override {
        DestroyForms();
        TCoolTrayIcon::SetTrayAvailableOverride(std::nullopt);
    }
    void create() {
        CreateForms();
        help.clear();
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    HelpCallLog help;
};

TEST_F(MainWindow, HasTheFixedWindowItsToolbarAndTheEmptyStatusGrid) {
    create();
    EXPECT_EQ(frmMain->windowTitle(), "Nimbrel");
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_EQ(frmMain->centralWidget()->size(), QSize(551, 242));
    EXPECT_EQ(frmMain->minimumSize(), frmMain->maximumSize()) << "the border is fixed";
    EXPECT_TRUE(frmMain->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(frmMain->windowFlags() & Qt::WindowMaximizeButtonHint);

    const char* names[] = {"speedSetup", "speedPref", "speedStop", "SpeedRefresh",
                           "SpeedView",  "speedHelp", "SpeedExit"};
    const char* captions[] = {"Setup", "Pref", "Stop", "Refresh", "View", "Help", "Exit"};
    for (int i = 0; i < 7; ++i) {
        auto* button = frmMain->findChild<QToolButton*>(names[i]);
        ASSERT_NE(button, nullptr) << names[i];
        EXPECT_EQ(button->text(), captions[i]);
        EXPECT_EQ(button->geometry(), QRect(3 + 60 * i, 10, 60, 60)) << names[i];
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_EQ(button->parentWidget(), static_cast<QWidget*>(frmMain->GroupBox1));
    }
    EXPECT_EQ(frmMain->GroupBox2->geometry(), QRect(486, 10, 60, 60));
    EXPECT_EQ(frmMain->Image1->geometry(), QRect(5, 7, 50, 50));

    QTableWidget* grid = frmMain->StringGrid1;
    EXPECT_EQ(grid->geometry(), QRect(2, 72, 548, 167));
    ASSERT_EQ(grid->rowCount(), 2);
    ASSERT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->item(0, 0)->text(), "Site");
    EXPECT_EQ(grid->item(0, 1)->text(), "Status");
    EXPECT_EQ(grid->item(1, 0), nullptr);
    EXPECT_EQ(grid->columnWidth(0), 190);
    EXPECT_EQ(grid->columnWidth(1), 548 - 200);
}

TEST_F(MainWindow, StartsIdleWithTimersArmedAndDefaults) {
    create();
    EXPECT_EQ(frmMain->ProductCaption, "Nimbrel");
    EXPECT_EQ(frmMain->AnimationState, "Static");
    EXPECT_TRUE(frmMain->PollerFree);
    EXPECT_FALSE(frmMain->ExitConfirmed);
    EXPECT_EQ(frmMain->FetchThread, nullptr);
    EXPECT_EQ(frmMain->IntervalSeconds, 900);
    EXPECT_EQ(frmMain->SecondsPerMinute, 60);
    EXPECT_TRUE(frmMain->AutoView);
    EXPECT_TRUE(frmMain->DownloadTimer->isActive());
    EXPECT_EQ(frmMain->DownloadTimer->interval(), 900000);
    EXPECT_FALSE(frmMain->TDLMessage->isActive());
    EXPECT_EQ(frmMain->TDLMessage->interval(), 50);
    EXPECT_TRUE(frmMain->TrayIcon1->IconVisible());
    EXPECT_EQ(frmMain->TrayIcon1->IconList(), &frmMain->ImageList2);
    EXPECT_FALSE(frmMain->TrayIcon1->CycleIcons());
    EXPECT_EQ(frmMain->TrayIcon1->CycleInterval(), 400);
    EXPECT_TRUE(frmMain->TrayIcon1->MinimizeToTray());
    EXPECT_EQ(frmMain->ImageList1.size(), 12);
    EXPECT_EQ(frmMain->ImageList2.size(), 1);
}

TEST_F(MainWindow, TrayMenuAndMenuBarHoldEveryEntryInOrder) {
    create();
    EXPECT_EQ(EntryTexts(frmMain->PopupMenu1),
              QStringList({"Setup", "Preferences", "-", "Stop", "Refresh", "View", "-", "Help",
                           "Open", "Exit"}));
    QStringList bar;
    for (QAction* action : frmMain->menuBar()->actions())
        bar << action->text();
    EXPECT_EQ(bar, QStringList({"File", "Edit", "Download", "Feedback", "Help"}));
    auto menu = [](const char* name) { return EntryTexts(frmMain->findChild<QMenu*>(name)); };
    EXPECT_EQ(menu("File1"), QStringList({"Open", "Setup Wizard", "Exit"}));
    EXPECT_EQ(menu("Edit1"), QStringList({"Preferences", "Setup", "View"}));
    EXPECT_EQ(menu("Download1"), QStringList({"Stop", "Refresh"}));
    EXPECT_EQ(menu("Feedback1"), QStringList({"Request a Web Page", "Developers", "Suggestions"}));
    EXPECT_EQ(menu("Help2"), QStringList({"Help", "About"}));
}

TEST_F(MainWindow, EveryHelpEntryOpensTheDefaultTopicOwnedByTheDesktop) {
    create();
    frmMain->speedHelp->click();
    FindAction(frmMain, "Help1")->trigger(); // tray
    FindAction(frmMain, "Help3")->trigger(); // menu bar
    const auto calls = help.calls();
    ASSERT_EQ(calls.size(), 3u);
    for (const HelpCall& call : calls) {
        EXPECT_EQ(call.owner, "desktop");
        EXPECT_EQ(call.file, folder.path() + "/Nimbrel.chm");
        EXPECT_EQ(call.command, HH_DISPLAY_TOPIC);
        EXPECT_EQ(call.data, 0u);
    }
}

TEST_F(MainWindow, FeedbackEntriesOpenTheirTopics) {
    create();
    FindAction(frmMain, "WebPageRequest1")->trigger();
    FindAction(frmMain, "Developers1")->trigger();
    FindAction(frmMain, "Suggestions1")->trigger();
    const auto calls = help.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].data, 1700u);
    EXPECT_EQ(calls[1].data, 1800u);
    EXPECT_EQ(calls[2].data, 1700u);
    for (const HelpCall& call : calls) {
        EXPECT_EQ(call.owner, "none");
        EXPECT_EQ(call.command, HH_HELP_CONTEXT);
    }
}

TEST_F(MainWindow, F1OpensTheTopicOfTheWindowItIsPressedIn) {
    create();
    PressF1(frmMain->StringGrid1);
    QWidget other;
    SetHelpContext(&other, 1500);
    auto* child = new QPushButton(&other);
    PressF1(child);
    PressF1(static_cast<QWidget*>(frmSplash)); // carries no topic
    const auto calls = help.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].owner, "none");
    EXPECT_EQ(calls[0].file, folder.path() + "/Nimbrel.chm");
    EXPECT_EQ(calls[0].command, HH_HELP_CONTEXT);
    EXPECT_EQ(calls[0].data, 1000u);
    EXPECT_EQ(calls[1].data, 1500u);
}

TEST_F(MainWindow, HelpHookAnswersOnlyContextRequests) {
    create();
    bool callHelp = true;
    EXPECT_TRUE(frmMain->HelpHook(8, 1300, callHelp));
    EXPECT_FALSE(callHelp);
    callHelp = true;
    EXPECT_TRUE(frmMain->HelpHook(3, 0, callHelp));
    EXPECT_TRUE(callHelp);
    ASSERT_EQ(help.calls().size(), 1u);
    EXPECT_EQ(help.calls()[0].data, 1300u);
}

TEST_F(MainWindow, CloseBoxHidesTheWindowAndKeepsTheTrayIcon) {
    create();
    QPointer<TfrmMain> form = frmMain;
    frmMain->close();
    FinishDeferredDeletes();
    ASSERT_TRUE(form);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->TrayIcon1->IconVisible());
    EXPECT_TRUE(form->DownloadTimer->isActive()) << "download cycles go on";
}

// What Qt reports for a click on the icon: classic trays send Trigger then DoubleClick,
// StatusNotifier trays only Trigger. Either brings the window back; the menu click does not.
TEST_F(MainWindow, ClickOrDoubleClickOnTheTrayIconShowsTheHiddenWindow) {
    create();
    auto* icon = frmMain->findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    const std::pair<QSystemTrayIcon::ActivationReason, bool> reasons[] = {
        {QSystemTrayIcon::Trigger, true},
        {QSystemTrayIcon::DoubleClick, true},
        {QSystemTrayIcon::Context, false},
    };
    for (const auto& [reason, shows] : reasons) {
        frmMain->close();
        FinishDeferredDeletes();
        ASSERT_FALSE(frmMain->isVisible());
        emit icon->activated(reason);
        EXPECT_EQ(frmMain->isVisible(), shows) << "activation reason " << reason;
    }
}

TEST_F(MainWindow, MinimiseHidesTheWindowInTheTray) {
    create();
    frmMain->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(frmMain->isVisible());
    EXPECT_TRUE(frmMain->TrayIcon1->IconVisible());
    frmMain->TrayIcon1->ShowMainForm();
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_FALSE(frmMain->isMinimized());
}

TEST_F(MainWindow, WithoutANotificationAreaCloseAndMinimiseOnlyMinimise) {
    TCoolTrayIcon::SetTrayAvailableOverride(false);
    create();
    frmMain->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(frmMain->isVisible()) << "a hidden window could never be shown again";
    EXPECT_TRUE(frmMain->isMinimized());
    frmMain->TrayIcon1->ShowMainForm();
    frmMain->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(frmMain->isVisible());
}

TEST_F(MainWindow, ExitAnsweredNoKeepsTheWindowAndTheTrayIcon) {
    create();
    frmMain->hide();
    dialogs.setNextAnswer(false);
    FindAction(frmMain, "Exit1")->trigger();
    ASSERT_EQ(dialogs.questions, std::vector<std::string>{kExitQuestion});
    FinishDeferredDeletes();
    ASSERT_NE(frmMain, nullptr);
    EXPECT_TRUE(frmMain->isVisible()) << "Exit shows the window while asking";
    EXPECT_TRUE(frmMain->TrayIcon1->IconVisible());
    EXPECT_FALSE(frmMain->ExitConfirmed);
}

TEST_F(MainWindow, ExitAnsweredYesDestroysTheWindowAndClosesHelp) {
    create();
    QPointer<TfrmMain> form = frmMain;
    bool destroyed = false;
    QObject::connect(frmMain, &QObject::destroyed, [&] { destroyed = true; });
    dialogs.setNextAnswer(true);
    frmMain->SpeedExit->click();
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{kExitQuestion});
    FinishDeferredDeletes();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(form);
    EXPECT_EQ(frmMain, nullptr);
    const auto calls = help.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().command, HH_CLOSE_ALL);
    EXPECT_FALSE(HtmlHelpLoaded());
    UseRecordingHelpModule(); // for the windows of later tests
}

TEST_F(MainWindow, CommandsShowTheirWindows) {
    create();
    // Each press of the selection window's Open button asks for a file.
    const auto loads = [&] { return dialogs.fileRequests.size(); };

    FindAction(frmMain, "Preferences1")->trigger();
    EXPECT_TRUE(static_cast<QWidget*>(frmPreferences)->isVisible());
    FindAction(frmMain, "Wizard1")->trigger();
    EXPECT_TRUE(static_cast<QWidget*>(frmWizardWelcome)->isVisible());
    FindAction(frmMain, "About1")->trigger();
    EXPECT_TRUE(static_cast<QWidget*>(frmAbout)->isVisible());
    FindAction(frmMain, "Setup2")->trigger();
    EXPECT_TRUE(static_cast<QWidget*>(frmSetup)->isVisible());
    EXPECT_EQ(loads(), 0u);
    FindAction(frmMain, "Open1")->trigger();
    FindAction(frmMain, "Open2")->trigger();
    EXPECT_EQ(loads(), 2u) << "Open opens a saved selection in the selection window";
}

// Open from the tray or the File menu shows the selection as setup.nml holds it before the open
// dialog runs: a cancelled dialog leaves it whole, and an added site joins it on Close with Yes.
// A window already on screen keeps the edits the user is making.
TEST_F(MainWindow, OpenCancelledKeepsTheWholeSelection) {
    std::string library = "<Library><Category Name=\"News\">";
    SelectionEntries saved;
    for (int i = 0; i < 10; ++i) {
        const std::string name = "Site" + std::to_string(i);
        library += "<site Name=\"" + name + "\" URL=\"n.example/" + name +
                   "\" Type=\"html\" StyleSheet=\"s.xsl\" RipFile=\"r.xml\"/>";
        saved.push_back("News->" + name);
    }
    folder.write("Categories.xml", library + "</Category></Library>");
    SaveSetupNml(saved);
    create();
    auto* list = static_cast<QWidget*>(frmSetup)->findChild<QListWidget*>("ListBoxSiteSelection");
    auto* tree = static_cast<QWidget*>(frmSetup)->findChild<QTreeWidget*>("TreeView1");
    for (const char* action : {"Open1", "Open2"}) {
        SCOPED_TRACE(action);
        list->clear(); // as the list stands at start, or after Close answered No
        static_cast<QWidget*>(frmSetup)->hide();
        FindAction(frmMain, action)->trigger();
        EXPECT_EQ(list->count(), 10);
        tree->setCurrentItem(tree->topLevelItem(0)->child(3));
        static_cast<QWidget*>(frmSetup)->findChild<QPushButton*>("cmdAddSite")->click();
        FindAction(frmMain, action)->trigger(); // on screen: the added site stays
        dialogs.setNextAnswer(true);
        static_cast<QWidget*>(frmSetup)->findChild<QPushButton*>("cmdClose")->click();
        SelectionEntries expected = saved;
        expected.push_back("News->Site3");
        EXPECT_EQ(LoadSetupNml(), expected);
        SaveSetupNml(saved);
    }
    EXPECT_EQ(dialogs.fileRequests.size(), 4u);
}

// After View, automatic display is whatever the preferences' check box says, even when the
// value differed from the box before.
TEST_F(MainWindow, ViewLeavesAutomaticDisplayAsThePreferencesSay) {
    create();
    QCheckBox* box = frmPreferences->chkAutoView;
    ASSERT_EQ(static_cast<QWidget*>(frmPreferences)->findChild<QCheckBox*>("chkAutoView"), box)
        << "the preferences window's own box, the only one of that name";
    for (const bool ticked : {false, true}) {
        box->setChecked(ticked);
        frmMain->AutoView = !ticked;
        FindAction(frmMain, ticked ? "View1" : "View2")->trigger();
        EXPECT_EQ(frmMain->AutoView, ticked);
    }
}

class MainWindowStart : public MainWindow {
  protected:
    MainWindowStart() {
        TfrmMain::XmlEngineProbe = [this](TfrmMain&) { ++probes; };
    }
    ~MainWindowStart() override { TfrmMain::XmlEngineProbe = savedProbe; }
    std::function<void(TfrmMain&)> savedProbe = TfrmMain::XmlEngineProbe;
    int probes = 0;
};

TEST_F(MainWindowStart, ReadsTheOptionFileAndProbesTheXmlEngine) {
    folder.write("options.nmo", "Interval:1200\r\nAutoView:False\r\n");
    create();
    EXPECT_EQ(frmMain->IntervalSeconds, 1200);
    EXPECT_FALSE(frmMain->AutoView);
    EXPECT_EQ(probes, 1);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindowStart, BadIntervalIsShownAndSkipsTheProbe) {
    folder.write("options.nmo", "Interval:15 min\r\nAutoView:False\r\n");
    create();
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"'15 min' is not a valid integer value"});
    EXPECT_EQ(probes, 0);
    EXPECT_EQ(frmMain->IntervalSeconds, 900);
    EXPECT_TRUE(frmMain->AutoView);
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_TRUE(frmMain->DownloadTimer->isActive());
}

TEST_F(MainWindow, KeepsTheXmlEngineProbeDocument) {
    create();
    ASSERT_TRUE(frmMain->ProbeDocument.has_value());
    EXPECT_FALSE(frmMain->ProbeDocument->async());
}

TEST_F(MainWindow, MissingXmlEngineIsReportedAndEndsTheStart) {
    HaltRecorder halt;
    {
        const XmlEngineFault missing;
        EXPECT_THROW(new TfrmMain(), HaltRequested);
    }
    EXPECT_EQ(halt.count, 1);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.front(), "msxml3.dll is not installed");
}

TEST_F(MainWindowStart, MissingHelpModuleShowsTheMessageAndEnds) {
    HaltRecorder halt;
    UnloadHtmlHelp();
    SetHtmlHelpControlPath(folder.file("nimbrel-helpviewer.so"));
    EXPECT_THROW(new TfrmMain(), HaltRequested);
    EXPECT_EQ(halt.count, 1);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"HTML Help is not installed on this PC."});
    EXPECT_EQ(probes, 0);
    UseRecordingHelpModule();
}

TEST_F(MainWindowStart, MissingPicturesNeverStopTheStart) {
    create(); // the test folder holds no pictures at all
    EXPECT_EQ(probes, 1);
    EXPECT_TRUE(frmMain->speedSetup->icon().isNull());
    EXPECT_EQ(frmMain->speedSetup->text(), "Setup");
    EXPECT_TRUE(frmMain->Image1->pixmap().isNull());
}

TEST_F(MainWindowStart, ShowsThePicturesOfTheProgramFolder) {
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    ASSERT_TRUE(picture.save(QString::fromStdString(folder.file("icons/setup.png"))));
    ASSERT_TRUE(picture.save(QString::fromStdString(folder.file("icons/tray.png"))));
    ASSERT_TRUE(picture.save(QString::fromStdString(folder.file("nimbrel.bmp")), "BMP"));
    create();
    EXPECT_FALSE(frmMain->speedSetup->icon().isNull());
    EXPECT_TRUE(frmMain->speedPref->icon().isNull());
    EXPECT_FALSE(frmMain->ImageList2[0].isNull());
    EXPECT_FALSE(frmMain->Image1->pixmap().isNull());
}

} // namespace
