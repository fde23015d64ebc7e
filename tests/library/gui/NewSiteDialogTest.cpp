// The selection window's New Site dialog and rule editor, driven offscreen against a server on
// 127.0.0.1, on a copy of the shipped program folder: a feed is added as it is found, a page's
// feeds are picked from, a page without one is cut by a rule written in the editor, whose
// preview follows the markers and whose saved rule cuts the same pieces in a real cycle.
#include "library/gui/NewSiteDialog.h"
#include "app/gui/AppHelp.h"
#include "components/HttpFetch.h"
#include "guisupport/GuiTestSupport.h"
#include "library/gui/RuleEditor.h"
#include "library/gui/setup.h"
#include "pipeline/SiteFiles.h"
#include "support/HelpCallLog.h"
#include "support/HttpTestServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <memory>

using namespace nimbrel::test;

namespace {

const char* const kFeed = "<rss version=\"2.0\"><channel><title>Town Crier</title><item><title>"
                          "Bells at noon</title><link>http://town.example/bells</link></item>"
                          "</channel></rss>";
const char* const kAtom = "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Second</title>"
                          "</feed>";

std::string PageWith(const std::string& head, const std::string& body = "") {
    return "<!DOCTYPE html><html><head><title>Market Square</title>" + head + "</head><body>" +
           body + "</body></html>";
}

std::string FeedLink(const std::string& href, const std::string& type = "rss") {
    return "<link rel=\"alternate\" type=\"application/" + type + "+xml\" href=\"" + href + "\">";
}

const char* const kStalls = "<ul><li class=\"stall\"><a href=\"/apples\">Apples</a></li>"
                            "<li class=\"stall\"><a href=\"pears.html\">Pears</a></li>"
                            "<li class=\"stall\">Closed today</li></ul>";

class NewSiteDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CopyShippedData(folder);
        WriteBanner(folder);
        nimbrel::test::SetDefaultHttpBounds({5, 1024, 3, 20});
        server.route("/feed.rss", HttpRoute::Body(kFeed).withContentType("text/plain"));
        server.route("/second.atom", HttpRoute::Body(kAtom));
        server.route("/home/", HttpRoute::Body(PageWith(FeedLink("../feed.rss"))));
        server.route("/two.html", HttpRoute::Body(PageWith(FeedLink("/feed.rss") +
                                                           FeedLink("/second.atom", "atom"))));
        server.route("/market.html", HttpRoute::Body(PageWith("", kStalls)));
        setup = std::make_unique<TfrmSetup>();
    }
    void TearDown() override {
        setup.reset();
        nimbrel::test::SetDefaultHttpBounds({});
    }

    TfrmNewSite* OpenDialog() {
        setup->findChild<QPushButton*>("cmdNewSite")->click();
        auto* dialog = setup->findChild<TfrmNewSite*>("frmNewSite");
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    template <typename T> T* In(QWidget* window, const char* name) {
        T* widget = window->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Find(TfrmNewSite* dialog, const std::string& address) {
        In<QLineEdit>(dialog, "txtAddress")->setText(QString::fromStdString(address));
        In<QPushButton>(dialog, "cmdFind")->click();
        EXPECT_TRUE(In<QProgressBar>(dialog, "prgFind")->isVisibleTo(dialog));
        ASSERT_TRUE(WaitIdle(dialog));
    }
    bool WaitIdle(TfrmNewSite* dialog) {
        return WaitUntil([&] { return In<QPushButton>(dialog, "cmdFind")->isEnabled(); });
    }
    std::string Status(QWidget* window, const char* label = "lblStatus") {
        return In<QLabel>(window, label)->text().toStdString();
    }
    std::vector<std::string> Selection() { return setup->Entries(); }
    bool Closed(const char* name) {
        return WaitUntil([&] { return setup->findChild<QWidget*>(name) == nullptr; });
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    HelpCallLog help;
    HttpTestServer server;
    std::unique_ptr<TfrmSetup> setup;
};

TEST_F(NewSiteDialogTest, TheButtonSitsUnderTheLibraryAndTheDialogHasItsHelp) {
    auto* button = setup->findChild<QPushButton*>("cmdNewSite");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), QRect(150, 343, 80, 20));
    EXPECT_EQ(button->text(), "New Site...");
    TfrmNewSite* dialog = OpenDialog();
    EXPECT_EQ(HelpContextOf(In<QLineEdit>(dialog, "txtAddress")), 1210) << "F1 in the dialog";
    In<QPushButton>(dialog, "cmdHelp")->click();
    ASSERT_EQ(help.calls().size(), 1u);
    EXPECT_EQ(help.calls()[0].data, 1210u);
    EXPECT_EQ(In<QComboBox>(dialog, "cboCategory")->currentText(), "My Sites");
    EXPECT_FALSE(In<QPushButton>(dialog, "cmdAdd")->isEnabled());
}

