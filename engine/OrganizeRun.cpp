#include "engine/OrganizeRun.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "engine/Companions.h"
#include "engine/ModeFolder.h"
#include "engine/NameTemplate.h"
#include "engine/OperationLog.h"
#include "engine/PathText.h"
#include "engine/PathUtils.h"
#include "engine/RunsFolder.h"
#include "engine/SafePath.h"
#include "engine/TargetExists.h"
#include "engine/TemplateCheck.h"
#include "metadata/MetaLookup.h"

namespace {

const char kNameDateResult[] = "OK (date from file name)";

// A move across drives whose copy is in place but whose source could not be deleted.
const char kSourceKeptText[] = "Copied; the source was kept";

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return PathKey(a) == PathKey(b);
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
bool CheckSettings(RunHost& host, RunFileSystem& fs, OrganizeOptions& options, RunDecision& decision)
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
        if (!fs.EnsureFolder(options.CustomTargetFolder)) {
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
    const TemplateFault fault = FindTemplateFault(options);
    if (fault.field != TemplateField::None) {
        host.ShowMessage(
                "Folder and file name cannot contain any of the following characters:\n\\/:*?\"<>|\n\n" +
                        TemplateFaultText(fault) + ".",
                MessageKind::Warning);
        host.FocusTemplate(fault.field);
        return false;
    }
    const std::string problem = TemplateNameProblem(options);
    if (!problem.empty()) {
        host.ShowMessage(problem, MessageKind::Warning);
        return false;
    }
    return true;
}

// Step 4 of a row: the target folder by mode; false, with the row's reason, when the file has no
// answer for the mode, its lookup could not be made, or its answer cannot stand as a folder name.
// A date mode's date is kept in date for the file name.
bool AppendModeFolder(MetaLookup& lookup, const std::string& source, const OrganizeOptions& options,
                      std::string& targetFolder, DateTime& date, bool& dateFromName, std::string& origin,
                      std::string& reason)
{
    const auto value = lookup.ForMode(source, options.Mode, options.NameDates != 0, &origin);
    if (!value) {
        reason = LookupFailedText(options.Mode, lookup.FailureReason());
        return false;
    }
    std::string folder;
    if (!ModeFolderPath(options, *value, folder, reason))
        return false;
    if (value->kind == ModeKind::Date)
        date = value->date;
    dateFromName = value->dateFromFileName;
    targetFolder += folder;
    return true;
}

// The files the run has reached, by what identifies them on their volume (and, where a volume gives
// nothing, by their full path), so that one file listed under two names (a mapped or substituted
// drive, a share, a short name) is organized once.
class SeenSources {
public:
    bool SeenBefore(RunFileSystem& fs, const std::string& source, std::string& firstName)
    {
        FileIdentity identity;
        if (fs.Identity(source, identity))
            return Seen(byIdentity_, identity, source, firstName);
        return Seen(byPath_, PathKey(FullPath(source)), source, firstName);
    }

private:
    template <class Key>
    static bool Seen(std::map<Key, std::string>& seen, const Key& key, const std::string& source,
                     std::string& firstName)
    {
        const auto [found, added] = seen.emplace(key, source);
        if (added)
            return false;
        firstName = found->second;
        return true;
    }

