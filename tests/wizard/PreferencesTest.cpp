#include "WizardFixture.h"

#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "wizard/Finish.h"
#include "wizard/Preferences.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

using namespace nimbrel::test;

namespace {

const std::string kOptions = "options.nmo";

class PreferencesTest : public WizardTest {
  protected:
    std::string CheckedInterval() const {
        for (auto* radio : frmPreferences->GroupBox1->findChildren<QRadioButton*>())
            if (radio->isChecked())
                return radio->text().toStdString();
        return "none";
    }
    void StartWithOptionFile(const std::string& bytes) {
        folder.write(kOptions, bytes);
        CreateWindows();
    }
    // A folder in the option file's place: the file can be neither created nor replaced.
    void MakeOptionFileUnwritable() {
        std::filesystem::remove(folder.file(kOptions));
        std::filesystem::create_directory(folder.file(kOptions));
    }
};

TEST_F(PreferencesTest, FirstStartShowsFifteenMinutesAndAutoviewAndCloseWritesTheDefaults) {
    CreateWindows();
    EXPECT_EQ(CheckedInterval(), "15");
    EXPECT_TRUE(frmPreferences->chkAutoView->isChecked());
    EXPECT_TRUE(frmPreferences->chkNewStories->isChecked());
    frmPreferences->show();
    Click(frmPreferences, "cmdClose");
    EXPECT_FALSE(frmPreferences->isVisible());
    EXPECT_EQ(folder.read(kOptions), "Interval:900\r\nAutoView:True\r\nNewStoryNotice:True\r\n");
}

// The window checks the interval's whole minutes; the download timer runs at the interval the
// window shows, so a hand-typed 1 or 600 seconds runs every 15 minutes, as "15" says.
TEST_F(PreferencesTest, IntervalFromTheFileChecksItsWholeMinutesAndTheTimerAgrees) {
    struct Case {
        std::string file;
        std::string shown;
        int32_t interval;
        int periodSeconds;
    };
    for (const Case& c : {Case{"Interval:1200\r\n", "20", 1200, 1200},
                          Case{"Interval:930\r\nAutoView:True\r\n", "15", 930, 930},
                          Case{"Interval:1830\r\nAutoView:True\r\n", "30", 1800, 1800},
                          Case{"Interval:600\r\nAutoView:True\r\n", "15", 600, 900},
                          Case{"Interval:1\r\nAutoView:True\r\n", "15", 1, 900},
                          Case{"Interval:0\r\nAutoView:True\r\n", "15", 0, 900},
                          Case{"Interval:3600\r\nAutoView:True\r\n", "15", 3600, 900},
                          Case{"Interval:2459\r\nAutoView:True\r\n", "40", 2400, 2400},
                          Case{"Interval:-1800\r\nAutoView:True\r\n", "15", -1800, 900}}) {
        SCOPED_TRACE(c.file);
        StartWithOptionFile(c.file);
        EXPECT_EQ(CheckedInterval(), c.shown);
        EXPECT_EQ(frmMain->IntervalSeconds, c.interval);
        EXPECT_EQ(frmMain->DownloadTimer->interval(), c.periodSeconds * 1000);
        DestroyForms();
    }
}

TEST_F(PreferencesTest, AnUnlistedIntervalIsSavedUnchangedUntilTheUserPicksOne) {
    StartWithOptionFile("Interval:930\r\nAutoView:False\r\n");
    frmPreferences->show();
    Click(frmPreferences, "cmdClose");
    EXPECT_EQ(folder.read(kOptions), "Interval:930\r\nAutoView:False\r\nNewStoryNotice:True\r\n");

    // Clicking the button that already shows "15" makes the interval exactly 15 minutes.
    frmPreferences->RadioInt15->click();
    EXPECT_EQ(frmMain->IntervalSeconds, 900);
    EXPECT_EQ(host.calls.back(), "rearm 900");
}

TEST_F(PreferencesTest, ChoosingAnIntervalReachesTheMainWindowAndTheTimerAtOnce) {
    CreateWindows();
    frmPreferences->show();
    frmPreferences->RadioInt40->click();
    EXPECT_EQ(frmMain->IntervalSeconds, 2400);
    EXPECT_EQ(host.count("rearm 2400"), 1);
    EXPECT_EQ(frmMain->DownloadTimer->interval(), 2400 * 1000);
    EXPECT_TRUE(frmMain->DownloadTimer->isActive());
    frmPreferences->RadioInt25->click();
    EXPECT_EQ(frmMain->IntervalSeconds, 1500);
    Click(frmPreferences, "cmdClose");
    EXPECT_EQ(folder.read(kOptions), "Interval:1500\r\nAutoView:True\r\nNewStoryNotice:True\r\n");
}

TEST_F(PreferencesTest, ClickingFortyAndClosingFromTheTitleBarWritesTheFile) {
    CreateWindows();
    frmPreferences->show();
    frmPreferences->RadioInt40->click();
    frmPreferences->close();
    EXPECT_FALSE(frmPreferences->isVisible());
    EXPECT_EQ(folder.read(kOptions), "Interval:2400\r\nAutoView:True\r\nNewStoryNotice:True\r\n");
}

TEST_F(PreferencesTest, AutoviewFollowsTheCheckBoxBothWays) {
    StartWithOptionFile("Interval:900\r\nAutoView:False\r\n");
    EXPECT_FALSE(frmPreferences->chkAutoView->isChecked());
    frmPreferences->chkAutoView->click();
    EXPECT_TRUE(frmMain->AutoView);
    frmPreferences->chkAutoView->click();
    EXPECT_FALSE(frmMain->AutoView);
    frmPreferences->show();
    Click(frmPreferences, "cmdClose");
    EXPECT_EQ(folder.read(kOptions), "Interval:900\r\nAutoView:False\r\nNewStoryNotice:True\r\n");
}

// Off in the file: the box starts unticked and the main window tells of nothing; the box's
// state reaches the main window at once and the file when the window is left.
TEST_F(PreferencesTest, TheNoticeOfNewStoriesFollowsTheCheckBoxAndTheFile) {
    StartWithOptionFile("Interval:1200\r\nAutoView:True\r\nNewStoryNotice:False\r\n");
    EXPECT_FALSE(frmPreferences->chkNewStories->isChecked());
    EXPECT_FALSE(frmMain->NewStoryNotice);
    EXPECT_EQ(frmPreferences->chkNewStories->text(), "Tell me about new stories");
    frmPreferences->chkNewStories->click();
    EXPECT_TRUE(frmMain->NewStoryNotice);
    frmPreferences->chkNewStories->click();
    EXPECT_FALSE(frmMain->NewStoryNotice);
    frmPreferences->show();
    Click(frmPreferences, "cmdClose");
    EXPECT_EQ(folder.read(kOptions), "Interval:1200\r\nAutoView:True\r\nNewStoryNotice:False\r\n");
    // Inside its group and clear of the buttons' line.
    const QRect box = frmPreferences->chkNewStories->geometry().translated(
        frmPreferences->GroupBox4->geometry().topLeft());
    EXPECT_TRUE(frmPreferences->GroupBox4->geometry().contains(box));
    EXPECT_LT(frmPreferences->GroupBox4->geometry().bottom(), frmPreferences->Bevel2->y());
}

TEST_F(PreferencesTest, AutoviewOffThenViewShowsTheDigestOnceAndStaysOff) {
    CreateWindows();
    frmPreferences->chkAutoView->click();
    ASSERT_FALSE(frmMain->AutoView);
    frmMain->SpeedView->click();
    EXPECT_FALSE(frmMain->AutoView);
    EXPECT_FALSE(frmPreferences->chkAutoView->isChecked());
}

TEST_F(PreferencesTest, BackAndNextWriteTheFileBeforeTheNextPageShows) {
    CreateWindows();
    frmPreferences->show();
    frmPreferences->RadioInt35->click();
    Click(frmPreferences, "Button1");
    EXPECT_EQ(VisiblePages(), std::vector<std::string>{"frmFinish"});
    EXPECT_EQ(folder.read(kOptions), "Interval:2100\r\nAutoView:True\r\nNewStoryNotice:True\r\n");

    Click(frmFinish, "Button3");
    frmPreferences->RadioInt20->click();
    Click(frmPreferences, "cmdBack");
    EXPECT_EQ(VisiblePages(), std::vector<std::string>{"frmSkins"});
    EXPECT_EQ(folder.read(kOptions), "Interval:1200\r\nAutoView:True\r\nNewStoryNotice:True\r\n");
}

TEST_F(PreferencesTest, AnUnwritableOptionFileKeepsThePageOnBackAndNext) {
    CreateWindows();
    MakeOptionFileUnwritable();
    frmPreferences->show();
    for (const char* button : {"Button1", "cmdBack"}) {
        SCOPED_TRACE(button);
        dialogs.errors.clear();
        Click(frmPreferences, button);
        ASSERT_EQ(dialogs.errors.size(), 1u);
        EXPECT_EQ(dialogs.errors[0].rfind("File access denied: " + folder.file(kOptions), 0), 0u)
            << dialogs.errors[0];
        EXPECT_EQ(VisiblePages(), std::vector<std::string>{"frmPreferences"});
    }
}

TEST_F(PreferencesTest, AnUnwritableOptionFileStillHidesOnClose) {
    CreateWindows();
    MakeOptionFileUnwritable();
    frmPreferences->show();
    Click(frmPreferences, "cmdClose");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].rfind("File access denied: ", 0), 0u) << dialogs.errors[0];
    EXPECT_FALSE(frmPreferences->isVisible());
    frmPreferences->show();
    frmPreferences->close();
    EXPECT_EQ(dialogs.errors.size(), 2u);
    EXPECT_FALSE(frmPreferences->isVisible());
}

