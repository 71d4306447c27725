#include "engine/OrganizeRun.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "engine/Companions.h"
#include "engine/GroupNames.h"
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

// For each row, the name under which an earlier row lists the same file ("" for the first), by
// what identifies a file on its volume (and, where a volume gives nothing, by its full path), so
// that one file listed under two names (a mapped or substituted drive, a share, a short name) is
// organized once. Taken before the first file moves: a moved file is no longer found by its other
// names.
template <class Key>
void Remember(std::map<Key, std::string>& seen, const Key& key, const std::string& source, std::string& first)
{
    const auto [found, added] = seen.emplace(key, source);
    if (!added)
        first = found->second;
}

std::vector<std::string> EarlierNames(RunFileSystem& fs, const RunRows& rows)
{
    std::map<FileIdentity, std::string> byIdentity;
    std::map<std::string, std::string> byPath;
    std::vector<std::string> earlier(static_cast<std::size_t>(rows.Count()));
    for (int row = 0; row < rows.Count(); ++row) {
        const std::string source = rows.Source(row);
        FileIdentity identity;
        std::string& first = earlier[static_cast<std::size_t>(row)];
        if (fs.Identity(source, identity))
            Remember(byIdentity, identity, source, first);
        else
            Remember(byPath, PathKey(FullPath(source)), source, first);
    }
    return earlier;
}

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

// Whether the file functions take target: its full path at most kMaxRunPathLength units and no
// part longer than kMaxNameLength, as the system counts them. Checked before anything is created
// or copied, so that a long template result fails its row at once, in a preview as in the run.
bool TargetFits(const std::string& target)
{
    return PathFits(target);
}

// Step 5a: every name below the output folder is one Windows takes as it stands, and target lies
// inside that folder, whatever a template or a file's metadata put into the names. The folder is
// made full first, so that a relative output folder is checked where it lies.
bool TargetInOutput(const std::string& outputRoot, const std::string& target, std::string& unsafe)
{
    const std::string fullRoot = FullPath(outputRoot);
    return CheckTargetInFolder(fullRoot, fullRoot + target.substr(outputRoot.size()), unsafe);
}

// Steps 5c to 5f: puts source at target, whose name is decided. atTarget tells whether the file
// is at target afterwards (moved or copied there, or there already).
RowResult PutFile(RunFileSystem& fs, const std::string& source, const std::string& targetFolder,
                  const std::string& target, bool replace, bool move, bool& atTarget)
{
    atTarget = false;
    if (!TargetFits(target))
        return Failed("Failure" + ErrorSuffix());
    if (!fs.EnsureFolder(targetFolder))
        return Failed("Failed to create folder \"" + targetFolder + "\"" + ErrorSuffix());
    // The same file reached by another spelling (a short name, a relative part) is the same
    // folder and name too: replacing it would delete the very file being organized.
    if (EqualNoCase(target, source) || (replace && fs.SameFile(target, source))) {
        atTarget = true;
        return Skipped("Same folder and name");
    }
    switch (replace ? fs.Replace(source, target, move) : fs.Transfer(source, target, move)) {
    case TransferOutcome::Done: atTarget = true; return Done();
    // The photo is in the library, but the move did not finish: never a plain OK.
    case TransferOutcome::SourceKept:
        atTarget = true;
        return Failed(std::string(kSourceKeptText) + ErrorSuffix());
    case TransferOutcome::Failed: break;
    }
    return Failed("Failure" + ErrorSuffix());
}

std::string NoFreeNameText()
{
    return "Failure (no free name: the first " + std::to_string(kNumberedNameLimit) +
           " numbered names all exist)";
}