    std::map<FileIdentity, std::string> byIdentity_;
    std::map<std::string, std::string> byPath_;
};

RowResult Done()
{
    return {RowOutcome::Done, "OK"};
}

RowResult Skipped(std::string text)
{
    return {RowOutcome::Skipped, std::move(text)};
}

RowResult Failed(std::string text)
{
    return {RowOutcome::Failed, std::move(text)};
}

// Whether the file functions take target as it stands: at most MAX_PATH - 1 characters, and a
// name of at most 255, as the system counts them. Checked before anything is created or copied,
// so that a long template result fails its row at once.
bool TargetFits(const std::string& target)
{
    constexpr std::size_t kMaxNameLength = 255;
    if (SystemLength(target) <= kMaxEnsureFolderLength && SystemLength(FileNameOf(target)) <= kMaxNameLength)
        return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

// Steps 5a to 5f of a row placed under name; returns the result and sets target (empty when none
// was built).
RowResult PlaceFile(RunFileSystem& fs, const std::string& source, const std::string& outputRoot,
                    const std::string& targetFolder, const std::string& name, const OrganizeOptions& options,
                    bool move, RunRows& rows, int row, std::string& target)
{
    target = targetFolder + name;
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
        switch (ResolveExistingTarget(fs, source, options.TargetExistsOpt, target)) {
        case ExistingTarget::Skip: rows.SetTarget(row, target); return Skipped("Target file exists; skipped");
        case ExistingTarget::Identical:
            rows.SetTarget(row, target);
            return Skipped("Identical file exists; skipped");
        case ExistingTarget::Replace: replace = true; break;
        case ExistingTarget::Free: break;
        case ExistingTarget::NoFreeName:
            rows.SetTarget(row, target);
            return Failed("Failure (no free name: the first " + std::to_string(kNumberedNameLimit) +
                          " numbered names all exist)");
        }
    }
    rows.SetTarget(row, target);
    if (!TargetFits(target))
        return Failed("Failure" + ErrorSuffix());
    if (!fs.EnsureFolder(targetFolder))
        return Failed("Failed to create folder \"" + targetFolder + "\"" + ErrorSuffix());
    // The same file reached by another spelling (a short name, a relative part) is the same
    // folder and name too: replacing it would delete the very file being organized.
    if (EqualNoCase(target, source) || (replace && fs.SameFile(target, source)))
        return Skipped("Same folder and name");
    switch (replace ? fs.Replace(source, target, move) : fs.Transfer(source, target, move)) {
    case TransferOutcome::Done: return Done();
    // The photo is in the library, but the move did not finish: never a plain OK.
    case TransferOutcome::SourceKept: return Failed(std::string(kSourceKeptText) + ErrorSuffix());
    case TransferOutcome::Failed: break;
    }
    return Failed("Failure" + ErrorSuffix());
}

// What companions need from the run that places their photo.
struct CompanionPlacing {
    RunHost& host;
    RunFileSystem& fs;
    RunRows& rows;
    const OrganizeOptions& options;
    bool move;
    OperationLog& log;
    const char* logVerb;
    const std::vector<CompanionLink>& links;
    const std::vector<std::vector<int>>& followers;  // by lead row
};

// Places the companions of row lead right after it, each with its own row and log record: into
// the folder of the photo's target, under its new base name, by the same policy. A companion
// whose photo was not placed stays where it is.
void PlaceCompanions(const CompanionPlacing& run, int lead, const RowResult& leadResult,
                     const std::string& leadTarget, const std::string& outputRoot,
                     const std::string& targetFolder)
{
    for (const int row : run.followers[static_cast<std::size_t>(lead)]) {
        const std::string source = run.rows.Source(row);
        std::string target;
        RowResult result = Skipped("Stays with its photo (photo not organized)");
        run.rows.EnsureVisible(row);
        if (leadResult.outcome == RowOutcome::Done) {
            const std::string name =
                    CompanionName(FileNameOf(source), run.links[static_cast<std::size_t>(row)].kind,
                                  FileNameOf(leadTarget));
            result = PlaceFile(run.fs, source, outputRoot, targetFolder, name, run.options, run.move,
                               run.rows, row, target);
        }
        run.rows.SetResult(row, result);
        run.host.Pump();
        run.log.WriteRecord(source, target, run.logVerb, result.text);
        PlaceCompanions(run, row, result, target, outputRoot, targetFolder);
    }
}

// A Live Photo pair whose still and video both carry a content identifier belongs together only
// when the two match: the same name alone may join a video to another day's photo.
bool IdentifiersDiffer(MetaLookup& lookup, const std::string& still, const std::string& video)
{
    std::string stillId, videoId;
    return lookup.GetContentIdentifier(still, stillId) && lookup.GetContentIdentifier(video, videoId) &&
           stillId != videoId;
}

// The companion links of the list and, by lead, the rows that follow it; empty when off.
// Each identifier check asks the metadata tool twice, so the window is kept alive between them.
void LinkCompanions(RunHost& host, RunProgress& progress, const RunRows& rows, const OrganizeOptions& options,
                    MetaLookup& lookup, std::vector<CompanionLink>& links,
                    std::vector<std::vector<int>>& followers)
{
    if (!options.CompanionFiles)
        return;
    std::vector<std::string> sources;
    sources.reserve(static_cast<std::size_t>(rows.Count()));
    for (int row = 0; row < rows.Count(); ++row)
        sources.push_back(rows.Source(row));
    links = FindCompanions(sources);
    for (std::size_t row = 0; row < links.size(); ++row) {
        const CompanionLink link = links[row];
        if (link.kind != CompanionKind::LiveVideo)
            continue;
        progress.SetText("Pairing " + sources[row] + "...");
        host.Pump();
        if (IdentifiersDiffer(lookup, sources[static_cast<std::size_t>(link.lead)], sources[row]))
            links[row] = {};
    }
    followers.assign(links.size(), {});
    for (std::size_t row = 0; row < links.size(); ++row)
        if (links[row].lead >= 0)
            followers[static_cast<std::size_t>(links[row].lead)].push_back(static_cast<int>(row));
}

bool OpenJournal(RunHost& host, RunJournal& journal, const OrganizeOptions& options, bool move)
{
    JournalHeader header;
    header.started = LocalTimeText();
    header.mode = options.Mode;
    header.move = move;
    header.policy = options.TargetExistsOpt;
    if (options.OutputFolderType == kOutputToCustomFolder)
        header.outFolder = options.CustomTargetFolder;
    if (options.RenameTargetFileName)
        header.nameTemplate = options.TargetFilenameFormat;
    const std::string folder = RunsFolder();
    if (journal.Open(folder, NewJournalName(), header, StoredKeepRuns()))
        return true;
    std::string reason;
    const DWORD code = GetLastError();
    if (code != 0)
        SystemErrorText(code, reason);
    host.ShowMessage("Failed to write the run's journal in \"" + folder + "\". " + reason,
                     MessageKind::Warning);
    return false;
}

}  // namespace

