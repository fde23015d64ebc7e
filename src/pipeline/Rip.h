// The cutting driver: at the end of a download cycle, cuts every selected site's page file by
// its rule file into the site's cut file in the folder Work.
#pragma once

namespace nimbrel {

// For every site element of setup.xml, in document order: joins its page file into one line
// and runs its rule file's command tree, writing the cut file. A site whose page file is
// missing or shorter than 128 bytes keeps its old cut file. Shows the selection file's parse
// error and cuts nothing; shows a rule file's parse error and passes over that site; a missing
// rule file shows "<path> not found, the program will exit now!" and ends the program (Halt).
// Errors of the files and of the cutter are raised and end the step; the open cut file keeps
// the pieces written so far. Returns false when setup.xml could not be loaded.
bool Rip();

} // namespace nimbrel
