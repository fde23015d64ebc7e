#include "app/ComponentChecks.h"

#include "components/XmlTree.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"

namespace nimbrel {

namespace {

const char* kNoRegsvr32 = "No regsvr32.exe in you Nimbrel Folder, please reinstall Nimbrel or "
                          "copy regsvr32.exe into your Nimbrel folder.";

// Shows the missing-tool message and answers false when regsvr32.exe is not in the program
// folder; a copy elsewhere on the system does not count.
bool Regsvr32Present() {
    if (FileExists(ProgramFile("\\regsvr32.exe")))
        return true;
    Dialogs().showMessage(kNoRegsvr32);
    return false;
}

} // namespace

std::string SystemFolder() {
    const std::string library = xmltree::XmlLibraryFile();
    const size_t slash = library.rfind('/');
    if (slash != std::string::npos && slash > 0)
        return library.substr(0, slash);
    return "/usr/lib";
}

void TidyError() {
    Dialogs().showMessage("TidyCom.dll is not installed");
    if (!Dialogs().askYesNo("To install TidyCom.dll please click \"Yes\""))
        return;
    if (!Regsvr32Present())
        return;
    if (!FileExists(ProgramFile("\\TidyCom.dll"))) {
        Dialogs().showMessage("Cant find TidyCom.dll in the Nimbrel folder, please reinstall "
                              "Nimbrel");
        return;
    }
    Shell().startProgram("regsvr32.exe", "TidyCOM.dll");
}

void XML3Error() {
    const std::string systemFolder = SystemFolder();
    Dialogs().showMessage("msxml3.dll is not installed");
    if (!Dialogs().askYesNo("To install msxml3.dll click \"yes\".  If you are a Windows 98 or ME "
                            "user please close all programs and reboot before clicking \"yes\". "
                            "This will exit Nimbrel, please run Nimbrel again after installing "
                            "msxml3.dll "))
        return;
    if (!Regsvr32Present())
        return;
    // The message names the program folder, so that is where the component's file is looked for.
    if (!FileExists(ProgramFile("\\msxml3.dll"))) {
        Dialogs().showMessage("Cant find msxml3.dll in the Nimbrel folder, please reinstall "
                              "Nimbrel");
        return;
    }
    Shell().startProgram("regsvr32.exe", systemFolder + "/msxml3.dll");
}

msxml::XmlDocument RunXmlEngineProbe() {
    try {
        msxml::XmlDocument probe = msxml::XmlDocument::Create();
        probe.setAsync(false);
        return probe;
    } catch (const Exception&) {
        XML3Error();
        Halt(1);
    }
}

} // namespace nimbrel
