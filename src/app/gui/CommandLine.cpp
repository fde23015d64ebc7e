#include "app/gui/CommandLine.h"

#include "library/FeedLink.h"

#include <string_view>

const char* const kNimbrelUsage =
    "Usage: nimbrel [ADDRESS...]\n"
    "       nimbrel --help | --version\n"
    "\n"
    "Starts Nimbrel in the current folder, which must be a Nimbrel program folder\n"
    "(nimbrel-launch lays one out and starts Nimbrel in it). If Nimbrel is already\n"
    "running on this folder, that one comes to the front instead.\n"
    "\n"
    "  ADDRESS     a feed or page to add (feed:https://..., feed://..., http or\n"
    "              https): New Site opens with it filled in and found\n"
    "  --help      show this and exit\n"
    "  --version   show the version and exit\n";

TCommandLine::TAction EarlyRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            break;
        if (argument == "--help" || argument == "-h")
            return TCommandLine::TAction::Help;
        if (argument == "--version")
            return TCommandLine::TAction::Version;
    }
    return TCommandLine::TAction::Run;
}

TCommandLine ParseCommandLine(int argc, char** argv) {
    TCommandLine line;
    line.Action = EarlyRequest(argc, argv);
    if (line.Action != TCommandLine::TAction::Run)
        return line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.starts_with("-")) {
            line.Action = TCommandLine::TAction::UsageError;
            line.Error = "unknown option " + argument + " (see nimbrel --help)";
            return line;
        }
        if (const std::string problem = nimbrel::FeedLinkProblem(argument); !problem.empty()) {
            line.Action = TCommandLine::TAction::UsageError;
            line.Error = problem;
            return line;
        }
        line.Addresses.push_back(nimbrel::FeedLinkAddress(argument));
    }
    return line;
}
