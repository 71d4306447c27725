#include <cstdio>

#include "cli/CliReport.h"
#include "cli/Commands.h"
#include "cli/InputPaths.h"
#include "engine/OrganizeMode.h"
#include "metadata/MetaLookup.h"

int RunLookupCommand(const CliRequest& request)
{
    const std::uint32_t mode = request.flags.mode.value_or(static_cast<std::uint32_t>(OrganizeMode::Taken));
    const MetaLookup lookup;
    bool anyFailed = false;
    for (const std::string& path : request.paths) {
        const auto value = lookup.ForMode(FullPath(path), mode);
        const std::string answer = value ? ModeValueText(*value) : LookupFailureText(mode);
        anyFailed = anyFailed || !value;
        const std::string line = path + '\t' + answer + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    return anyFailed ? kExitFailed : kExitOk;
}
