// What the wizard, preferences, splash and about windows need from the rest of the program:
// the main window's option values, timers and download cycle, the selection page's reload and
// the help service. One seam, so the windows stay thin and tests can watch the calls.
#pragma once

#include "platform/ServiceSlot.h"

#include <cstdint>

namespace nimbrel {

class WizardHost {
  public:
    virtual ~WizardHost() = default;

    // The main window's option values (IntervalSeconds, SecondsPerMinute, AutoView,
    // NewStoryNotice).
    virtual int32_t& IntervalSeconds() = 0;
    virtual int32_t SecondsPerMinute() = 0;
    virtual bool& AutoView() = 0;
    // Whether a download cycle that brought new stories ends with a desktop notice.
    virtual bool& NewStoryNotice() = 0;
    // The interval changed: the download timer follows it from now on.
    virtual void RearmDownloadTimer() = 0;

    // The main window's Setup command: a running fetch thread is told to stop and forgotten
    // without waiting, the selection page reloads setup.nml and is shown in front.
    virtual void SetupCommand() = 0;
    // The main window's Refresh action: a download cycle starts now.
    virtual void Refresh() = 0;
    // Enables the main window's DownloadTimer and TDLMessage.
    virtual void EnableTimers() = 0;

    // Loads the help library if needed; false when it cannot be loaded.
    virtual bool HtmlHelpInstalled() = 0;
    // Opens the program's help file at a topic number.
    virtual void ShowHelpTopic(int topic) = 0;
};

class TMainWindowHost; // the real main window's (WizardHost.cpp)

// The host in force: the main window's unless another is installed (not owned; nullptr
// restores the main window's).
using WizardHostSlot = ServiceSlot<WizardHost, TMainWindowHost>;

// The main window's host, whichever is in force.
WizardHost& MainWindowHost();
// The host in force.
WizardHost& Host();

} // namespace nimbrel
