#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "guisupport/GuiTestSupport.h"
#include "library/gui/setup.h"
#include "support/TestSupport.h"
#include "wizard/Finish.h"
#include "wizard/Layout.h"
#include "wizard/Preferences.h"
#include "wizard/Skins.h"
#include "wizard/about.h"
#include "wizard/splash.h"
#include "wizard/welcome.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include <set>

// At start the main window and the splash greeting are on screen; every other window is made
// hidden and waits to be shown, and nothing else (a message box, a stray window) appears.
TEST(Forms, EveryWindowIsCreatedAndOnlyTheMainAndSplashWindowsAreShown) {
    nimbrel::test::TempProgramFolder folder;
    nimbrel::test::WriteBanner(folder);
    folder.write("Categories.xml", "<Library/>");
    nimbrel::test::ScriptedDialogs dialogs;
    CreateForms();
    ASSERT_NE(frmMain, nullptr);
    EXPECT_EQ(frmMain->windowTitle(), "Nimbrel");
    const std::set<QWidget*> windows = {frmMain,          frmSplash, frmPreferences,
                                        frmWizardWelcome, frmLayout, frmSkins,
                                        frmFinish,        frmAbout,  frmSetup};
    EXPECT_EQ(windows.size(), 9u);
    EXPECT_EQ(windows.count(nullptr), 0u);
    std::set<QWidget*> shown;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            shown.insert(window);
    EXPECT_EQ(shown, (std::set<QWidget*>{frmMain, frmSplash}));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());
    DestroyForms();
    EXPECT_EQ(frmMain, nullptr);
}
