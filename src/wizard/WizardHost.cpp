#include "wizard/WizardHost.h"

namespace nimbrel {

namespace {

// Stand-in until the main window offers its members: the option values live here and the
// cycle, timer and help calls go nowhere.
class MainWindowHost : public WizardHost {
  public:
    int32_t& IntervalSeconds() override { return interval_; }
    int32_t SecondsPerMinute() override { return 60; }
    bool& AutoView() override { return autoView_; }
    void RearmDownloadTimer() override {}
    void DropFetchThread() override {}
    void Refresh() override {}
    void EnableTimers() override {}
    void ReloadSelection() override {}
    bool HtmlHelpInstalled() override { return true; }
    void ShowHelpTopic(int) override {}

  private:
    int32_t interval_ = 900;
    bool autoView_ = true;
};

MainWindowHost mainWindowHost;
WizardHost* current = nullptr;

} // namespace

WizardHost& Host() {
    return current ? *current : mainWindowHost;
}

void SetHost(WizardHost* host) {
    current = host;
}

} // namespace nimbrel
