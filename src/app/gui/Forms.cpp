#include "app/gui/Forms.h"

#include "app/gui/main.h"
#include "library/gui/setup.h"
#include "wizard/Finish.h"
#include "wizard/Layout.h"
#include "wizard/Preferences.h"
#include "wizard/Skins.h"
#include "wizard/about.h"
#include "wizard/splash.h"
#include "wizard/welcome.h"

TfrmMain* frmMain = nullptr;
TfrmSplash* frmSplash = nullptr;
TfrmPreferences* frmPreferences = nullptr;
TfrmWizardWelcome* frmWizardWelcome = nullptr;
TfrmLayout* frmLayout = nullptr;
TfrmSkins* frmSkins = nullptr;
TfrmFinish* frmFinish = nullptr;
TfrmAbout* frmAbout = nullptr;
TfrmSetup* frmSetup = nullptr;

void CreateForms() {
    frmMain = new TfrmMain();
    frmSplash = new TfrmSplash();
    frmPreferences = new TfrmPreferences();
    frmWizardWelcome = new TfrmWizardWelcome();
    frmLayout = new TfrmLayout();
    frmSkins = new TfrmSkins();
    frmFinish = new TfrmFinish();
    frmAbout = new TfrmAbout();
    frmSetup = new TfrmSetup();
}

template <typename T> static void Destroy(T*& form) {
    delete form;
    form = nullptr;
}

void DestroyForms() {
    Destroy(frmSetup);
    Destroy(frmAbout);
    Destroy(frmFinish);
    Destroy(frmSkins);
    Destroy(frmLayout);
    Destroy(frmWizardWelcome);
    Destroy(frmPreferences);
    Destroy(frmSplash);
    Destroy(frmMain);
}
