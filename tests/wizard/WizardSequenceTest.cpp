#include "WizardFixture.h"

#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "library/gui/setup.h"
#include "wizard/Finish.h"
#include "wizard/Layout.h"
#include "wizard/Preferences.h"
#include "wizard/Skins.h"
#include "wizard/welcome.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <map>

using namespace nimbrel::test;
using Pages = std::vector<std::string>;

namespace {

const char* const kLibrary = R"(<Library>
  <Category Name="News">
    <site Name="Daily" URL="127.0.0.1:9/daily" Type="html" StyleSheet="d.xsl" RipFile="d.xml"/>
  </Category>
</Library>)";

class WizardSequenceTest : public WizardTest {
  protected:
    // Every file of the program folder with its contents.
    std::map<std::string, std::string> FolderSnapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
            if (entry.is_regular_file())
                files[entry.path().string()] = ReadBytes(entry.path().string());
        return files;
    }
    // From the layout page to the finish page by "Next >".
    void NextFromLayoutToFinish() {
        Click(frmLayout, "cmdNext");
        Click(frmSkins, "cmdNext");
        Click(frmPreferences, "Button1");
    }
};

TEST_F(WizardSequenceTest, WelcomeNextHidesItselfThenRunsTheSetupCommand) {
    CreateWindows();
    frmWizardWelcome->show();
    EXPECT_FALSE(frmWizardWelcome->Button3->isEnabled());
    Click(frmWizardWelcome, "Button1");
    EXPECT_EQ(host.calls, std::vector<std::string>{"setup"});
    EXPECT_EQ(VisiblePages(), Pages{"frmSetup"});
}

TEST_F(WizardSequenceTest, ForwardPassSavesEachStepAndFinishStartsOneCycle) {
    folder.write("Categories.xml", kLibrary);
    CreateWindows();
    frmWizardWelcome->show();
    Click(frmWizardWelcome, "Button1");
    ASSERT_EQ(VisiblePages(), Pages{"frmSetup"});
    auto* tree = frmSetup->findChild<QTreeWidget*>("TreeView1");
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    Click(frmSetup, "cmdAddSite");
    EXPECT_FALSE(folder.exists("setup.nml"));

    Click(frmSetup, "Button1");
    EXPECT_EQ(VisiblePages(), Pages{"frmLayout"});
    EXPECT_EQ(folder.read("setup.nml"), "News->Daily\r\n\r\n");
    EXPECT_NE(folder.read("setup.xml").find("127.0.0.1:9/daily"), std::string::npos);
    EXPECT_FALSE(folder.exists("options.nmo"));

    NextFromLayoutToFinish();
    EXPECT_EQ(VisiblePages(), Pages{"frmFinish"});
    EXPECT_EQ(folder.read("options.nmo"),
              "Interval:900\r\nAutoView:True\r\nNewStoryNotice:True\r\n");
    ASSERT_TRUE(frmFinish->chkStartDownloading->isChecked());
    EXPECT_EQ(host.count("refresh"), 0);
    Click(frmFinish, "Button1");
    EXPECT_EQ(VisiblePages(), Pages{});
    EXPECT_EQ(host.count("refresh"), 1);
    EXPECT_NE(frmMain->FetchThread, nullptr) << "Finish starts a download cycle";

    // Going through the wizard again while that cycle runs lets its thread go.
    frmWizardWelcome->show();
    Click(frmWizardWelcome, "Button1");
    EXPECT_EQ(frmMain->FetchThread, nullptr);
}

TEST_F(WizardSequenceTest, FinishWithoutStartDownloadingStartsNothingAndKeepsTheChoice) {
    CreateWindows();
    frmLayout->show();
    NextFromLayoutToFinish();
    frmFinish->chkStartDownloading->click();
    Click(frmFinish, "Button1");
    EXPECT_EQ(VisiblePages(), Pages{});
    EXPECT_EQ(host.count("refresh"), 0);
    // The choice holds for the next pass within the run.
    frmPreferences->show();
    Click(frmPreferences, "Button1");
    EXPECT_FALSE(frmFinish->chkStartDownloading->isChecked());
}

TEST_F(WizardSequenceTest, BackLeadsFromFinishToTheSelectionPage) {
    CreateWindows();
    frmFinish->show();
    Click(frmFinish, "Button3");
    EXPECT_EQ(VisiblePages(), Pages{"frmPreferences"});
    Click(frmPreferences, "cmdBack");
    EXPECT_EQ(VisiblePages(), Pages{"frmSkins"});
    Click(frmSkins, "cmdBack");
    EXPECT_EQ(VisiblePages(), Pages{"frmLayout"});
    Click(frmLayout, "cmdBack");
    EXPECT_EQ(VisiblePages(), Pages{"frmSetup"});
    // Going back never reloads the selection nor touches the cycle.
    EXPECT_EQ(host.count("setup"), 0);
}

TEST_F(WizardSequenceTest, EveryPageOpensWhereTheMovedPageStood) {
    CreateWindows();
    frmWizardWelcome->show();
    const QPoint moved(137, 83);
    frmWizardWelcome->move(moved);
    Click(frmWizardWelcome, "Button1");
    EXPECT_EQ(frmSetup->pos(), moved);
    frmSetup->hide();
    frmLayout->move(moved + QPoint(40, 30));
    frmLayout->show();
    NextFromLayoutToFinish();
    EXPECT_EQ(frmFinish->pos(), moved + QPoint(40, 30));
    frmFinish->move(moved + QPoint(5, 7));
    Click(frmFinish, "Button3");
    EXPECT_EQ(frmPreferences->pos(), moved + QPoint(5, 7));
}

