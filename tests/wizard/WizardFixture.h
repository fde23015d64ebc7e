// A program folder with the wizard banner, scripted dialogs, a recording host in place of the
// main window's services, and the program's windows created in their start-up order.
#pragma once

#include "support/HelpCallLog.h"
#include "support/TestSupport.h"
#include "wizard/WizardHost.h"

#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbrel::test {

// The main window's own host, with every call recorded on the way.
class RecordingHost : public WizardHost {
  public:
    int32_t& IntervalSeconds() override { return MainWindowHost().IntervalSeconds(); }
    int32_t SecondsPerMinute() override { return MainWindowHost().SecondsPerMinute(); }
    bool& AutoView() override { return MainWindowHost().AutoView(); }
    bool& NewStoryNotice() override { return MainWindowHost().NewStoryNotice(); }
    void RearmDownloadTimer() override;
    void SetupCommand() override;
    void Refresh() override;
    void EnableTimers() override;
    bool HtmlHelpInstalled() override { return MainWindowHost().HtmlHelpInstalled(); }
    void ShowHelpTopic(int topic) override { MainWindowHost().ShowHelpTopic(topic); }

    int count(const std::string& call) const;

    std::vector<std::string> calls;
};

class WizardTest : public ::testing::Test {
  protected:
    WizardTest();
    ~WizardTest() override;

    // Creates every window in start-up order; the main window reads the option file.
    void CreateWindows();
    void RemoveBanner();
    // Presses a button found by its object name inside a window.
    static void Click(QWidget* window, const char* buttonName);
    // The visible wizard pages (welcome to finish), by object name, in wizard order.
    static std::vector<std::string> VisiblePages();

    // The topics that reached the help viewer since the windows were created.
    std::vector<int> HelpTopics() const;

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    HelpCallLog help;
    RecordingHost host;
};

} // namespace nimbrel::test
