#include "app/hh_funcs.h"

#include "platform/Companions.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"

#include <chrono>
#include <dlfcn.h>
#include <thread>

namespace nimbrel {

void* HHCtrlHandle = nullptr;
THtmlHelpAProc HtmlHelpA = nullptr;
THtmlHelpWProc HtmlHelpW = nullptr;

namespace {

constexpr const char* kModuleName = "nimbrel-helpviewer.so";

std::string ExistingOrEmpty(const std::string& path) {
    return !path.empty() && FileExists(path) ? path : std::string();
}

// The program ends with the module still loaded in ordinary runs; unload it once more then.
struct UnloadAtExit {
    ~UnloadAtExit() {
        if (HHCtrlHandle)
            UnloadHtmlHelp();
    }
} unloadAtExit;

} // namespace

std::string FindHtmlHelpControl() {
    if (const std::string& installed = HelpModulePathSlot::current(); !installed.empty())
        return ExistingOrEmpty(installed);
    return FindCompanionFile(kModuleName, NIMBREL_MODULE_DIR);
}

void LoadHtmlHelp() {
    if (HHCtrlHandle)
        return;
    const std::string path = FindHtmlHelpControl();
    if (path.empty())
        return;
    // Kept resident after dlclose: the viewer's windows and Qt registrations must never point
    // into unmapped code, whatever order the program ends in.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle)
        return;
    HHCtrlHandle = handle;
    HtmlHelpA = reinterpret_cast<THtmlHelpAProc>(::dlsym(handle, "HtmlHelpA"));
    HtmlHelpW = reinterpret_cast<THtmlHelpWProc>(::dlsym(handle, "HtmlHelpW"));
}

bool HtmlHelpLoaded() {
    return HHCtrlHandle != nullptr;
}

void UnloadHtmlHelp() {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!HHCtrlHandle)
        return;
    ::dlclose(HHCtrlHandle);
    HHCtrlHandle = nullptr;
    HtmlHelpA = nullptr;
    HtmlHelpW = nullptr;
}

HWND HtmlHelp(HWND owner, const std::string& file, unsigned command, uintptr_t data) {
    if (!HtmlHelpA)
        return nullptr;
    return HtmlHelpA(owner, file.empty() ? nullptr : file.c_str(), command, data);
}

HWND DesktopWindow() {
    return reinterpret_cast<HWND>(uintptr_t{1});
}

std::string HelpFile() {
    return ProgramFile("\\Nimbrel.chm");
}

void ShowHelpContext(int32_t topic) {
    HtmlHelp(nullptr, HelpFile(), HH_HELP_CONTEXT, static_cast<uintptr_t>(topic));
}

void ShowHelpDefaultTopic() {
    HtmlHelp(DesktopWindow(), HelpFile(), HH_DISPLAY_TOPIC, 0);
}

void CloseAllHelp() {
    HtmlHelp(nullptr, std::string(), HH_CLOSE_ALL, 0);
}

} // namespace nimbrel
