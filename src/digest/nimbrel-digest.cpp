// nimbrel-digest: the download cycle without a screen, for servers, cron and scripts. Every mode
// runs holding the program folder's lock, so it never runs beside another run on that folder.
#include "DigestModes.h"
#include "DigestOptions.h"

#include "digest/StopSignals.h"
#include "platform/Files.h"
#include "platform/FolderLock.h"
#include "platform/ProgramFolder.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

using namespace nimbrel::digest;

namespace {

// The program folder: the given one made absolute, or the current directory.
bool TakeFolder(const std::string& folder) {
    if (folder.empty()) {
        nimbrel::TakeProgramFolder();
        return true;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::fprintf(stderr, "nimbrel-digest: '%s' is not a folder\n", folder.c_str());
        return false;
    }
    nimbrel::SetProgramFolder(std::filesystem::absolute(folder, ec).lexically_normal().string());
    return true;
}

// The file a mode begins with: the selection for the steps of a cycle, the library for the
// others.
const char* FirstFileOf(const DigestOptions& options) {
    const bool cycleStep = options.sites.empty() && (options.mode == DigestMode::FullCycle ||
                                                     options.mode == DigestMode::RipOnly ||
                                                     options.mode == DigestMode::DisplayOnly);
    return cycleStep ? "setup.xml" : "Categories.xml";
}

int RunMode(const DigestOptions& options) {
    if (options.mode == DigestMode::CheckRules)
        return RunCheckRules(options);
    if (!options.sites.empty())
        return RunSites(options);
    switch (options.mode) {
    case DigestMode::RipOnly:
        return RunRipOnly(options);
    case DigestMode::DisplayOnly:
        return RunDisplayOnly(options);
    case DigestMode::AddSite:
        return options.example ? RunAddSiteByExample(options) : RunAddSite(options);
    case DigestMode::RepairRule:
        return RunRepairRule(options);
    case DigestMode::CheckRules:
        return RunCheckRules(options);
    case DigestMode::ImportOpml:
        return RunImportOpml(options);
    case DigestMode::ExportOpml:
        return RunExportOpml(options);
    case DigestMode::FullCycle:
        break;
    }
    return RunFullCycle(options);
}

} // namespace

int main(int argc, char** argv) {
    nimbrel::LetFileSizeLimitFailWrites();
    DigestOptions options;
    try {
        options = ParseDigestOptions(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "nimbrel-digest: %s\n\n%s", e.what(), kDigestUsage);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(kDigestUsage, stdout);
        return kExitDone;
    }
    if (options.version) {
        std::printf("nimbrel-digest %s\n", NIMBREL_VERSION);
        return kExitDone;
    }
    if (!TakeFolder(options.folder))
        return kExitUsage;
    StopSignals stopSignals;
    std::optional<nimbrel::FolderLock> lock;
    const int locked = RunStep([&] {
        lock = nimbrel::FolderLock::Take(std::chrono::seconds(options.waitSeconds),
                                         [] { return !StopSignals::StopRequested(); });
        return true;
    });
    const int status = locked == kExitDone ? RunMode(options) : locked;
    if (StopSignals::StopRequested())
        return StopSignals::ReportStopped();
    if (status != kExitDone && locked == kExitDone)
        HintAtFolderIfMissing(FirstFileOf(options));
    return status;
}
