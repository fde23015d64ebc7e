// The modes of nimbrel-digest; each returns the process's exit status (DigestOptions.h).
// The program folder is set before a mode runs.
#pragma once

#include "DigestOptions.h"

#include <functional>

namespace nimbrel::digest {

int RunFullCycle(const DigestOptions& options);
int RunRipOnly(const DigestOptions& options);
int RunDisplayOnly(const DigestOptions& options);
int RunSites(const DigestOptions& options);
int RunAddSite(const DigestOptions& options);
int RunImportOpml(const DigestOptions& options);
int RunExportOpml(const DigestOptions& options);
int RunAddSiteByExample(const DigestOptions& options);
int RunCheckRules(const DigestOptions& options);
int RunRepairRule(const DigestOptions& options);

// When the program folder lacks `file` (the one the mode begins with), a line on stderr says
// which folder was read and how to name another: the usual slip is a run in the wrong folder.
void HintAtFolderIfMissing(const char* file);

// Runs one step of the program without a screen. Messages go to stderr (the console dialogs).
// Returns kExitDone when the step returns true, kExitError when it returns false (it has shown
// why) or raises an error (printed on stderr), kExitHalted when it ends the program (Halt).
int RunStep(const std::function<bool()>& step);

} // namespace nimbrel::digest
