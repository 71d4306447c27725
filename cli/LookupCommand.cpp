#include <cstdio>

#include "cli/CliReport.h"
#include "cli/Commands.h"
#include "cli/InputPaths.h"
#include "engine/OrganizeRun.h"
#include "metadata/MetaLookup.h"

namespace {

// The answer of one file for the mode, or false.
bool LookUp(MetaLookup& lookup, const std::string& path, std::uint32_t mode, std::string& answer)
{
    if (mode == static_cast<std::uint32_t>(DateSource::Extension))
        return ExtensionFolderName(path, answer);
    if (mode == static_cast<std::uint32_t>(DateSource::Orientation))
        return lookup.GetOrientationText(path, answer);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!lookup.GetDateForMode(path, static_cast<DateSource>(mode), year, month, day, hour, minute, second))
        return false;
    answer = DateText(year, month, day, hour, minute, second);
    return true;
}

}  // namespace

int RunLookupCommand(const CliRequest& request)
{
    const std::uint32_t mode = request.flags.mode.value_or(static_cast<std::uint32_t>(DateSource::Taken));
    MetaLookup lookup;  // one metadata tool process for all the files
    bool anyFailed = false;
    for (const std::string& path : request.paths) {
        std::string answer;
        if (!LookUp(lookup, FullPath(path), mode, answer)) {
            answer = LookupFailedText(mode, lookup.FailureReason());
            anyFailed = true;
        }
        const std::string line = path + '\t' + answer + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    return anyFailed ? kExitFailed : kExitOk;
}
