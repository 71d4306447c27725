#include "engine/OrganizeRun.h"

#include <windows.h>

#include <cstdio>

#include "engine/ModeFolder.h"
#include "engine/NameTemplate.h"
#include "engine/OperationLog.h"
#include "engine/PathText.h"
#include "engine/PathUtils.h"
#include "engine/SafePath.h"
#include "metadata/MetaLookup.h"

namespace {

const char kBadTemplateChars[] = "\\/:*?\"<>|";

struct RowDate {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool HasBadChars(const std::string& text)
{
    return text.find_first_of(kBadTemplateChars) != std::string::npos;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// " (reason)" for the thread's last error, or nothing when there is none.
std::string ErrorSuffix()
{
    const DWORD code = GetLastError();
    std::string text;
    if (code != 0 && SystemErrorText(code, text))
        return " (" + text + ")";
    return {};
}

// Steps 3 to 5 of the preparation; false when the run must not start.
bool CheckSettings(RunHost& host, OrganizeOptions& options)
{
    if (options.OutputFolderType == 1) {
        if (options.CustomTargetFolder.empty()) {
            host.ShowMessage("Please choose an output folder.", MessageKind::Warning);
            host.FocusOutputFolder();
            return false;
        }
        if (options.CustomTargetFolder.back() != '\\')
            options.CustomTargetFolder += '\\';
        if (!host.FileSystem().EnsureFolder(options.CustomTargetFolder)) {
            std::string reason;
            const DWORD code = GetLastError();
            if (code != 0)
                SystemErrorText(code, reason);
            host.ShowMessage("Failed to create folder \"" + options.CustomTargetFolder + "\". " + reason,
                             MessageKind::Warning);
            host.FocusOutputFolder();
            return false;
        }
    }
    if ((options.CreateMonthFolder && HasBadChars(options.MonthFolderFormat)) ||
        (options.CreateDayFolder && HasBadChars(options.DayFolderFormat)) ||
        (options.RenameTargetFileName && HasBadChars(options.TargetFilenameFormat))) {
        host.ShowMessage("Folder and file name cannot contain any of the following characters:\n\\/:*?\"<>|",
                         MessageKind::Warning);
        return false;
    }
    return true;
}

// Step 4 of a row: the target folder by mode, or the failure text.
bool AppendModeFolder(const MetaLookup& lookup, const std::string& source, const OrganizeOptions& options,
                      std::string& targetFolder, RowDate& date, std::string& result)
{
    const std::uint32_t mode = options.MoveType;
    if (mode == static_cast<std::uint32_t>(DateSource::Extension)) {
        std::string folder;
        if (!ExtensionFolderName(FileNameOf(source), folder, result))
            return false;
        if (!folder.empty())
            targetFolder += folder + "\\";
        return true;
    }
    if (mode == static_cast<std::uint32_t>(DateSource::Orientation)) {
        std::string orientation;
        if (!lookup.GetOrientationText(source, orientation)) {
            result = LookupFailureText(mode);
            return false;
        }
        // The text comes from the file: only a known orientation may become a folder.
        std::string folder;
        if (!OrientationFolderName(orientation, folder, result))
            return false;
        targetFolder += folder + "\\";
        return true;
    }
    RowDate found;
    if (!lookup.GetDateForMode(source, static_cast<DateSource>(mode), found.year, found.month, found.day,
                               found.hour, found.minute, found.second)) {
        result = LookupFailureText(mode);
        return false;
    }
    date = found;
    targetFolder += BuildSubfolderPath(options, date.year, date.month, date.day);
    return true;
}

// The first free name_N.ext beside an existing target.
std::string NumberedTarget(RunFileSystem& fs, const std::string& target)
{
    const std::string ext = ExtensionOf(target).value_or("");
    const std::string stem = target.substr(0, target.size() - ext.size());
    for (unsigned n = 1;; ++n) {
        std::string candidate = stem + "_" + std::to_string(n) + ext;
        if (!fs.Exists(candidate))
            return candidate;
    }
}

// Steps 5a to 5f of a row; returns the result text and sets target (empty when none was built).
std::string PlaceFile(RunFileSystem& fs, const std::string& source, const std::string& outputRoot,
                      const std::string& targetFolder, const OrganizeOptions& options, const RowDate& date,
                      bool move, RunRows& rows, int row, std::string& target)
{
    target = targetFolder + BuildTargetName(options, source, date.year, date.month, date.day, date.hour,
                                            date.minute, date.second);
    // Last check before anything is created: every name below the output folder is one Windows
    // takes as it stands, and the target lies inside that folder, whatever a template or a file's
    // metadata put into the names.
    // The folder is made full first, so that a relative output folder is checked where it lies.
    const std::string fullRoot = FullPath(outputRoot);
    std::string unsafe;
    if (!CheckTargetInFolder(fullRoot, fullRoot + target.substr(outputRoot.size()), unsafe)) {
        target.clear();
        return unsafe;
    }
    bool replace = false;
    if (fs.Exists(target)) {
        switch (static_cast<TargetExistsPolicy>(options.TargetExistsOpt)) {
        case TargetExistsPolicy::Skip: rows.SetTarget(row, target); return "Target file exists; skipped";
        case TargetExistsPolicy::Overwrite: replace = true; break;
        default: target = NumberedTarget(fs, target); break;
        }
    }
    rows.SetTarget(row, target);
    if (!fs.EnsureFolder(targetFolder))
        return "Failed to create folder \"" + targetFolder + "\"" + ErrorSuffix();
    // The same file reached by another spelling (a short name, a relative part) is the same
    // folder and name too: replacing it would delete the very file being organized.
    if (EqualNoCase(target, source) || (replace && fs.SameFile(target, source)))
        return "Same folder and name";
    const bool ok = replace ? fs.Replace(source, target, move) : fs.Transfer(source, target, move);
    return ok ? std::string("OK") : "Failure" + ErrorSuffix();
}

}  // namespace

const char* LookupFailureText(std::uint32_t mode)
{
    switch (static_cast<DateSource>(mode)) {
    case DateSource::Taken: return "Failed to get date picture taken. Maybe no EXIF info in the file";
    case DateSource::TakenElseModified:
        return "Failed to get date picture taken and date modifed. Maybe file isn't available";
    case DateSource::TakenElseCreated:
        return "Failed to get date picture taken and date created. Maybe file isn't available";
    case DateSource::TakenElseAccessed:
        return "Failed to get date picture taken and date accessed. Maybe file isn't available";
    case DateSource::Modified: return "Failed to get date modified. Maybe file isn't available";
    case DateSource::Created: return "Failed to get date created. Maybe file isn't available";
    case DateSource::Accessed: return "Failed to get date accessed. Maybe file isn't available";
    case DateSource::Extension: return "No file extension";
    case DateSource::Orientation:
        return "Failed to get orientation information. Maybe no EXIF info in the file";
    }
    // A mode the lookup does not know fails every date lookup; its rows say so like a date mode.
    return "Failed to get date modified. Maybe file isn't available";
}

void OrganizeRun(RunHost& host, RunRows& rows, OrganizeOptions& options, bool move)
{
    host.ReadSettings(options);
    if (!CheckSettings(host, options))
        return;
    OperationLog log;
    if (options.SaveToLog && !options.LogFile.empty() && !log.Open(options.LogFile, host))
        return;
    host.SaveSettingsAndHistories(options);
    host.EnableInput(false);

    RunProgress& progress = host.ShowProgress();
    host.Pump();
    const int count = rows.Count();
    progress.SetRange(0, count);
    progress.SetPosition(0);
    progress.SetStep(1);

    const char* const progressVerb = move ? "Moving" : "Copying";
    const char* const logVerb = move ? "Move" : "Copy";
    const MetaLookup lookup;
    RowDate date;  // kept from row to row, as the last successful lookup left it
    for (int row = 0; row < count; ++row) {
        const std::string source = rows.Source(row);
        std::string target;
        std::string result;

        char line[64];
        std::snprintf(line, sizeof line, "[%d/%d] ", row + 1, count);
        progress.SetText(line + std::string(progressVerb) + " " + source + "...");
        progress.Step();
        rows.EnsureVisible(row);
        host.Pump();

        std::string targetFolder;
        if (options.OutputFolderType == 1)
            targetFolder = options.CustomTargetFolder;
        else if (!FolderOf(source, targetFolder))
            targetFolder.clear();
        const std::string outputRoot = targetFolder;
        if (AppendModeFolder(lookup, source, options, targetFolder, date, result))
            result = PlaceFile(host.FileSystem(), source, outputRoot, targetFolder, options, date, move, rows,
                               row, target);
        rows.SetResult(row, result);
        host.Pump();
        log.WriteRecord(source, target, logVerb, result);
        if (progress.Cancelled())
            break;
    }
    log.Close();
    progress.Close();
    host.EnableInput(true);
}
