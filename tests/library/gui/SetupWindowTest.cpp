#include "app/gui/AppHelp.h"
#include "app/gui/Forms.h"
#include "app/gui/QtDialogs.h"
#include "app/hh_funcs.h"
#include "components/MSXML2_TLB.h"
#include "guisupport/GuiTestSupport.h"
#include "library/gui/setup.h"
#include "support/HelpCallLog.h"
#include "support/TestSupport.h"
#include "wizard/Layout.h"
#include "wizard/welcome.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace nimbrel::test;

namespace {

const char* const kLibrary = R"(<Library>
  <Category Name="News">
    <site Name="Daily" URL="news.example/daily" Type="html" StyleSheet="d.xsl" RipFile="d.xml"/>
    <site Name="Weather" URL="news.example/weather" Type="html" StyleSheet="w.xsl" RipFile="w.xml"/>
  </Category>
  <Category Name="Local">
    <site Name="Weather" URL="local.example/weather" Type="html" StyleSheet="l.xsl" RipFile="l.xml"/>
  </Category>
</Library>)";

class SetupWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.write("Categories.xml", kLibrary);
        WriteBanner(folder, {100, 300});
    }
    void TearDown() override {
        delete frmWizardWelcome;
        delete frmLayout;
        frmWizardWelcome = nullptr;
        frmLayout = nullptr;
    }
    TfrmSetup& window() {
        if (!form)
            form = std::make_unique<TfrmSetup>();
        return *form;
    }
    template <typename T> T* find(const char* name) {
        T* widget = window().findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* button) { find<QPushButton>(button)->click(); }
    QTreeWidget* tree() { return find<QTreeWidget>("TreeView1"); }
    QListWidget* list() { return find<QListWidget>("ListBoxSiteSelection"); }
    void selectTreeNode(int category, int site = -1) {
        QTreeWidgetItem* node = tree()->topLevelItem(category);
        if (site >= 0)
            node = node->child(site);
        tree()->setCurrentItem(node);
    }
    void add(int category, int site) {
        selectTreeNode(category, site);
        click("cmdAddSite");
    }
    std::vector<std::string> shown() {
        std::vector<std::string> items;
        for (int i = 0; i < list()->count(); ++i)
            items.push_back(list()->item(i)->text().toStdString());
        return items;
    }
    void createNeighbours() {
        frmWizardWelcome = new TfrmWizardWelcome();
        frmLayout = new TfrmLayout();
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    HelpCallLog help;
    std::unique_ptr<TfrmSetup> form;
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(SetupWindow, HasItsCaptionSizeBorderAndStaysOnTop) {
    EXPECT_EQ(window().windowTitle(), "Nimbrel Web Page Selection");
    EXPECT_EQ(window().size(), QSize(526, 428));
    EXPECT_EQ(window().minimumSize(), window().maximumSize()) << "fixed border";
    EXPECT_TRUE(window().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window().windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window().font().family(), "Arial");
    EXPECT_FALSE(window().isVisible()) << "created hidden";
    EXPECT_EQ(HelpContextOf(&window()), 1200) << "F1 opens the window's topic";
}

TEST_F(SetupWindow, HelpOpensTheSelectionTopic) {
    click("cmdHelp");
    const auto calls = help.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, folder.path() + "/Nimbrel.chm");
    EXPECT_EQ(calls[0].command, nimbrel::HH_HELP_CONTEXT);
    EXPECT_EQ(calls[0].data, 1200u);
}

// The selection page stands between the other wizard pages: its buttons look like theirs.
TEST_F(SetupWindow, ButtonsHaveTheFontOfTheOtherWizardPages) {
    createNeighbours();
    const std::pair<const char*, const char*> twins[] = {{"cmdHelp", "cmdHelp"},
                                                         {"Button3", "cmdBack"},
                                                         {"Button1", "cmdNext"},
                                                         {"cmdClose", "cmdClose"}};
    for (const auto& [mine, theirs] : twins) {
        const QFont font = find<QPushButton>(mine)->font();
        EXPECT_EQ(font, frmLayout->findChild<QPushButton*>(theirs)->font()) << mine;
        EXPECT_EQ(font.family(), "Arial") << mine;
    }
    EXPECT_EQ(find<QPushButton>("Button1")->font(),
              frmWizardWelcome->findChild<QPushButton*>("Button1")->font());
}