TEST_F(NewSiteDialogTest, AFeedFoundThroughAPageIsAddedToTheLibraryTreeAndSelection) {
    TfrmNewSite* dialog = OpenDialog();
    Find(dialog, server.hostPort() + "/home/");
    ASSERT_EQ(In<QListWidget>(dialog, "lstFeeds")->count(), 1);
    In<QListWidget>(dialog, "lstFeeds")->setCurrentRow(0);
    ASSERT_TRUE(WaitIdle(dialog));
    EXPECT_NE(Status(dialog).find("Found an RSS feed: \"Town Crier\""), std::string::npos);
    EXPECT_EQ(In<QLineEdit>(dialog, "txtName")->text(), "Town Crier");
    In<QComboBox>(dialog, "cboCategory")->setCurrentText("Local News");
    In<QPushButton>(dialog, "cmdAdd")->click();
    EXPECT_TRUE(Closed("frmNewSite"));

    EXPECT_EQ(Selection(), std::vector<std::string>{"Local News->Town Crier"});
    auto* tree = setup->findChild<QTreeWidget*>("TreeView1");
    QTreeWidgetItem* category = tree->topLevelItem(tree->topLevelItemCount() - 1);
    EXPECT_EQ(category->text(0), "Local News");
    EXPECT_EQ(category->child(0)->text(0), "Town Crier");
    EXPECT_NE(folder.read("Categories.xml")
                  .find("<site Name=\"Town Crier\" URL=\"" + server.url("/feed.rss") +
                        "\" Type=\"rss\" StyleSheet=\"feed.xslt\" RipFile=\"feed.xml\"/>"),
              std::string::npos);
}

TEST_F(NewSiteDialogTest, OfTwoFeedsThePersonPicksOneAndTakenNamesAreRefused) {
    TfrmNewSite* dialog = OpenDialog();
    Find(dialog, server.url("/two.html"));
    auto* feeds = In<QListWidget>(dialog, "lstFeeds");
    ASSERT_EQ(feeds->count(), 2);
    EXPECT_NE(Status(dialog).find("names 2 feeds"), std::string::npos);
    feeds->setCurrentRow(1);
    ASSERT_TRUE(WaitIdle(dialog));
    EXPECT_EQ(In<QLineEdit>(dialog, "txtName")->text(), "Second");
    In<QLineEdit>(dialog, "txtName")->setText("BBC News");
    In<QComboBox>(dialog, "cboCategory")->setCurrentText("News");
    const std::string library = folder.read("Categories.xml");
    In<QPushButton>(dialog, "cmdAdd")->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("already holds a site named \"BBC News\""),
              std::string::npos);
    EXPECT_EQ(folder.read("Categories.xml"), library);
    In<QLineEdit>(dialog, "txtName")->setText("Second feed");
    In<QPushButton>(dialog, "cmdAdd")->click();
    EXPECT_EQ(Selection(), std::vector<std::string>{"News->Second feed"});
    EXPECT_NE(folder.read("Categories.xml").find("Type=\"atom\""), std::string::npos);
}

