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

namespace {

// Says that a component is missing and, when the user agrees and its file is in the program
// folder, has regsvr32 register `registered`.
void OfferToRegister(const std::string& missing, const std::string& question,
                     const std::string& file, const std::string& notFound,
                     const std::string& registered) {
    Dialogs().showMessage(missing);
    if (!Dialogs().askYesNo(question))
        return;
    if (!Regsvr32Present())
        return;
    // The message names the program folder, so that is where the component's file is looked for.
    if (!FileExists(ProgramFile("\\" + file))) {
        Dialogs().showMessage(notFound);
        return;
    }
    Shell().startProgram("regsvr32.exe", registered);
}

} // namespace

void TidyError() {
    OfferToRegister("TidyCom.dll is not installed", "To install TidyCom.dll please click \"Yes\"",
                    "TidyCom.dll",
                    "Cant find TidyCom.dll in the Nimbrel folder, please reinstall Nimbrel",
                    "TidyCOM.dll");
}

void XML3Error() {
    const std::string systemFolder = SystemFolder();
    OfferToRegister("msxml3.dll is not installed",
                    "To install msxml3.dll click \"yes\".  If you are a Windows 98 or ME "
                    "user please close all programs and reboot before clicking \"yes\". "
                    "This will exit Nimbrel, please run Nimbrel again after installing "
                    "msxml3.dll ",
                    "msxml3.dll",
                    "Cant find msxml3.dll in the Nimbrel folder, please reinstall Nimbrel",
                    systemFolder + "/msxml3.dll");
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
