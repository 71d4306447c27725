#include <windows.h>

#include <cstdio>

#include "cli/CliHost.h"
#include "cli/Commands.h"
#include "cli/InputPaths.h"
#include "engine/CsvText.h"
#include "engine/PathUtils.h"
#include "engine/OrganizeRun.h"
#include "engine/SettingsStore.h"

namespace {

bool IsConsole(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

OrganizeOptions OptionsFor(const OrganizeFlags& flags)
{
    OrganizeOptions options;
    if (flags.saved) {
        SetUserDefaults(options);
        LoadSettings(options);
    }
    ApplyFlags(flags, options);
    if (flags.outFolder)
        options.CustomTargetFolder = FullPath(options.CustomTargetFolder);
    if (flags.log)
        options.LogFile = FullPath(options.LogFile);
    // A dry run leaves no trace, the log included.
    if (flags.dryRun)
        options.SaveToLog = 0;
    return options;
}

}  // namespace

int RunOrganizeCommand(const CliRequest& request)
{
    const OrganizeFlags& flags = request.flags;
    OrganizeOptions options = OptionsFor(flags);
    std::vector<std::string> files = CollectInputFiles(request.paths, options);
    const int listed = static_cast<int>(files.size());

    // A console gets each line at once.
    const bool stdoutIsConsole = IsConsole(STD_OUTPUT_HANDLE);
    if (stdoutIsConsole)
        std::setvbuf(stdout, nullptr, _IONBF, 0);

    std::FILE* report = nullptr;
    if (flags.report) {
        const std::string path = FullPath(*flags.report);
        report = std::fopen(path.c_str(), "wb");
        const std::string header = CsvLine({"source", "target", "result", "date", "date source"});
        if (report == nullptr || std::fwrite(header.data(), 1, header.size(), report) != header.size()) {
            std::fprintf(stderr, "quillmere-cli: cannot write the report \"%s\"\n", path.c_str());
            if (report != nullptr)
                std::fclose(report);
            return kExitUsage;
        }
    }

    ConsoleProgress progress;
    PrintingRows rows(std::move(files), stdout, stdoutIsConsole ? &progress : nullptr);
    rows.SetReport(report);
    CliHost host(flags.dryRun, progress);
    OrganizeRun(host, rows, options, flags.move ? FileAction::Move : FileAction::Copy);
    std::fflush(stdout);
    if (report != nullptr && std::fclose(report) != 0) {
        std::fprintf(stderr, "quillmere-cli: the report \"%s\" could not be written whole\n",
                     flags.report->c_str());
        return kExitFailed;
    }
    if (!host.Started())
        return kExitUsage;
    std::fprintf(stderr, "%s\n", rows.Tally().Summary(listed, flags.dryRun).c_str());
    return rows.Tally().ExitStatus(listed);
}