RunDecision OrganizeRun(RunHost& host, RunRows& rows, OrganizeOptions options, FileAction action)
{
    RunDecision decision;
    // A file named as the log that is no log is refused before anything is touched.
    if (options.SaveToLog && !options.LogFile.empty() && !OperationLog::Check(options.LogFile, host))
        return decision;
    const bool move = action == FileAction::Move;
    // Every run that changes files keeps a journal, so that it can be undone.
    RunJournal journal(SystemFileOps());
    const bool journaled = host.FileSystem().ChangesFiles();
    if (journaled && !OpenJournal(host, journal, options, move))
        return decision;
    JournalFileSystem journalFileSystem(host.FileSystem(), journal);
    RunFileSystem& fs = journaled ? static_cast<RunFileSystem&>(journalFileSystem) : host.FileSystem();
    if (!CheckSettings(host, fs, options, decision))
        return decision;
    OperationLog log;
    if (options.SaveToLog && !options.LogFile.empty() && !log.Open(options.LogFile, host))
        return decision;
    host.SaveSettingsAndHistories(options);
    host.EnableInput(false);

    RunProgress& progress = host.ShowProgress();
    host.Pump();
    const int count = rows.Count();
    progress.SetRange(0, count);
    progress.SetPosition(0);
    progress.SetStep(1);

    const char* const progressVerb = host.Previewing() ? "Previewing" : move ? "Moving" : "Copying";
    const char* const logVerb = move ? "Move" : "Copy";
    // One lookup, and so one metadata tool process, for the whole run (ended when the run ends,
    // also on Cancel); the window stays alive and Cancel works while a slow file is read.
    MetaLookup lookup;
    lookup.SetWaitHook([&host, &progress] {
        host.Pump();
        return !progress.Cancelled();
    });
    std::vector<CompanionLink> links;
    std::vector<std::vector<int>> followers;
    LinkCompanions(host, progress, rows, options, lookup, links, followers);
    const CompanionPlacing companions {host, fs, rows, options, move, log, logVerb, links, followers};
    DateTime date;  // kept from row to row, as the last successful date lookup left it
    SeenSources sources;
    for (int row = 0; row < count; ++row) {
        // A companion was placed right after its photo.
        if (!links.empty() && links[static_cast<std::size_t>(row)].lead >= 0) {
            progress.Step();
            continue;
        }
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
        bool dateFromName = false;
        std::string origin;
        std::string firstName;
        if (sources.SeenBefore(fs, source, firstName)) {
            result = Skipped(DuplicateText(firstName));
        } else if (AppendModeFolder(lookup, source, options, targetFolder, date, dateFromName, origin,
                                    reason)) {
            if (!origin.empty())
                rows.SetDateUsed(row, date, origin);
            result = PlaceFile(fs, source, outputRoot, targetFolder, BuildTargetName(options, source, date),
                               options, move, rows, row, target);
            if (result.outcome == RowOutcome::Done && dateFromName)
                result.text = kNameDateResult;
        } else {
            result = Failed(reason);
        }
        rows.SetResult(row, result);
        host.Pump();
        log.WriteRecord(source, target, logVerb, result.text);
        if (!links.empty())
            PlaceCompanions(companions, row, result, target, outputRoot, targetFolder);
        if (progress.Cancelled())
            break;
    }
    log.Close();
    progress.Close();
    host.EnableInput(true);
    return decision;
}
