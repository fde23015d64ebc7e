// The program's windows, one instance each, created once at start in a fixed order and never
// re-created. Windows reach each other through these pointers.
#pragma once

class TfrmMain;
class TfrmSplash;
class TfrmPreferences;
class TfrmWizardWelcome;
class TfrmLayout;
class TfrmSkins;
class TfrmFinish;
class TfrmAbout;
class TfrmSetup;

extern TfrmMain* frmMain;
extern TfrmSplash* frmSplash;
extern TfrmPreferences* frmPreferences;
extern TfrmWizardWelcome* frmWizardWelcome;
extern TfrmLayout* frmLayout;
extern TfrmSkins* frmSkins;
extern TfrmFinish* frmFinish;
extern TfrmAbout* frmAbout;
extern TfrmSetup* frmSetup;

// Creates every window in order: main, splash, preferences, welcome, layout, skins, finish,
// about, selection. Each window's creation handler runs while it is created.
void CreateForms();
// Destroys them in reverse order (tests; the program ends with the main window).
void DestroyForms();
