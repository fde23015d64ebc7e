// The application-wide help request: one replaceable handler receives every window's help
// request (F1) with that window's help context. Windows carry their context as a property.
#pragma once

#include <cstdint>
#include <functional>

class QWidget;

// Help commands a handler receives.
constexpr uint16_t HELP_CONTEXT = 1;      // show the topic of a help context
constexpr uint16_t HELP_CONTEXTPOPUP = 8; // show a context pop-up

// Command, Data (the help context), CallHelp (in/out: whether a system help engine should be
// called as well; there is none here). Returns whether the request was handled.
using THelpEvent = std::function<bool(uint16_t Command, int32_t Data, bool& CallHelp)>;

// The handler in force (empty when none is installed) and its replacement.
THelpEvent ApplicationOnHelp();
void SetApplicationOnHelp(THelpEvent handler);

// Sends a help-context request to the installed handler; false when there is none.
bool ApplicationHelpContext(int32_t context);

// The help topic a window carries (0: none); F1 uses the nearest widget that has one.
void SetHelpContext(QWidget* widget, int32_t context);
int32_t HelpContextOf(const QWidget* widget);

// Makes F1 in every window send that window's help context. Installs once; later calls do
// nothing. Needs a QApplication.
void InstallHelpKey();