TEST_F(SetupWindow, EveryControlHasItsNamePlaceAndText) {
    struct Control {
        const char* name;
        QRect place;
        const char* text;
    };
    const Control buttons[] = {{"cmdAddSite", {295, 167, 70, 20}, "Add"},
                               {"cmdRemove", {295, 196, 70, 20}, "Remove"},
                               {"cmdRemoveAll", {295, 225, 70, 20}, "Remove All"},
                               {"cmdLoad", {338, 343, 80, 20}, "Open"},
                               {"cmdSaveSelection", {428, 343, 80, 20}, "Save As"},
                               {"cmdHelp", {115, 394, 93, 23}, "Help"},
                               {"Button3", {217, 394, 93, 23}, "< Back"},
                               {"Button1", {319, 394, 93, 23}, "Next >"},
                               {"cmdClose", {421, 394, 93, 23}, "Close"}};
    for (const Control& c : buttons) {
        QPushButton* button = find<QPushButton>(c.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), c.place) << c.name;
        EXPECT_EQ(button->text().toStdString(), c.text);
    }
    EXPECT_TRUE(find<QPushButton>("Button1")->font().bold());

    QTextEdit* welcome = find<QTextEdit>("txtWelcome");
    EXPECT_EQ(welcome->geometry(), QRect(150, 10, 350, 20));
    EXPECT_EQ(welcome->toPlainText(), "Select web pages to view with the Nimbrel");
    EXPECT_TRUE(welcome->isReadOnly());
    EXPECT_TRUE(welcome->font().bold());
    EXPECT_EQ(welcome->font().pixelSize(), 13);
    QTextEdit* welcome1 = find<QTextEdit>("txtWelcome1");
    EXPECT_EQ(welcome1->geometry(), QRect(150, 52, 350, 63));
    EXPECT_EQ(welcome1->toPlainText(), "Web pages can be selected from the current category list.");
    EXPECT_EQ(welcome1->font().pixelSize(), 12);

    EXPECT_EQ(find<QLabel>("Label1")->text(), "Web Page Library");
    EXPECT_EQ(find<QLabel>("Label1")->pos(), QPoint(150, 127));
    EXPECT_EQ(find<QLabel>("Label2")->text(), "My Selection");
    EXPECT_EQ(find<QLabel>("Label2")->pos(), QPoint(370, 127));
    EXPECT_EQ(find<QFrame>("Bevel1")->geometry().topLeft(), QPoint(150, 40));
    EXPECT_EQ(find<QFrame>("Bevel1")->width(), 351);
    EXPECT_EQ(find<QFrame>("Bevel2")->geometry().topLeft(), QPoint(12, 377));
    EXPECT_EQ(find<QFrame>("Bevel2")->width(), 502);
    EXPECT_EQ(tree()->geometry(), QRect(150, 154, 140, 170));
    EXPECT_EQ(tree()->indentation(), 19);
    EXPECT_EQ(list()->geometry(), QRect(370, 154, 140, 170));
    EXPECT_EQ(list()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(SetupWindow, BannerIsLoadedAndSizesThePicture) {
    QLabel* image = find<QLabel>("Image1");
    EXPECT_EQ(image->pos(), QPoint(10, 10));
    EXPECT_FALSE(image->pixmap().isNull());
    EXPECT_EQ(image->size(), QSize(100, 300));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(SetupWindow, MissingBannerIsReportedAndTheWindowStillWorks) {
    std::filesystem::remove(folder.file("icons/banner_vert1.jpg"));
    window();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "Cannot open file " + folder.path() + "/icons/banner_vert1.jpg");
    EXPECT_EQ(tree()->topLevelItemCount(), 2);
    EXPECT_EQ(window().HelpContext(), 1200);
}

TEST_F(SetupWindow, TreeShowsCategoriesWithTheirSites) {
    ASSERT_EQ(tree()->topLevelItemCount(), 2);
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), "News");
    ASSERT_EQ(tree()->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(tree()->topLevelItem(0)->child(1)->text(0), "Weather");
    EXPECT_EQ(tree()->topLevelItem(1)->text(0), "Local");
    EXPECT_EQ(tree()->topLevelItem(1)->child(0)->childCount(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SetupWindow, MissingLibraryShowsTheMessageAndAnEmptyTree) {
    std::filesystem::remove(folder.file("Categories.xml"));
    window();
    EXPECT_EQ(dialogs.messages,
              Strings{"Categories.xml could not be found, please reinstall Nimbrel"});
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(window().SaveDialogFolder(), "");
    EXPECT_EQ(HelpContextOf(&window()), 0) << "the window's topic stays unset";
    click("cmdHelp");
    ASSERT_EQ(help.calls().size(), 1u);
    EXPECT_EQ(help.calls()[0].data, 1200u) << "the Help button still asks for its topic";

    // Entries already in the list become error cells; nothing else breaks.
    folder.write("setup.nml", "News->Daily\r\n\r\n");
    window().LoadCurrentSetup();
    click("Button1");
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_NE(folder.read("setup.xml").find("<td><Error/></td>"), std::string::npos);
}

// A typo in Categories.xml: the tree is empty, so every entry would become an error cell. No
// button rewrites setup.xml from it; each says why, and the list itself is still saved.
TEST_F(SetupWindow, MalformedLibraryNeverRewritesSetupXml) {
    createNeighbours();
    folder.write("Categories.xml", "<Library><Category Name=\"News\">");
    const std::string kept = "<Layout><table><tr><td><site Name=\"Daily\"/></td></tr></table>"
                             "</Layout>";
    folder.write("setup.xml", kept);
    folder.write("setup.nml", "News->Daily\r\nLocal->Weather\r\n\r\n");
    folder.write("Profile/other.nms", "Local->Weather\r\n\r\n");
    window();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].rfind("Categories.xml could not be read: ", 0), 0u);
    EXPECT_NE(dialogs.messages[0].find("can be edited"), std::string::npos) << dialogs.messages[0];
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    window().LoadCurrentSetup();
    EXPECT_EQ(folder.read("setup.xml"), kept) << "opening refreshes nothing from it";

    const std::function<void()> writers[] = {
        [&] { click("Button1"); },
        [&] {
            dialogs.setNextAnswer(true);
            click("cmdClose");
        },
        [&] {
            dialogs.setNextFileName(folder.file("Profile/saved.nms"));
            click("cmdSaveSelection");
        },
        [&] {
            dialogs.setNextFileName(folder.file("Profile/other.nms"));
            click("cmdLoad");
        },
    };
    for (const auto& write : writers) {
        dialogs.messages.clear();
        window().show();
        delete list()->takeItem(0); // a change to save
        write();
        EXPECT_EQ(folder.read("setup.xml"), kept);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].rfind("setup.xml was left as it was", 0), 0u);
        EXPECT_TRUE(dialogs.errors.empty());
    }
    EXPECT_EQ(folder.read("Profile/saved.nms"), "\r\n");
    EXPECT_EQ(folder.read("setup.nml"), "\r\n") << "the list itself is saved";
    EXPECT_TRUE(frmLayout->isVisible()) << "Next still goes on";
}