// Steps 5a to 5f of a row placed under name; returns the result and sets target (empty when none
// was built).
RowResult PlaceFile(RunFileSystem& fs, const std::string& source, const std::string& outputRoot,
                    const std::string& targetFolder, const std::string& name, const OrganizeOptions& options,
                    bool move, RunRows& rows, int row, std::string& target)
{
    target = targetFolder + name;
    std::string unsafe;
    if (!TargetInOutput(outputRoot, target, unsafe)) {
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
        case ExistingTarget::NoFreeName: rows.SetTarget(row, target); return Failed(NoFreeNameText());
        }
    }
    rows.SetTarget(row, target);
    bool atTarget = false;
    return PutFile(fs, source, targetFolder, target, replace, move, atTarget);
}

const char kStaysText[] = "Stays with its photo (photo not organized)";

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
    // Keys of the targets this run put files at: Overwrite never replaces them.
    std::set<std::string>& placed;
};

// A photo and its companions, placed under one base name.
struct CompanionGroup {
    std::vector<int> rows;  // the lead first, each companion after the member it follows
    std::vector<GroupMember> members;  // by the same index
    std::optional<GroupDecision> decision;  // none when the lead got no target name
};

void GatherMembers(const CompanionPlacing& run, int row, int parent, CompanionGroup& group)
{
    group.rows.push_back(row);
    group.members.push_back(
            {FileNameOf(run.rows.Source(row)), parent, run.links[static_cast<std::size_t>(row)].kind});
    const int index = static_cast<int>(group.rows.size()) - 1;
    for (const int follower : run.followers[static_cast<std::size_t>(row)])
        GatherMembers(run, follower, index, group);
}

// The group whose lead is row: the row alone when it has no companions.
CompanionGroup GatherGroup(const CompanionPlacing& run, int lead)
{
    CompanionGroup group;
    GatherMembers(run, lead, -1, group);
    return group;
}

// The group's names as the run's file system sees them (a preview's simulation included), with
// the targets this run placed set apart.
class RunNames : public GroupNameOracle {
public:
    RunNames(const CompanionPlacing& run, const CompanionGroup& group) : run_(run), group_(group) { }

    NameUse Use(const std::string& target) override
    {
        if (run_.placed.count(PathKey(target)) != 0)
            return NameUse::PlacedByRun;
        return run_.fs.Exists(target) ? NameUse::Existing : NameUse::Free;
    }

    bool Identical(std::size_t member, const std::string& target) override
    {
        return run_.fs.SameContent(run_.rows.Source(group_.rows.at(member)), target);
    }

private:
    const CompanionPlacing& run_;
    const CompanionGroup& group_;
};

// Member i of a decided group, whose member it follows ended with parentDone (true for the lead);
// sets target as the row shows it.
RowResult PlaceMember(const CompanionPlacing& run, const CompanionGroup& group, std::size_t i,
                      bool parentDone, const std::string& targetFolder, std::string& target)
{
    const GroupDecision& decision = *group.decision;
    const int row = group.rows[i];
    const bool lead = i == 0;
    target = decision.targets[i];
    switch (decision.outcome) {
    case GroupOutcome::Skip: {
        run.rows.SetTarget(row, target);
        if (i == decision.taken)
            return Skipped("Target file exists; skipped");
        const std::string taken = FileNameOf(decision.targets[decision.taken]);
        if (lead)
            return {RowOutcome::Skipped, "Target file of a companion exists (" + taken + "); skipped"};
        return {RowOutcome::Skipped, "Stays with its photo (" + taken + " exists; skipped)"};
    }
    case GroupOutcome::Identical:
        run.rows.SetTarget(row, target);
        return Skipped(lead ? "Identical file exists; skipped"
                            : "Stays with its photo (identical photo exists; skipped)");
    case GroupOutcome::NoFreeName:
        if (!lead) {
            target.clear();
            return Skipped(kStaysText);
        }
        run.rows.SetTarget(row, target);
        return Failed(NoFreeNameText());
    case GroupOutcome::Place: break;
    }
    if (!parentDone) {
        target.clear();
        return Skipped(kStaysText);
    }
    run.rows.SetTarget(row, target);
    bool atTarget = false;
    const RowResult result = PutFile(run.fs, run.rows.Source(row), targetFolder, target, decision.replace[i],
                                     run.move, atTarget);
    if (atTarget)
        run.placed.insert(PathKey(target));
    return result;
}

