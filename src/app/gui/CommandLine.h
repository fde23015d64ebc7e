// What the desktop program is asked on its command line: its usage, its version, or to run with
// feed links to open in New Site. Its configuration is its files, so it takes no other options.
#pragma once

#include <string>
#include <vector>

struct TCommandLine {
    enum class TAction { Run, Help, Version, UsageError };
    TAction Action = TAction::Run;
    std::vector<std::string> Addresses; // the web addresses of the feed links, in order
    std::string Error;                  // what is wrong, with UsageError
};

extern const char* const kNimbrelUsage;

// --help or --version anywhere before "--", read before the display is opened so both answer
// without one; Run otherwise.
TCommandLine::TAction EarlyRequest(int argc, char** argv);

// The whole command line (after the toolkit has taken its own options out): --help, --version,
// and feed links (FeedLink.h), each checked; any other option is a usage error.
TCommandLine ParseCommandLine(int argc, char** argv);