// A URL corrected in Categories.xml reaches setup.xml, which the download reads, when the window
// opens after the next start; what is selected never changes on the way.
TEST_F(SetupWindow, OpeningRefreshesTheSelectionsCopiesFromTheLibrary) {
    const auto row = [](const std::string& cells) {
        return "<Layout><table><tr>" + cells + "</tr></table></Layout>";
    };
    const std::string daily = "<td><site Name=\"Daily\" URL=\"old.example/daily\"/></td>";
    const std::string weather = "<td><site Name=\"Weather\" URL=\"old.example/weather\"/></td>";
    const std::string gone = "<td><site Name=\"Gone\" URL=\"old.example/gone\"/></td>";
    const struct {
        const char* nml;
        std::string xml;
        std::vector<const char*> urls; // in setup.xml afterwards; empty: left as it was
    } cases[] = {
        {"News->Daily\r\nLocal->Weather\r\n",
         row(daily + weather),
         {"news.example/daily", "local.example/weather"}},
        {"News->Daily\r\nNews->Gone\r\n",
         row(daily + gone),
         {"news.example/daily", "old.example/gone"}}, // the library lost it: the copy stays
        {"News->Daily\r\nNews->Weather\r\n",
         row(daily + "<td><Error/></td>"),
         {"news.example/daily", "news.example/weather"}},
        {"News->Daily\r\n", row(daily + weather), {}}, // an opened selection, not saved
        {"Local->Weather\r\nNews->Daily\r\n", row(daily + weather), {}},
        {"News->Daily\r\n", "<Layout><table><tr>" + daily, {}}, // malformed
    };
    for (const auto& c : cases) {
        folder.write("setup.nml", c.nml);
        folder.write("setup.xml", c.xml);
        window().LoadCurrentSetup();
        const std::string after = folder.read("setup.xml");
        if (c.urls.empty()) {
            EXPECT_EQ(after, c.xml) << c.nml;
            continue;
        }
        nimbrel::msxml::XmlDocument saved = nimbrel::msxml::XmlDocument::Create();
        saved.load(folder.file("setup.xml"));
        const auto urls = saved.selectNodes("//td/site/@URL");
        ASSERT_EQ(urls.length(), static_cast<long>(c.urls.size())) << after;
        for (long i = 0; i < urls.length(); ++i)
            EXPECT_EQ(urls.item(i).text(), c.urls[static_cast<size_t>(i)]) << after;
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SetupWindow, AddAppendsCategoryArrowSiteAndAllowsRepeats) {
    add(1, 0);
    add(0, 1);
    add(1, 0);
    EXPECT_EQ(shown(), (Strings{"Local->Weather", "News->Weather", "Local->Weather"}));
}

TEST_F(SetupWindow, AddWithACategoryOrNothingSelectedAddsNothing) {
    click("cmdAddSite");
    selectTreeNode(0);
    click("cmdAddSite");
    EXPECT_EQ(list()->count(), 0);
}

TEST_F(SetupWindow, RemoveTakesEverySelectedEntryAndKeepsTheOthersInOrder) {
    for (int i = 0; i < 2; ++i) {
        add(0, 0);
        add(0, 1);
        add(1, 0);
    }
    click("cmdRemove");
    EXPECT_EQ(list()->count(), 6) << "nothing selected removes nothing";
    list()->item(0)->setSelected(true);
    list()->item(2)->setSelected(true);
    list()->item(5)->setSelected(true);
    click("cmdRemove");
    EXPECT_EQ(shown(), (Strings{"News->Weather", "News->Daily", "News->Weather"}));
    click("cmdRemoveAll");
    EXPECT_EQ(list()->count(), 0);
}

TEST_F(SetupWindow, CloseAnsweredNoHidesWithoutWritingAndKeepsTheList) {
    folder.write("setup.nml", "Local->Weather\r\n\r\n");
    window().LoadCurrentSetup();
    window().show();
    add(0, 0);
    dialogs.setNextAnswer(false);
    click("cmdClose");
    EXPECT_EQ(dialogs.questions, Strings{"Save the current web page list ?"});
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(folder.exists("setup.xml"));
    EXPECT_EQ(folder.read("setup.nml"), "Local->Weather\r\n\r\n");
    EXPECT_EQ(shown(), (Strings{"Local->Weather", "News->Daily"}));
    window().LoadCurrentSetup();
    EXPECT_EQ(shown(), Strings{"Local->Weather"});
}

TEST_F(SetupWindow, CloseAnsweredYesWritesBothFiles) {
    window().show();
    add(1, 0);
    dialogs.setNextAnswer(true);
    click("cmdClose");
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(folder.read("setup.nml"), "Local->Weather\r\n\r\n");
    EXPECT_NE(folder.read("setup.xml").find("local.example/weather"), std::string::npos);
}

TEST_F(SetupWindow, LoadCurrentSetupWithoutSetupNmlKeepsTheList) {
    add(0, 0);
    window().LoadCurrentSetup();
    EXPECT_EQ(shown(), Strings{"News->Daily"});
    folder.write("setup.nml", "\r\nLocal->Weather\r\n\r\nNews->Weather\r\n\r\n");
    EXPECT_TRUE(QMetaObject::invokeMethod(&window(), "LoadCurrentSetup"));
    EXPECT_EQ(shown(), (Strings{"Local->Weather", "News->Weather"}));
}

TEST_F(SetupWindow, BackNeverWritesAndShowsTheWelcomePageInPlace) {
    createNeighbours();
    window().move(40, 60);
    window().show();
    add(0, 0);
    click("Button3");
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(frmWizardWelcome->isVisible());
    EXPECT_EQ(frmWizardWelcome->pos(), window().pos());
    EXPECT_FALSE(folder.exists("setup.nml"));
    EXPECT_FALSE(folder.exists("setup.xml"));
}

TEST_F(SetupWindow, NextWritesEvenAnEmptyListAndShowsTheLayoutPage) {
    createNeighbours();
    window().move(30, 20);
    window().show();
    click("Button1");
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(frmLayout->isVisible());
    EXPECT_EQ(frmLayout->pos(), window().pos());
    EXPECT_EQ(folder.read("setup.nml"), "\r\n");
    nimbrel::msxml::XmlDocument saved = nimbrel::msxml::XmlDocument::Create();
    saved.load(folder.file("setup.xml"));
    EXPECT_EQ(saved.parseError().reason, "");
    EXPECT_EQ(saved.selectNodes("//tr").length(), 1);
    EXPECT_EQ(saved.selectNodes("//td").length(), 0);
}

TEST_F(SetupWindow, NextThatCannotWriteShowsTheErrorStaysAndKeepsOldFiles) {
    createNeighbours();
    folder.write("setup.nml", "News->Daily\r\n\r\n");
    std::filesystem::create_directory(folder.file("setup.xml"));
    folder.write("setup.xml/keep", "x");
    window().show();
    add(1, 0);
    click("Button1");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(window().isVisible());
    EXPECT_FALSE(frmLayout->isVisible());
    EXPECT_EQ(folder.read("setup.xml/keep"), "x");
    EXPECT_EQ(shown(), Strings{"Local->Weather"});
}

TEST_F(SetupWindow, SaveAsWritesTheChosenFileAndBothSelectionFiles) {
    add(0, 1);
    add(1, 0);
    const std::string chosen = folder.file("Profile/mine.nms");
    dialogs.setNextFileName(chosen);
    click("cmdSaveSelection");
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].defaultExtension, ".nms");
    EXPECT_EQ(dialogs.fileRequests[0].initialFolder, folder.path() + "/Profile/");
    const std::string lines = "News->Weather\r\nLocal->Weather\r\n\r\n";
    EXPECT_EQ(ReadBytes(chosen), lines);
    EXPECT_EQ(folder.read("setup.nml"), lines);
    EXPECT_NE(folder.read("setup.xml").find("news.example/weather"), std::string::npos);
}