TEST_F(NewSiteDialogTest, UnreachableAddressesAreSaidAndAStalledFetchCanBeCancelled) {
    TfrmNewSite* dialog = OpenDialog();
    Find(dialog, "http://127.0.0.1:" + std::to_string(UnusedLocalPort()) + "/");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("Could not fetch"), std::string::npos);

    server.route("/stall", HttpRoute::Body(std::string(500, 'x')).stallAfter(5));
    In<QLineEdit>(dialog, "txtAddress")->setText(QString::fromStdString(server.url("/stall")));
    In<QPushButton>(dialog, "cmdFind")->click();
    ASSERT_TRUE(In<QPushButton>(dialog, "cmdCancel")->isEnabled());
    In<QPushButton>(dialog, "cmdCancel")->click();
    ASSERT_TRUE(WaitIdle(dialog));
    EXPECT_EQ(Status(dialog), "Cancelled.");
    EXPECT_EQ(dialogs.messages.size(), 1u) << "a cancel is no error";
    EXPECT_FALSE(In<QProgressBar>(dialog, "prgFind")->isVisibleTo(dialog));
}

TEST_F(NewSiteDialogTest, APageWithoutFeedIsCutByAnEditedRuleThatACycleCutsAlike) {
    TfrmNewSite* dialog = OpenDialog();
    Find(dialog, server.url("/market.html"));
    auto* editor = dialog->findChild<TfrmRuleEditor*>("frmRuleEditor");
    ASSERT_NE(editor, nullptr) << "a page without a feed opens the editor";
    EXPECT_EQ(HelpContextOf(editor), 1220);
    EXPECT_EQ(In<QLineEdit>(editor, "txtName")->text(), "Market Square");
    auto* pieces = In<QListWidget>(editor, "lstPieces");
    ASSERT_TRUE(WaitUntil([&] { return pieces->count() == 1; })) << "the title alone";

    In<QLineEdit>(editor, "txtStartMarker")->setText("<li class=\"stall\"");
    In<QLineEdit>(editor, "txtEndMarker")->setText("</li>");
    ASSERT_TRUE(WaitUntil([&] { return pieces->count() == 4; })) << Status(editor, "lblPreview");
    // The start marker is kept in the piece unless the box is cleared.
    EXPECT_EQ(pieces->item(1)->text(),
              "<div class=\"piece\"><li class=\"stall\"><a href=\"/apples\">Apples</a></div>");
    const QString block = In<QTextBrowser>(editor, "txtBlock")->toPlainText();
    EXPECT_TRUE(block.contains("Market Square")) << block.toStdString();
    EXPECT_TRUE(block.contains("Closed today"));

    In<QCheckBox>(editor, "chkTitle")->setChecked(false);
    ASSERT_TRUE(WaitUntil([&] { return pieces->count() == 3; }));
    std::vector<std::string> shown;
    for (int i = 0; i < pieces->count(); ++i)
        shown.push_back(pieces->item(i)->text().toStdString());

    In<QPushButton>(editor, "cmdSave")->click();
    EXPECT_TRUE(Closed("frmNewSite"));
    EXPECT_EQ(Selection(), std::vector<std::string>{"My Sites->Market Square"});
    ASSERT_TRUE(folder.exists("Rip/market-square.xml"));
    EXPECT_NE(folder.read("Categories.xml")
                  .find("URL=\"" + server.url("/market.html") +
                        "\" Type=\"html\" StyleSheet=\"pieces.xslt\" "
                        "RipFile=\"market-square.xml\""),
              std::string::npos);

    // The selection window writes the selection; a whole cycle then cuts what the preview showed.
    dialogs.setNextAnswer(true);
    setup->findChild<QPushButton*>("cmdClose")->click();
    const std::string command = "'" + std::string(NIMBREL_DIGEST_EXE) + "' --folder '" +
                                folder.path() + "' --quiet --no-open 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string expected;
    for (const std::string& piece : shown)
        expected += piece + "\r\n";
    EXPECT_EQ(folder.read("Work/" + nimbrel::PageFileName(server.url("/market.html"))), expected);
    EXPECT_NE(folder.read("site.html").find("Closed today"), std::string::npos);
}

} // namespace
