#include "engine/OrganizeRun.h"

#include <windows.h>

#include <cstdio>
#include <utility>

#include "engine/ModeFolder.h"
#include "engine/NameTemplate.h"
#include "engine/OperationLog.h"
#include "engine/PathText.h"
#include "engine/PathUtils.h"
#include "engine/SafePath.h"
#include "metadata/MetaLookup.h"

namespace {

const char kBadTemplateChars[] = "\\/:*?\"<>|";

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

// Steps 3 to 5 of the preparation; false when the run must not start. Records the normalised
// output folder in decision.
bool CheckSettings(RunHost& host, OrganizeOptions& options, RunDecision& decision)
{
    if (options.OutputFolderType == kOutputToCustomFolder) {
        if (options.CustomTargetFolder.empty()) {
            host.ShowMessage("Please choose an output folder.", MessageKind::Warning);
            host.FocusOutputFolder();
            return false;
        }
        if (options.CustomTargetFolder.back() != '\\')
            options.CustomTargetFolder += '\\';
        decision.outputFolder = options.CustomTargetFolder;
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

// Step 4 of a row: the target folder by mode; false, with the row's reason, when the file has no
// answer for the mode or its answer cannot stand as a folder name. A date mode's date is kept in
// date for the file name.
bool AppendModeFolder(const MetaLookup& lookup, const std::string& source, const OrganizeOptions& options,
                      std::string& targetFolder, DateTime& date, std::string& reason)
{
    const auto value = lookup.ForMode(source, options.Mode);
    if (!value) {
        reason = LookupFailureText(options.Mode);
        return false;
    }
    std::string folder;
    if (!ModeFolderPath(options, *value, folder, reason))
        return false;
    if (value->kind == ModeKind::Date)
        date = value->date;
    targetFolder += folder;
    return true;
}

RowResult Done()
{
    return {RowOutcome::Done, "OK"};
}

RowResult Skipped(const char* text)
{
    return {RowOutcome::Skipped, text};
}

RowResult Failed(std::string text)
{
    return {RowOutcome::Failed, std::move(text)};
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

// Steps 5a to 5f of a row; returns the result and sets target (empty when none was built).
RowResult PlaceFile(RunFileSystem& fs, const std::string& source, const std::string& outputRoot,
                    const std::string& targetFolder, const OrganizeOptions& options, const DateTime& date,
                    bool move, RunRows& rows, int row, std::string& target)
{
    target = targetFolder + BuildTargetName(options, source, date);
    // Last check before anything is created: every name below the output folder is one Windows
    // takes as it stands, and the target lies inside that folder, whatever a template or a file's
    // metadata put into the names.
    // The folder is made full first, so that a relative output folder is checked where it lies.
    const std::string fullRoot = FullPath(outputRoot);
    std::string unsafe;
    if (!CheckTargetInFolder(fullRoot, fullRoot + target.substr(outputRoot.size()), unsafe)) {
        target.clear();
        return Failed(unsafe);
    }
    bool replace = false;
    if (fs.Exists(target)) {
        switch (static_cast<TargetExistsPolicy>(options.TargetExistsOpt)) {
        case TargetExistsPolicy::Skip:
            rows.SetTarget(row, target);
            return Skipped("Target file exists; skipped");
        case TargetExistsPolicy::Overwrite: replace = true; break;
        default: target = NumberedTarget(fs, target); break;
        }
    }
    rows.SetTarget(row, target);
    if (!fs.EnsureFolder(targetFolder))
        return Failed("Failed to create folder \"" + targetFolder + "\"" + ErrorSuffix());
    // The same file reached by another spelling (a short name, a relative part) is the same
    // folder and name too: replacing it would delete the very file being organized.
    if (EqualNoCase(target, source) || (replace && fs.SameFile(target, source)))
        return Skipped("Same folder and name");
    const bool ok = replace ? fs.Replace(source, target, move) : fs.Transfer(source, target, move);
    return ok ? Done() : Failed("Failure" + ErrorSuffix());
}

}  // namespace

RunDecision OrganizeRun(RunHost& host, RunRows& rows, OrganizeOptions options, FileAction action)
{
    RunDecision decision;
    if (!CheckSettings(host, options, decision))
        return decision;
    OperationLog log;
    if (options.SaveToLog && !options.LogFile.empty() && !log.Open(options.LogFile, host))
        return decision;
    const bool move = action == FileAction::Move;
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
    DateTime date;  // kept from row to row, as the last successful date lookup left it
    for (int row = 0; row < count; ++row) {
        const std::string source = rows.Source(row);
        std::string target;
        RowResult result;

        char line[64];
        std::snprintf(line, sizeof line, "[%d/%d] ", row + 1, count);
        progress.SetText(line + std::string(progressVerb) + " " + source + "...");
        progress.Step();
        rows.EnsureVisible(row);
        host.Pump();

        std::string targetFolder;
        if (options.OutputFolderType == kOutputToCustomFolder)
            targetFolder = options.CustomTargetFolder;
        else if (!FolderOf(source, targetFolder))
            targetFolder.clear();
        const std::string outputRoot = targetFolder;
        std::string reason;
        if (AppendModeFolder(lookup, source, options, targetFolder, date, reason))
            result = PlaceFile(host.FileSystem(), source, outputRoot, targetFolder, options, date, move, rows,
                               row, target);
        else
            result = Failed(reason);
        rows.SetResult(row, result);
        host.Pump();
        log.WriteRecord(source, target, logVerb, result.text);
        if (progress.Cancelled())
            break;
    }
    log.Close();
    progress.Close();
    host.EnableInput(true);
    return decision;
}