// Places the lead of group under name, having decided the names of the whole group; returns the
// result and sets target (empty when none was built).
RowResult PlaceLead(const CompanionPlacing& run, CompanionGroup& group, const std::string& outputRoot,
                    const std::string& targetFolder, const std::string& name, std::string& target)
{
    target = targetFolder + name;
    std::string unsafe;
    // A companion's name is the lead's with one of the companions' own extensions, so the lead's
    // check covers the whole group.
    if (!TargetInOutput(outputRoot, target, unsafe)) {
        target.clear();
        return Failed(unsafe);
    }
    RunNames names(run, group);
    group.decision = DecideGroupNames(targetFolder, name, group.members, run.options.TargetExistsOpt, names);
    return PlaceMember(run, group, 0, true, targetFolder, target);
}

// Places the companions of a group right after its lead, each with its own row and log record:
// into the folder of the photo's target, under the group's base name. A companion whose photo (or
// the raw it follows) was not placed stays where it is.
void PlaceCompanions(const CompanionPlacing& run, const CompanionGroup& group, const RowResult& leadResult,
                     const std::string& targetFolder)
{
    std::vector<bool> done {leadResult.outcome == RowOutcome::Done};
    for (std::size_t i = 1; i < group.rows.size(); ++i) {
        const int row = group.rows[i];
        const std::string source = run.rows.Source(row);
        std::string target;
        RowResult result = Skipped(kStaysText);
        run.rows.EnsureVisible(row);
        // A companion that stays shows no target, not the one an earlier run or preview gave it.
        run.rows.SetTarget(row, target);
        if (group.decision) {
            const bool parentDone = done[static_cast<std::size_t>(group.members[i].parent)];
            result = PlaceMember(run, group, i, parentDone, targetFolder, target);
        }
        run.rows.SetResult(row, result);
        run.host.Pump();
        run.log.WriteRecord(source, target, run.logVerb, result.text);
        done.push_back(result.outcome == RowOutcome::Done);
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
    std::set<std::string> placed;
    const CompanionPlacing companions {host, fs, rows, options, move, log, logVerb, links, followers, placed};
    DateTime date;  // kept from row to row, as the last successful date lookup left it
    const std::vector<std::string> earlier = EarlierNames(fs, rows);
    for (int row = 0; row < count; ++row) {
        // A companion was placed right after its photo.
        if (!links.empty() && links[static_cast<std::size_t>(row)].lead >= 0) {
            progress.Step();
            continue;
        }
        const std::string source = rows.Source(row);
        std::string target;
        RowResult result;
        CompanionGroup group;
        if (!links.empty())
            group = GatherGroup(companions, row);

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
        if (!earlier[static_cast<std::size_t>(row)].empty()) {
            result = Skipped(DuplicateText(earlier[static_cast<std::size_t>(row)]));
        } else if (AppendModeFolder(lookup, source, options, targetFolder, date, dateFromName, origin,
                                    reason)) {
            if (!origin.empty())
                rows.SetDateUsed(row, date, origin);
            const std::string name = BuildTargetName(options, source, date);
            result = links.empty() ? PlaceFile(fs, source, outputRoot, targetFolder, name, options, move,
                                               rows, row, target)
                                   : PlaceLead(companions, group, outputRoot, targetFolder, name, target);
            if (result.outcome == RowOutcome::Done && dateFromName)
                result.text = kNameDateResult;
        } else {
            result = Failed(reason);
        }
        rows.SetResult(row, result);
        host.Pump();
        log.WriteRecord(source, target, logVerb, result.text);
        if (!links.empty())
            PlaceCompanions(companions, group, result, targetFolder);
        if (progress.Cancelled())
            break;
    }
    log.Close();
    progress.Close();
    host.EnableInput(true);
    return decision;
}
