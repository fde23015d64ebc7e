// A program folder with the wizard banner, scripted dialogs, a recording host in place of the
// main window's services, and the program's windows created in their start-up order.
#pragma once

#include "support/TestSupport.h"
#include "wizard/WizardHost.h"

#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbrel::test {

class RecordingHost : public WizardHost {
  public:
    int32_t& IntervalSeconds() override { return interval; }
    int32_t SecondsPerMinute() override { return 60; }
    bool& AutoView() override { return autoView; }
    void RearmDownloadTimer() override { calls.push_back("rearm " + std::to_string(interval)); }
    void DropFetchThread() override;
    void Refresh() override { calls.push_back("refresh"); }
    void EnableTimers() override { calls.push_back("timers"); }
    void ReloadSelection() override;
    bool HtmlHelpInstalled() override { return helpInstalled; }
    void ShowHelpTopic(int topic) override { helpTopics.push_back(topic); }

    int count(const std::string& call) const;

    int32_t interval = 900;
    bool autoView = true;
    bool helpInstalled = true;
    std::vector<std::string> calls;
    std::vector<int> helpTopics;
};

class WizardTest : public ::testing::Test {
  protected:
    WizardTest();
    ~WizardTest() override;

    // Reads the option file the way the main window does at start, then creates every window.
    void CreateWindows();
    void RemoveBanner();
    // Presses a button found by its object name inside a window.
    static void Click(QWidget* window, const char* buttonName);
    // The visible wizard pages (welcome to finish), by object name, in wizard order.
    static std::vector<std::string> VisiblePages();

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingHost host;
};

} // namespace nimbrel::test
