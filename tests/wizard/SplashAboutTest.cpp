#include "WizardFixture.h"

#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "app/hh_funcs.h"
#include "platform/Halt.h"
#include "wizard/about.h"
#include "wizard/splash.h"
#include "wizard/welcome.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <memory>

using namespace nimbrel::test;

namespace {

using SplashAboutTest = WizardTest;

TEST_F(SplashAboutTest, FirstStartLeadsFromTheSplashToTheWelcomePage) {
    CreateWindows();
    ASSERT_TRUE(frmSplash->isVisible());
    frmWizardWelcome->move(150, 120);
    Click(frmSplash, "Button1");
    EXPECT_FALSE(frmSplash->isVisible());
    EXPECT_EQ(VisiblePages(), std::vector<std::string>{"frmWizardWelcome"});
    EXPECT_EQ(frmWizardWelcome->pos(), QPoint(150, 120));
    // Continuing does not start the poller; only the system's close does.
    EXPECT_EQ(host.count("timers"), 0);
    EXPECT_FALSE(frmMain->TDLMessage->isActive());
}

TEST_F(SplashAboutTest, StartWithAnOptionFileShowsNoWizardPage) {
    folder.write("options.nmo", "Interval:900\r\nAutoView:True\r\n");
    CreateWindows();
    Click(frmSplash, "Button1");
    EXPECT_FALSE(frmSplash->isVisible());
    EXPECT_EQ(VisiblePages(), std::vector<std::string>{});
}

TEST_F(SplashAboutTest, ClosingTheSplashEnablesTheMainWindowsTimers) {
    CreateWindows();
    frmMain->DownloadTimer->stop();
    frmSplash->close();
    EXPECT_FALSE(frmSplash->isVisible());
    EXPECT_EQ(host.count("timers"), 1);
    EXPECT_TRUE(frmMain->DownloadTimer->isActive());
    EXPECT_TRUE(frmMain->TDLMessage->isActive());
    EXPECT_EQ(VisiblePages(), std::vector<std::string>{});
}

TEST_F(SplashAboutTest, MissingHelpEndsTheProgramWhileEitherWindowIsCreated) {
    HaltRecorder halt;
    nimbrel::UnloadHtmlHelp();
    nimbrel::test::SetHtmlHelpControlPath(folder.file("nimbrel-helpviewer.so"));
    EXPECT_THROW(TfrmSplash splash, nimbrel::HaltRequested);
    EXPECT_THROW(TfrmAbout about, nimbrel::HaltRequested);
    UseRecordingHelpModule(); // for the windows of later tests
    EXPECT_EQ(halt.count, 2);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>(2, "HTML Help is not installed on this PC."));
}

TEST_F(SplashAboutTest, AboutShowsProductVersionAndLicenceAndHidesOnContinue) {
    CreateWindows();
    EXPECT_FALSE(frmAbout->isVisible());
    frmMain->findChild<QAction*>("About1")->trigger();
    EXPECT_TRUE(frmAbout->isVisible());
    EXPECT_EQ(frmAbout->lblHeading->text(), "Nimbrel");
    EXPECT_EQ(frmAbout->lblLines[0]->text(), QString("Version ") + NIMBREL_VERSION);
    EXPECT_TRUE(frmAbout->lblLines[2]->text().startsWith("Copyright \u00A9"));
    EXPECT_TRUE(frmAbout->lblLines[2]->text().endsWith("GNU GPL 3 or later"));
    for (QLabel* line : frmAbout->lblLines) {
        EXPECT_FALSE(line->text().isEmpty());
        EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->width())
            << line->text().toStdString() << " fits its line";
    }
    EXPECT_EQ(frmAbout->Image1->pixmap().size(), QSize(366, 60));
    frmAbout->show();
    Click(frmAbout, "Button1");
    EXPECT_FALSE(frmAbout->isVisible());
}

TEST_F(SplashAboutTest, F1InTheSplashOrAboutWindowOpensNothing) {
    CreateWindows();
    frmAbout->show();
    for (QWidget* window : {(QWidget*)frmSplash, (QWidget*)frmAbout}) {
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(window, &f1);
    }
    EXPECT_EQ(HelpTopics(), std::vector<int>{});
}

TEST_F(SplashAboutTest, SplashHasTheWideItalicContinueButtonAndTheBanner) {
    CreateWindows();
    EXPECT_EQ(frmSplash->Button1->size(), QSize(307, 29));
    EXPECT_TRUE(frmSplash->Button1->font().italic());
    EXPECT_EQ(frmSplash->Image1->pixmap().size(), QSize(366, 60));
    EXPECT_FALSE(frmSplash->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(frmSplash->windowFlags() & Qt::WindowStaysOnTopHint);
}

} // namespace
