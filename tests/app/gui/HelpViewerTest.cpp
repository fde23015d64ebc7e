// The shipped help viewer module and the compiled help file, through the program's own help
// service: every topic number the windows use must open its own page.
#include "app/hh_funcs.h"
#include "support/HelpCallLog.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

#ifdef NIMBREL_HELP_VIEWER_MODULE

using namespace nimbrel;
using namespace nimbrel::test;

namespace {

QWidget* ViewerWindow() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == "HtmlHelpViewer")
            return window;
    return nullptr;
}

std::string ShownTitle() {
    QWidget* viewer = ViewerWindow();
    if (!viewer)
        return "(no viewer)";
    return viewer->findChild<QTextBrowser*>("HelpTopic")->documentTitle().toStdString();
}

class HelpViewer : public ::testing::Test {
  protected:
    HelpViewer() {
        std::filesystem::copy_file(NIMBREL_HELP_FILE, folder.file("Nimbrel.chm"));
        UnloadHtmlHelp();
        SetHtmlHelpControlPath(std::string(NIMBREL_HELP_VIEWER_MODULE));
        LoadHtmlHelp();
    }
    ~HelpViewer() override {
        CloseAllHelp();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        UnloadHtmlHelp();
        UseRecordingHelpModule();
    }
    TempProgramFolder folder;
};

TEST_F(HelpViewer, EveryWindowTopicOpensItsOwnPage) {
    ASSERT_TRUE(HtmlHelpLoaded());
    const std::pair<int, const char*> topics[] = {
        {1000, "The main window"},
        {1100, "Setup Wizard: Welcome"},
        {1200, "Choosing web pages"},
        {1210, "Adding a site of your own"},
        {1220, "Writing a rule for a page"},
        {1230, "Editing and repairing a site's rule"},
        {1300, "Setup Wizard: Layout"},
        {1400, "Setup Wizard: Skins"},
        {1500, "Preferences"},
        {1600, "Setup Wizard: Finish"},
        {1700, "Requesting a web page and suggestions"},
        {1800, "For developers"},
    };
    for (const auto& [topic, title] : topics) {
        ShowHelpContext(topic);
        EXPECT_EQ(ShownTitle(), title) << "topic " << topic;
        ASSERT_TRUE(ViewerWindow()->isVisible());
    }
}

TEST_F(HelpViewer, DefaultTopicAndUnknownNumbersShowTheFirstPage) {
    ShowHelpContext(1500);
    ShowHelpDefaultTopic();
    EXPECT_EQ(ShownTitle(), "Nimbrel Help");
    ShowHelpContext(4242);
    EXPECT_EQ(ShownTitle(), "Nimbrel Help");
    EXPECT_FALSE(ViewerWindow()->findChild<QTextBrowser*>("HelpTopic")->toPlainText().isEmpty());
}

// The contents list, once the viewer has read it.
QTreeView* Contents() {
    auto* contents = ViewerWindow()->findChild<QTreeView*>();
    QElapsedTimer clock;
    clock.start();
    while (contents && contents->model()->rowCount() == 0 && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return contents;
}

QModelIndex TopicIndex(QTreeView* contents, const QString& title) {
    const QModelIndexList found =
        contents->model()->match(contents->model()->index(0, 0), Qt::DisplayRole, title, 1,
                                 Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

std::string Highlighted(QTreeView* contents) {
    return contents->currentIndex().data().toString().toStdString();
}

void ClickOn(QTreeView* contents, const QModelIndex& index) {
    const QPoint at = contents->visualRect(index).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, at, contents->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(contents->viewport(), &click);
    }
}

// The contents list marks the topic on show, whichever way it came; one click on a topic shows
// it; the title names the product once and then the topic.
TEST_F(HelpViewer, ContentsFollowTheShownTopicAndOneClickShowsATopic) {
    ShowHelpContext(1200);
    QTreeView* contents = Contents();
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(Highlighted(contents), "Choosing web pages");
    for (const auto& [topic, title] : {std::pair{1500, "Preferences"}, {1000, "The main window"}}) {
        ShowHelpContext(topic);
        EXPECT_EQ(Highlighted(contents), title);
        EXPECT_EQ(ViewerWindow()->windowTitle().toStdString(),
                  std::string("Nimbrel Help - ") + title);
    }
    const QModelIndex skins = TopicIndex(contents, "Setup Wizard: Skins");
    ASSERT_TRUE(skins.isValid());
    ClickOn(contents, skins);
    EXPECT_EQ(ShownTitle(), "Setup Wizard: Skins");
    EXPECT_EQ(Highlighted(contents), "Setup Wizard: Skins");
    ShowHelpDefaultTopic();
    EXPECT_EQ(ViewerWindow()->windowTitle(), "Nimbrel Help");
    EXPECT_EQ(Highlighted(contents), "Nimbrel Help");
}

TEST_F(HelpViewer, CloseAllClosesTheViewer) {
    ShowHelpContext(1000);
    ASSERT_NE(ViewerWindow(), nullptr);
    CloseAllHelp();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ViewerWindow(), nullptr);
    ShowHelpContext(1200); // a fresh window after closing
    EXPECT_EQ(ShownTitle(), "Choosing web pages");
}

// Help asked for while a window kept on top of the others is on screen (the selection window)
// comes up in front of it; the whole window fits the screen, frame and all.
TEST_F(HelpViewer, OpensFullyOnScreenAndInFrontOfAWindowKeptOnTop) {
    QWidget selection;
    selection.setWindowFlag(Qt::WindowStaysOnTopHint);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const bool onTop : {true, false, true}) {
        SCOPED_TRACE(onTop);
        selection.setVisible(onTop);
        ShowHelpContext(1200);
        QWidget* viewer = ViewerWindow();
        ASSERT_NE(viewer, nullptr);
        EXPECT_TRUE(viewer->isVisible());
        EXPECT_EQ(viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        EXPECT_TRUE(area.contains(viewer->frameGeometry()))
            << viewer->frameGeometry().width() << "x" << viewer->frameGeometry().height();
    }
}

TEST_F(HelpViewer, MissingHelpFileIsReportedInTheViewer) {
    std::filesystem::remove(folder.file("Nimbrel.chm"));
    ShowHelpContext(1000);
    ASSERT_NE(ViewerWindow(), nullptr);
    const QString text = ViewerWindow()->findChild<QTextBrowser*>("HelpTopic")->toPlainText();
    EXPECT_TRUE(text.contains("cannot be opened")) << text.toStdString();
}

} // namespace

#endif
