// The checks of the two outside components, the XML engine and the HTML cleaner: when one cannot
// be created, the user is told and offered to register it with regsvr32.exe from the program
// folder. The messages are the program's own and stay word for word.
#pragma once

#include "components/MSXML2_TLB.h"

#include <string>

namespace nimbrel {

// The last step of the main window's creation: creates the probe document (kept by the window)
// and sets async off. When the engine is missing, runs XML3Error and then ends the program,
// whatever the user answered.
msxml::XmlDocument RunXmlEngineProbe();

// Report and install offer for a missing XML engine. Does not end the program itself.
void XML3Error();

// Report and install offer for a missing HTML cleaner; the display step has ended its run.
void TidyError();

// Where the system's shared libraries live: the folder of the loaded XML library, or
// "/usr/lib" when that cannot be found. Never ends with a separator.
std::string SystemFolder();

} // namespace nimbrel
