#include "WizardFixture.h"

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

void RecordingHost::RearmDownloadTimer() {
    calls.push_back("rearm " + std::to_string(IntervalSeconds()));
    MainWindowHost().RearmDownloadTimer();
}

void RecordingHost::SetupCommand() {
    // What the user would see when the command starts: the welcome page already gone.
    calls.push_back(frmWizardWelcome->isVisible() ? "setup (welcome shown)" : "setup");
    MainWindowHost().SetupCommand();
}

void RecordingHost::Refresh() {
    calls.push_back("refresh");
    MainWindowHost().Refresh();
}

void RecordingHost::EnableTimers() {
    calls.push_back("timers");
    MainWindowHost().EnableTimers();
}

int RecordingHost::count(const std::string& call) const {
    return int(std::count(calls.begin(), calls.end(), call));
}

WizardTest::WizardTest() {
    std::filesystem::copy_file(std::string(NIMBREL_SOURCE_DIR) + "/data/icons/banner_vert1.jpg",
                               folder.file("icons/banner_vert1.jpg"));
    WizardHostSlot::install(&host);
}

WizardTest::~WizardTest() {
    if (frmMain)
        DestroyForms();
    WizardHostSlot::install(nullptr);
}

void WizardTest::CreateWindows() {
    CreateForms();
    help.clear();
}

std::vector<int> WizardTest::HelpTopics() const {
    std::vector<int> topics;
    for (const HelpCall& call : help.calls())
        topics.push_back(int(call.data));
    return topics;
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
