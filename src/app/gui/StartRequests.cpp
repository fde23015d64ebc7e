#include "app/gui/StartRequests.h"

#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "library/gui/NewSiteDialog.h"
#include "library/gui/setup.h"

void OpenFeedLinks(const QStringList& addresses) {
    if (!frmMain || !frmSetup || addresses.isEmpty())
        return;
    if (!frmSetup->isVisible())
        frmMain->speedSetupClick();
    for (const QString& address : addresses)
        frmSetup->ShowNewSite()->FindAddress(address);
}

void AnswerStartRequest(const QStringList& addresses) {
    if (!addresses.isEmpty())
        return OpenFeedLinks(addresses);
    if (frmMain && frmMain->TrayIcon1)
        frmMain->TrayIcon1->ShowMainForm();
    else if (frmMain)
        frmMain->show();
}
