#include <cstdio>
#include <utility>
#include <vector>

#include "cli/CliReport.h"
#include "cli/Commands.h"
#include "cli/InputPaths.h"
#include "engine/ClockRules.h"
#include "engine/ModeFolder.h"
#include "engine/ModeLookup.h"
#include "engine/OrganizeMode.h"
#include "engine/PathUtils.h"
#include "engine/PlaceFinder.h"
#include "metadata/MetaLookup.h"

namespace {

// The answer of one file for the mode as a run would take it: the date, or the extension or
// orientation that may stand as a folder name; else false with the reason a run's row would give.
// A date read from the file name or from a Takeout sidecar says so.
bool LookUp(MetaLookup& lookup, const std::string& path, std::uint32_t mode, const OrganizeFlags& flags,
            const std::vector<ClockRule>& clockRules, std::string& answer, std::string& origin)
{
    std::string failure;
    const auto value = LookupModeValue(lookup, path, mode, flags.nameDates, failure, &origin, clockRules, nullptr,
                                       flags.takeout);
    if (!value) {
        answer = LookupFailedText(mode, failure);
        return false;
    }
    std::string folder;
    if (!ModeFolderPath(OrganizeOptions {}, *value, folder, answer))
        return false;
    answer = ModeValueText(*value);
    if (value->dateFromFileName)
        answer += " (file name)";
    if (!value->takeoutSidecar.empty())
        answer += " (Takeout sidecar)";
    return true;
}

}  // namespace

int RunLookupCommand(const CliRequest& request)
{
    const std::uint32_t mode = request.flags.mode.value_or(static_cast<std::uint32_t>(OrganizeMode::Taken));
    std::vector<ClockRule> clockRules;
    for (const std::string& shift : request.flags.shifts) {
        ClockRule rule;
        std::string error;
        ParseClockRule(shift, rule, error);  // checked with the command line
        clockRules.push_back(std::move(rule));
    }
    MetaLookup lookup;  // one metadata tool process for all the files
    lookup.UseComputerZone(request.flags.computerZone.value_or(false));
    bool anyFailed = false;
    for (const std::string& path : request.paths) {
        std::string answer;
        std::string origin;
        if (!LookUp(lookup, FullPath(path), mode, request.flags, clockRules, answer, origin))
            anyFailed = true;
        // With --explain, a third column says where the date came from (empty without a date), and
        // a fourth where the file was taken, as the place tags would name it.
        std::string line = path + '\t' + answer;
        if (request.flags.explain)
            line += '\t' + origin + '\t' + PlaceNamesAt(lookup.PositionOf(FullPath(path))).description;
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    return anyFailed ? kExitFailed : kExitOk;
}