TEST_F(SetupWindow, CancelledDialogsChangeNothing) {
    add(0, 0);
    click("cmdSaveSelection");
    click("cmdLoad");
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[1].initialFolder, folder.path() + "/Profile/")
        << "Open starts where Save As puts files";
    EXPECT_EQ(shown(), Strings{"News->Daily"});
    EXPECT_FALSE(folder.exists("setup.nml"));
    EXPECT_FALSE(folder.exists("setup.xml"));
}

TEST_F(SetupWindow, OpenThenCloseNoLeavesXmlWithOpenedListAndNmlWithTheEarlierOne) {
    folder.write("setup.nml", "News->Daily\r\n\r\n");
    folder.write("Profile/other.NML", "Local->Weather\r\n\r\nNews->Gone\r\n\r\n");
    window().LoadCurrentSetup();
    dialogs.setNextFileName(folder.file("Profile/other.NML"));
    click("cmdLoad");
    EXPECT_EQ(shown(), (Strings{"Local->Weather", "News->Gone"}));
    dialogs.setNextAnswer(false);
    click("cmdClose");
    EXPECT_EQ(folder.read("setup.nml"), "News->Daily\r\n\r\n");
    const std::string xml = folder.read("setup.xml");
    EXPECT_NE(xml.find("local.example/weather"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<Error/>"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("news.example/daily"), std::string::npos) << xml;
}

TEST_F(SetupWindow, OpenOfAnUnreadableFileReportsAndKeepsTheList) {
    add(0, 0);
    dialogs.setNextFileName(folder.file("Profile/none.nms"));
    click("cmdLoad");
    EXPECT_EQ(dialogs.errors, Strings{"File not found: " + folder.file("Profile/none.nms")});
    EXPECT_EQ(shown(), Strings{"News->Daily"});
    EXPECT_FALSE(folder.exists("setup.xml"));
}

TEST_F(SetupWindow, EntriesKeepTheirBytesFromFileToFile) {
    const std::string latin1 = "Caf\xe9->Men\xfc\r\nNews->Daily\r\n\r\n";
    folder.write("Profile/old.nms", latin1);
    dialogs.setNextFileName(folder.file("Profile/old.nms"));
    click("cmdLoad");
    click("Button1");
    EXPECT_EQ(folder.read("setup.nml"), latin1);
}

TEST_F(SetupWindow, DialogFilterListsBothExtensionsInAnyLetterCase) {
    click("cmdLoad");
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const QString filter = QString::fromStdString(dialogs.fileRequests[0].filter);
    const QStringList parts = filter.split('|');
    ASSERT_EQ(parts.size(), 2);
    EXPECT_TRUE(parts[0].startsWith("Site Selection files"));
    EXPECT_EQ(dialogs.fileRequests[0].defaultExtension, ".nms");
    const auto matches = [&](const char* name) {
        for (const QString& pattern : parts[1].split(';'))
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                    .match(name)
                    .hasMatch())
                return true;
        return false;
    };
    for (const char* name : {"a.nml", "a.NML", "a.Nml", "a.nms", "a.NMS", "a.nMs"})
        EXPECT_TRUE(matches(name)) << name;
    for (const char* name : {"a.xml", "a.nmo", "nms", "a.nms.bak"})
        EXPECT_FALSE(matches(name)) << name;
}

// The window stays on top of the others; each dialog of its own comes up in front of it, the
// modal ones owned by it even while another window is the active one.
TEST_F(SetupWindow, ItsDialogsComeUpInFrontOfIt) {
    QWidget elsewhere; // the window that was active, as the main window is for its Open
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    window().show();
    QtDialogs qtDialogs;
    nimbrel::SetDialogs(&qtDialogs);
    struct Seen {
        QWidget* owner = nullptr;
        bool onTop = false;
    };
    // Notes who owns the modal dialog the button brings up, then cancels it (No for a question).
    const auto modalOf = [&](const char* button) {
        Seen seen;
        QTimer::singleShot(0, [&] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal) {
                ADD_FAILURE() << "no modal dialog";
                return;
            }
            seen = {modal->parentWidget(), modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint)};
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                box->button(QMessageBox::No)->click();
            else
                modal->reject();
        });
        click(button);
        return seen;
    };
    for (const char* button : {"cmdLoad", "cmdSaveSelection", "cmdClose"}) {
        SCOPED_TRACE(button);
        window().show();
        const Seen seen = modalOf(button);
        EXPECT_EQ(seen.owner, &window());
        EXPECT_TRUE(seen.onTop);
    }
    window().show();
    click("cmdNewSite");
    auto* newSite = window().findChild<QDialog*>("frmNewSite");
    ASSERT_NE(newSite, nullptr);
    EXPECT_TRUE(newSite->isVisible());
    EXPECT_TRUE(newSite->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    delete newSite;
    nimbrel::SetDialogs(&dialogs);
}
