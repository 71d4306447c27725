// quillmere-cli: the organizer's run and lookup for scripts and scheduled jobs.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "QuillmereVersion.h"
#include "cli/CliArgs.h"
#include "cli/CliReport.h"
#include "cli/Commands.h"
#include "base/ConsoleCodePage.h"
#include "base/RunningMark.h"
#include "engine/PlaceFinder.h"
#include "zones/Zones.h"

int main(int argc, char** argv)
{
    const RunningMark running;  // tells Setup and the uninstaller that it runs
    // Lines end in a bare line feed, for scripts on either side.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Arguments and output are in the ANSI code page, which the manifest makes UTF-8.
    const ConsoleCodePage codePage;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "quillmere-cli: %s\nTry \"quillmere-cli --help\".\n", parsed.error.c_str());
        return kExitUsage;
    }
    for (const std::string& warning : parsed.warnings)
        std::fprintf(stderr, "quillmere-cli: %s\n", warning.c_str());
    switch (parsed.request.command) {
    case CliCommand::Help: std::fputs(UsageText(), stdout); return kExitOk;
    case CliCommand::Version: {
        std::printf("quillmere-cli %s\nplaces: %s\n%s\n%s\n", QM_VERSION_TEXT, PlaceTableText().c_str(),
                    kPlaceAttribution, zones::ZoneDataText().c_str());
        return kExitOk;
    }
    case CliCommand::Organize: return RunOrganizeCommand(parsed.request);
    case CliCommand::Lookup: return RunLookupCommand(parsed.request);
    case CliCommand::Undo: return RunUndoCommand(parsed.request);
    case CliCommand::Runs: return RunRunsCommand(parsed.request);
    case CliCommand::ShiftFrom: return RunShiftFromCommand(parsed.request);
    }
    return kExitUsage;
}