TEST_F(WizardSequenceTest, PreferencesOpenedFromTheToolbarLeadOnToTheFinishPage) {
    CreateWindows();
    frmMain->speedPref->click();
    EXPECT_EQ(VisiblePages(), Pages{"frmPreferences"});
    Click(frmPreferences, "Button1");
    EXPECT_EQ(VisiblePages(), Pages{"frmFinish"});
}

TEST_F(WizardSequenceTest, LayoutPictureAndSkinsListChangeNothing) {
    folder.write("options.nmo", "Interval:1500\r\nAutoView:False\r\n");
    folder.write("setup.nml", "News->Example\r\n");
    CreateWindows();
    const auto before = FolderSnapshot();
    frmLayout->show();
    frmLayout->SpeedLayout1->click();
    frmSkins->ListBox1->setCurrentRow(0);
    frmSkins->ListBox1->itemClicked(frmSkins->ListBox1->item(0));
    EXPECT_EQ(FolderSnapshot(), before);
    EXPECT_EQ(frmMain->IntervalSeconds, 1500);
    EXPECT_FALSE(frmMain->AutoView);
    EXPECT_EQ(host.calls, std::vector<std::string>{});
    EXPECT_EQ(VisiblePages(), Pages{"frmLayout"});
}

TEST_F(WizardSequenceTest, CloseHidesOnlyThatPageAndSavesNothing) {
    CreateWindows();
    for (QWidget* page : {(QWidget*)frmWizardWelcome, (QWidget*)frmLayout, (QWidget*)frmSkins}) {
        SCOPED_TRACE(page->objectName().toStdString());
        page->show();
        Click(page, "cmdClose");
        EXPECT_EQ(VisiblePages(), Pages{});
        page->show();
        page->close();
        EXPECT_EQ(VisiblePages(), Pages{});
    }
    frmFinish->show();
    frmFinish->close();
    EXPECT_EQ(VisiblePages(), Pages{});
    EXPECT_FALSE(folder.exists("options.nmo"));
    EXPECT_EQ(host.count("refresh"), 0);
}

TEST_F(WizardSequenceTest, ClosedWelcomePageOpensAgainWhereItStood) {
    CreateWindows();
    frmWizardWelcome->show();
    frmWizardWelcome->move(211, 97);
    Click(frmWizardWelcome, "cmdClose");
    EXPECT_EQ(VisiblePages(), Pages{});
    frmMain->findChild<QAction*>("Wizard1")->trigger();
    EXPECT_EQ(VisiblePages(), Pages{"frmWizardWelcome"});
    EXPECT_EQ(frmWizardWelcome->pos(), QPoint(211, 97));
}

TEST_F(WizardSequenceTest, HelpButtonsAndF1OpenEachPagesTopic) {
    CreateWindows();
    Click(frmWizardWelcome, "Button4");
    Click(frmLayout, "cmdHelp");
    Click(frmSkins, "cmdHelp");
    Click(frmFinish, "cmdHelp");
    EXPECT_EQ(HelpTopics(), (std::vector<int>{1100, 1300, 1400, 1600}));
    help.clear();
    for (QWidget* page : {(QWidget*)frmWizardWelcome, (QWidget*)frmLayout, (QWidget*)frmSkins,
                          (QWidget*)frmPreferences, (QWidget*)frmFinish}) {
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(page, &f1);
    }
    EXPECT_EQ(HelpTopics(), (std::vector<int>{1100, 1300, 1400, 1500, 1600}));
}

TEST_F(WizardSequenceTest, MissingBannerLeavesPagesWithoutTextsOrTopicButUsable) {
    RemoveBanner();
    CreateWindows();
    const std::string cannotOpen = "Cannot open file " + folder.path() + "/icons/banner_vert1.jpg";
    // One report per page: preferences, welcome, layout, skins, finish and selection.
    EXPECT_EQ(std::count(dialogs.errors.begin(), dialogs.errors.end(), cannotOpen), 6);
    EXPECT_EQ(frmWizardWelcome->txtWelcome->toPlainText(), "txtWelcome");
    EXPECT_EQ(frmSkins->ListBox1->count(), 0);
    Click(frmWizardWelcome, "Button4");
    Click(frmFinish, "cmdHelp");
    EXPECT_EQ(HelpTopics(), (std::vector<int>{0, 0}));
    frmLayout->show();
    NextFromLayoutToFinish();
    Click(frmFinish, "Button1");
    EXPECT_EQ(host.count("refresh"), 1);
}

TEST_F(WizardSequenceTest, PagesCarryTheirTextsWordForWord) {
    CreateWindows();
    EXPECT_EQ(frmWizardWelcome->txtWelcomeB->toPlainText(), "for the Nimbrel.\n\nIt features :");
    EXPECT_EQ(frmWizardWelcome->txtWelcomeG->toPlainText(), "Click \"Next\" to proceed.");
    EXPECT_NE(frmFinish->txtWelcome1->toPlainText().indexOf("select  \"Refresh\"  from"), -1);
    EXPECT_EQ(frmSkins->ListBox1->count(), 1);
    EXPECT_EQ(frmSkins->ListBox1->item(0)->text(), "Default");
    EXPECT_EQ(frmFinish->Button1->text(), "Finish");
    EXPECT_EQ(frmFinish->findChild<QPushButton*>("cmdClose"), nullptr);
    EXPECT_EQ(frmLayout->windowTitle(), "Nimbrel Layout");
    EXPECT_EQ(frmSkins->windowTitle(), "Nimbrel Skins");
    EXPECT_TRUE(frmLayout->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(frmLayout->SpeedLayout1->iconSize(), QSize(129, 121));
    EXPECT_FALSE(frmLayout->SpeedLayout1->icon().isNull());
    EXPECT_EQ(frmWizardWelcome->Image1->size(), QSize(114, 314));
}

} // namespace
