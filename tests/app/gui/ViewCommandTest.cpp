// The View command and the main window's display step on a prepared program folder.
#include "app/gui/CoolTrayIcon.h"
#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "support/TestSupport.h"
#include "wizard/Preferences.h"

#include <QAction>
#include <QCheckBox>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

class ViewCommand : public ::testing::Test {
  protected:
    ViewCommand() {
        TCoolTrayIcon::SetTrayAvailableOverride(true);
        std::filesystem::copy(RepoFixture("display/setup.xslt"), folder.file("setup.xslt"));
        std::filesystem::copy(RepoFixture("display/stylesheets"), folder.file("stylesheets"),
                              std::filesystem::copy_options::recursive);
        folder.write("setup.xml", "<Layout><table><tr><td><site Name=\"n\" URL=\"feed.example/"
                                  "rss\" Type=\"xml\" StyleSheet=\"feed.xsl\"/></td></tr>"
                                  "</table></Layout>");
        folder.write("Work/feed.example___rss.dat",
                     "<rss><channel><title>T</title><item><title>Shown story</title>"
                     "<link>/s</link></item></channel></rss>");
        folder.write("options.nmo", "Interval:900\r\nAutoView:False\r\n");
        CreateForms();
    }
    ~ViewCommand() override {
        DestroyForms();
        TCoolTrayIcon::SetTrayAvailableOverride(std::nullopt);
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
};

TEST_F(ViewCommand, OpensTheDigestWithAutomaticDisplayOffAndLeavesItOff) {
    ASSERT_FALSE(frmPreferences->chkAutoView->isChecked()) << "as the option file says";
    ASSERT_FALSE(frmMain->AutoView);
    frmMain->SpeedView->click();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], folder.path() + "/site.html");
    EXPECT_NE(folder.read("site.html").find("Shown story"), std::string::npos);
    EXPECT_FALSE(frmMain->AutoView);
}

TEST_F(ViewCommand, DisplayStepWithAutomaticDisplayOffWritesWithoutOpening) {
    frmMain->AutoView = false;
    frmMain->NavigateBrowser();
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_NE(folder.read("site.html").find("Shown story"), std::string::npos);
    frmMain->AutoView = true;
    frmMain->NavigateBrowser();
    EXPECT_EQ(shell.opened.size(), 1u);
}

TEST_F(ViewCommand, BadSelectionShowsTheMessageAndKeepsTheDigest) {
    folder.write("site.html", "old\r\n");
    folder.write("setup.xml", "<Layout>");
    dialogs.messages.clear(); // what other windows said at start-up
    frmMain->findChild<QAction*>("View1")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].rfind("Procudure Rip....[Error in setup.xml File]....", 0), 0u);
    EXPECT_EQ(folder.read("site.html"), "old\r\n");
    EXPECT_TRUE(shell.opened.empty());
}

} // namespace
