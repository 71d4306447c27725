#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/OwnedHandle.h"
#include "base/WidePath.h"
#include "cli/CliHost.h"
#include "cli/Commands.h"
#include "cli/InputPaths.h"
#include "engine/RunReport.h"
#include "engine/DryRunFileSystem.h"
#include "engine/FileTransfer.h"
#include "engine/PathUtils.h"
#include "engine/OrganizeRun.h"
#include "engine/SettingsStore.h"
#include "metadata/MetaLookup.h"

namespace {

bool IsConsole(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// The report file, created empty, or null with the system's reason when it cannot be (a
// spreadsheet program holding it open without sharing, a folder that is missing).
std::FILE* CreateReport(const std::string& path, std::string& reason)
{
    OwnedHandle h(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
        const DWORD code = GetLastError();
        if (!SystemErrorText(code, reason))
            reason = "Error " + std::to_string(code) + ".";
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h.Get()), _O_BINARY);
    if (fd == -1) {
        reason = "No file descriptor is left.";
        return nullptr;
    }
    // The descriptor owns the handle from here on.
    h.Release();
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        _close(fd);
        reason = "No file stream is left.";
    }
    return file;
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
    if (flags.backup)
        options.BackupFolder = FullPath(options.BackupFolder);
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

    // A buffer of our own wherever the lines go: without one the C library writes to a console
    // or a character device (NUL included) a byte at a time, a system call each. A console still
    // gets each line at once (the rows flush it).
    const bool stdoutIsConsole = IsConsole(STD_OUTPUT_HANDLE);
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);

    std::FILE* report = nullptr;
    if (flags.report) {
        const std::string path = FullPath(*flags.report);
        std::string reason = "The disk may be full.";
        report = CreateReport(path, reason);
        const std::string header = ReportHeader(ReportColumns::WithHash, options.MakeBackup != 0);
        if (report == nullptr || std::fwrite(header.data(), 1, header.size(), report) != header.size()) {
            std::fprintf(stderr, "quillmere-cli: cannot write the report \"%s\": %s\n", path.c_str(),
                         reason.c_str());
            if (report != nullptr)
                std::fclose(report);
            return kExitUsage;
        }
    }

    ConsoleProgress progress;
    PrintingRows rows(std::move(files), stdout, stdoutIsConsole ? &progress : nullptr);
    rows.SetReport(report, options.MakeBackup != 0);
    CliHost host(progress);
    MetaLookup lookup;
    lookup.UseComputerZone(options.VideoComputerZone != 0);
    DryRunFileSystem preview;
    RealFileSystem disk;
    const RunDecision decision =
            OrganizeRun(host, rows, lookup, flags.dryRun ? static_cast<RunFileSystem&>(preview) : disk,
                        PrepareRun(options), flags.move ? FileAction::Move : FileAction::Copy);
    if (decision.refusal)
        host.ShowMessage(decision.refusal->text, MessageKind::Warning);
    std::fflush(stdout);
    if (report != nullptr && std::fclose(report) != 0) {
        std::fprintf(stderr, "quillmere-cli: the report \"%s\" could not be written whole\n",
                     flags.report->c_str());
        return kExitFailed;
    }
    if (!decision.started)
        return kExitUsage;
    std::fprintf(stderr, "%s\n", rows.Tally().Summary(listed, flags.dryRun).c_str());
    return rows.Tally().ExitStatus(listed);
}
