// The shipped help viewer module and the compiled help file, through the program's own help
// service: every topic number the windows use must open its own page.
#include "app/hh_funcs.h"
#include "support/HelpCallLog.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTextBrowser>
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

TEST_F(HelpViewer, CloseAllClosesTheViewer) {
    ShowHelpContext(1000);
    ASSERT_NE(ViewerWindow(), nullptr);
    CloseAllHelp();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ViewerWindow(), nullptr);
    ShowHelpContext(1200); // a fresh window after closing
    EXPECT_EQ(ShownTitle(), "Choosing web pages");
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