TEST_F(PreferencesTest, MissingBannerIsReportedAndTheSavedChoicesAreKept) {
    RemoveBanner();
    StartWithOptionFile("Interval:2400\r\nAutoView:False\r\n");
    const std::string cannotOpen = "Cannot open file " + folder.path() + "/icons/banner_vert1.jpg";
    ASSERT_FALSE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.errors.front(), cannotOpen);
    EXPECT_EQ(frmPreferences->txtWelcome->toPlainText(), "txtWelcome");
    EXPECT_EQ(CheckedInterval(), "40");
    EXPECT_FALSE(frmPreferences->chkAutoView->isChecked());
    frmPreferences->show();
    Click(frmPreferences, "cmdClose");
    EXPECT_EQ(folder.read(kOptions), "Interval:2400\r\nAutoView:False\r\nNewStoryNotice:True\r\n");
    Click(frmPreferences, "cmdHelp");
    EXPECT_EQ(HelpTopics(), std::vector<int>{1500});
}

TEST_F(PreferencesTest, WindowShowsItsTextsAndHelpTopic) {
    CreateWindows();
    EXPECT_EQ(frmPreferences->windowTitle(), " Nimbrel Preferences");
    EXPECT_TRUE(frmPreferences->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(frmPreferences->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(frmPreferences->txtWelcome->toPlainText(),
              "Select the download interval and display option");
    EXPECT_EQ(frmPreferences->txtWelcome2->toPlainText(),
              "With AutoView selected Nimbrel automatically displays the downloaded web pages. "
              "Alternatively you can manually select \"View\" from the toolbar.");
    Click(frmPreferences, "cmdHelp");
    EXPECT_EQ(HelpTopics(), std::vector<int>{1500});
    EXPECT_EQ(frmPreferences->HelpContext(), 1500);
}

} // namespace
