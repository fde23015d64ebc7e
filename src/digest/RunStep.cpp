#include "DigestModes.h"

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

#include <cstdio>
#include <exception>

namespace nimbrel::digest {

namespace {

// While a step runs, Halt unwinds to RunStep instead of ending the process on the spot, so the
// files the step holds are closed as for any other error.
class HaltUnwinds {
  public:
    HaltUnwinds() {
        SetHaltHandler([](int) {});
    }
    ~HaltUnwinds() { SetHaltHandler({}); }
};

} // namespace

void HintAtFolderIfMissing(const char* file) {
    if (FileExists(ProgramFile(std::string("/") + file)))
        return;
    std::fprintf(
        stderr, "nimbrel-digest: looked for %s in %s; name your program folder with --folder DIR\n",
        file, ProgramFolder().c_str());
}

int RunStep(const std::function<bool()>& step) {
    HaltUnwinds unwinding;
    try {
        return step() ? kExitDone : kExitError;
    } catch (const HaltRequested&) {
        return kExitHalted;
    } catch (const std::exception& e) {
        Dialogs().showError(e.what());
        return kExitError;
    }
}

} // namespace nimbrel::digest
