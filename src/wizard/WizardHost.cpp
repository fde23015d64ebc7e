#include "wizard/WizardHost.h"

#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "app/hh_funcs.h"

#include <QTimer>

namespace nimbrel {

// The program's own: the main window's values, timers and commands, and the help service.
class TMainWindowHost : public WizardHost {
  public:
    int32_t& IntervalSeconds() override { return frmMain->IntervalSeconds; }
    int32_t SecondsPerMinute() override { return frmMain->SecondsPerMinute; }
    bool& AutoView() override { return frmMain->AutoView; }
    bool& NewStoryNotice() override { return frmMain->NewStoryNotice; }
    void RearmDownloadTimer() override { frmMain->ApplyDownloadInterval(); }
    void SetupCommand() override { frmMain->speedSetupClick(); }
    void Refresh() override { frmMain->SpeedRefreshClick(); }
    void EnableTimers() override {
        frmMain->DownloadTimer->start();
        frmMain->TDLMessage->start();
    }
    bool HtmlHelpInstalled() override {
        LoadHtmlHelp();
        return HtmlHelpLoaded();
    }
    void ShowHelpTopic(int topic) override { ShowHelpContext(topic); }
};

WizardHost& MainWindowHost() {
    return WizardHostSlot::standard();
}

WizardHost& Host() {
    return WizardHostSlot::current();
}

} // namespace nimbrel
