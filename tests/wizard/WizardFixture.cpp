#include "WizardFixture.h"

#include "app/Options.h"
#include "app/gui/Forms.h"
#include "library/gui/setup.h"
#include "wizard/Finish.h"
#include "wizard/Layout.h"
#include "wizard/Preferences.h"
#include "wizard/Skins.h"
#include "wizard/welcome.h"

#include <QApplication>
#include <algorithm>
#include <filesystem>

namespace nimbrel::test {

void RecordingHost::DropFetchThread() {
    calls.push_back(frmSetup && frmSetup->isVisible() ? "drop (selection shown)" : "drop");
}

void RecordingHost::ReloadSelection() {
    calls.push_back(frmSetup && frmSetup->isVisible() ? "reload (selection shown)" : "reload");
}

int RecordingHost::count(const std::string& call) const {
    return int(std::count(calls.begin(), calls.end(), call));
}

WizardTest::WizardTest() {
    std::filesystem::copy_file(std::string(NIMBREL_SOURCE_DIR) + "/data/icons/banner_vert1.jpg",
                               folder.file("icons/banner_vert1.jpg"));
    SetHost(&host);
}

WizardTest::~WizardTest() {
    if (frmMain)
        DestroyForms();
    SetHost(nullptr);
}

void WizardTest::CreateWindows() {
    LoadOptionsFile(OptionFilePath(), host.interval, host.autoView);
    CreateForms();
}

void WizardTest::RemoveBanner() {
    std::filesystem::remove(folder.file("icons/banner_vert1.jpg"));
}

void WizardTest::Click(QWidget* window, const char* buttonName) {
    auto* button = window->findChild<QPushButton*>(buttonName);
    ASSERT_NE(button, nullptr) << buttonName << " in " << window->objectName().toStdString();
    ASSERT_TRUE(button->isEnabled()) << buttonName;
    button->click();
}

std::vector<std::string> WizardTest::VisiblePages() {
    std::vector<std::string> names;
    for (QWidget* page : {(QWidget*)frmWizardWelcome, (QWidget*)frmSetup, (QWidget*)frmLayout,
                          (QWidget*)frmSkins, (QWidget*)frmPreferences, (QWidget*)frmFinish})
        if (page && page->isVisible())
            names.push_back(page->objectName().toStdString());
    return names;
}

} // namespace nimbrel::test
