#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "support/TestSupport.h"

#include <QWidget>
#include <gtest/gtest.h>

TEST(Forms, EveryWindowIsCreatedOnceAndOnlyTheMainWindowIsShown) {
    nimbrel::test::TempProgramFolder folder;
    CreateForms();
    ASSERT_NE(frmMain, nullptr);
    EXPECT_EQ(frmMain->windowTitle(), "Nimbrel");
    for (QWidget* w : {(QWidget*)frmSplash, (QWidget*)frmPreferences, (QWidget*)frmWizardWelcome,
                       (QWidget*)frmLayout, (QWidget*)frmSkins, (QWidget*)frmFinish,
                       (QWidget*)frmAbout, (QWidget*)frmSetup})
        ASSERT_NE(w, nullptr);
    DestroyForms();
    EXPECT_EQ(frmMain, nullptr);
}
