// The help service: loads the help viewer module at run time and opens topics of the program's
// help file through its entry point. Every help call of every window goes through HtmlHelp().
#pragma once

#include "platform/ServiceSlot.h"

#include <cstdint>
#include <string>

namespace nimbrel {

using HWND = void*;

// The viewer's commands.
constexpr unsigned HH_DISPLAY_TOPIC = 0; // the file's default topic; data 0
constexpr unsigned HH_HELP_CONTEXT = 15; // data is the topic number
constexpr unsigned HH_CLOSE_ALL = 18;    // file none, data 0: closes every viewer window

using THtmlHelpAProc = HWND (*)(HWND owner, const char* file, unsigned command, uintptr_t data);
using THtmlHelpWProc = HWND (*)(HWND owner, const wchar_t* file, unsigned command, uintptr_t data);

// The module's state: the library handle and both entry points (the wide one is looked up,
// never called). All are empty until LoadHtmlHelp succeeds.
extern void* HHCtrlHandle;
extern THtmlHelpAProc HtmlHelpA;
extern THtmlHelpWProc HtmlHelpW;

// The viewer module's path when a file exists there, else empty. The module lives at a fixed
// place beside the executable: <exe dir>/nimbrel-helpviewer.so, or, installed,
// <exe dir>/../<module dir>/nimbrel-helpviewer.so (lib/<triplet>/nimbrel on Debian).
// A path installed in HelpModulePathSlot (not owned; nullptr or an empty path restores the fixed
// places) is the one place looked at instead.
std::string FindHtmlHelpControl();
using HelpModulePathSlot = ServiceSlot<const std::string, std::string>;

// Makes sure the module is loaded; does nothing when it already is. Reports nothing: callers
// test HtmlHelpLoaded() afterwards.
void LoadHtmlHelp();
bool HtmlHelpLoaded();

// Waits 50 ms, then frees the module and clears the handle and both entry points. Never throws.
void UnloadHtmlHelp();

// Calls the ANSI entry point; an empty file is passed as none. Does nothing and returns none
// while the module is not loaded.
HWND HtmlHelp(HWND owner, const std::string& file, unsigned command, uintptr_t data);

// The owner handle that stands for the desktop window (the viewer then has no parent window).
HWND DesktopWindow();

// Program folder + "\\Nimbrel.chm".
std::string HelpFile();

// The calls the windows make: a numbered topic (no owner), the default topic (owned by the
// desktop window), and closing every viewer window.
void ShowHelpContext(int32_t topic);
void ShowHelpDefaultTopic();
void CloseAllHelp();

} // namespace nimbrel
