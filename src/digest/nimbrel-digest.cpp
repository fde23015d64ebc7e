// nimbrel-digest: the download cycle without a screen, for servers, cron and scripts.
#include "digest/DigestCycle.h"
#include "pipeline/Rip.h"
#include "platform/Dialogs.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kUsage =
    "Usage: nimbrel-digest [--folder DIR] [--quiet] [--no-open]\n"
    "\n"
    "Runs one Nimbrel download cycle on a program folder and exits.\n"
    "\n"
    "  --folder DIR   the program folder (default: the current directory)\n"
    "  --quiet        no progress lines on stderr\n"
    "  --no-open      never open the digest page in the browser\n"
    "  --help         this text\n"
    "\n"
    "Exit status: 0 the cycle ran to its end, 1 an error ended it, 2 usage error,\n"
    "3 the program would have ended at once (its message is printed).\n";

} // namespace

int main(int argc, char** argv) {
    std::string folder;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--folder" && i + 1 < argc) {
            folder = argv[++i];
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--no-open") {
        } else {
            std::fprintf(stderr, "nimbrel-digest: unknown option '%s'\n\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (!folder.empty())
        nimbrel::SetProgramFolder(folder);
    else
        nimbrel::TakeProgramFolder();
    // Where the program would end at once, its message has been printed: status 3.
    nimbrel::SetHaltHandler([](int) {
        std::fflush(stderr);
        std::_Exit(3);
    });
    return nimbrel::digest::RunFullCycle(quiet, {[] { nimbrel::Rip(); }, {}});
}
