#include <cstdio>

#include "cli/CliReport.h"
#include "cli/Commands.h"
#include "cli/InputPaths.h"
#include "engine/PathUtils.h"
#include "engine/ModeFolder.h"
#include "engine/OrganizeRun.h"
#include "engine/PathText.h"
#include "metadata/MetaLookup.h"

namespace {

// The answer of one file for the mode, or false with the reason a run's row would give.
bool LookUp(const MetaLookup& lookup, const std::string& path, std::uint32_t mode, std::string& answer)
{
    std::string folder;
    if (mode == static_cast<std::uint32_t>(DateSource::Extension)) {
        if (!ExtensionFolderName(FileNameOf(path), folder, answer))
            return false;
        answer = folder;
        return true;
    }
    if (mode == static_cast<std::uint32_t>(DateSource::Orientation)) {
        std::string text;
        if (!lookup.GetOrientationText(path, text)) {
            answer = LookupFailureText(mode);
            return false;
        }
        if (!OrientationFolderName(text, folder, answer))
            return false;
        answer = folder;
        return true;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!lookup.GetDateForMode(path, static_cast<DateSource>(mode), year, month, day, hour, minute, second)) {
        answer = LookupFailureText(mode);
        return false;
    }
    answer = DateText(year, month, day, hour, minute, second);
    return true;
}

}  // namespace

int RunLookupCommand(const CliRequest& request)
{
    const std::uint32_t mode = request.flags.mode.value_or(static_cast<std::uint32_t>(DateSource::Taken));
    const MetaLookup lookup;
    bool anyFailed = false;
    for (const std::string& path : request.paths) {
        std::string answer;
        if (!LookUp(lookup, FullPath(path), mode, answer))
            anyFailed = true;
        const std::string line = path + '\t' + answer + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    return anyFailed ? kExitFailed : kExitOk;
}
