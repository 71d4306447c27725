#include "engine/OrganizeRun.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "base/WidePath.h"
#include "engine/ArchiveRun.h"
#include "engine/BackupCopy.h"
#include "engine/CloudFiles.h"
#include "engine/Companions.h"
#include "engine/CopyCheck.h"
#include "engine/GroupNames.h"
#include "engine/LibraryRun.h"
#include "engine/ModeFolder.h"
#include "engine/ModeLookup.h"
#include "engine/NameTemplate.h"
#include "engine/OperationLog.h"
#include "engine/PlaceFinder.h"
#include "base/PathText.h"
#include "engine/PathUtils.h"
#include "engine/ProgressText.h"
#include "engine/ProtectedFolders.h"
#include "engine/RunsFolder.h"
#include "engine/SafePath.h"
#include "engine/SettingsStore.h"
#include "engine/TargetExists.h"

namespace {

const char kNameDateResult[] = "OK (date from file name)";

// A move across drives whose copy is in place but whose source could not be deleted.
const char kSourceKeptText[] = "Copied; the source was kept";

// A row whose copy or comparison Cancel stopped: nothing of it was changed, and it reads as the
// rows the run did not reach.
const char kStoppedText[] = "Not processed: the run was cancelled";

using Clock = std::chrono::steady_clock;

// Longest time the window goes without its messages while one file is copied or compared.
constexpr auto kPumpEvery = std::chrono::milliseconds(100);

// The run's bytes: the window kept alive and its bytes line current while a file is copied or
// compared, and Cancel heard meanwhile. A copy's bytes count towards the run's; a comparison's do
// not, as it moves nothing. A copy a batch writes ahead counts once it is written, and its row
// adds nothing more when it ends.
class RunBytes : public ByteProgress, public BatchProgress {
public:
    RunBytes(RunHost& host, RunProgress& progress, std::uint64_t total)
        : host_(host), progress_(progress), total_(total), started_(Clock::now()), lastPump_(started_)
    { }

    // Called right before the run's own pump at the start of each row.
    void RowStarted()
    {
        stopped_ = false;
        ShowBytes();
        lastPump_ = Clock::now();
    }
    // A row (a companion's included) was placed, skipped or failed: its bytes are behind the run.
    void RowEnded(const std::string& source, std::uint64_t size)
    {
        count_.RowEnded(source, size);
        Reach(count_.Done());
        ++files_;
    }
    // Shows the bytes as they are now (at the end of the run: all of them).
    void Show() { ShowBytes(); }
    // Cancel stopped a copy or comparison of this row.
    bool Stopped() const { return stopped_; }
    // Between the copies a batch makes ahead: the window kept alive as during a copy; false once
    // Cancel was pressed.
    bool KeepAlive()
    {
        if (Clock::now() - lastPump_ >= kPumpEvery) {
            ShowBytes();
            host_.Pump();
            lastPump_ = Clock::now();
        }
        if (progress_.Cancelled())
            stopped_ = true;
        return !stopped_;
    }

    bool Advance(std::uint64_t done, std::uint64_t total) override
    {
        Reach(count_.Done(std::min(done, total)));
        return KeepAlive();
    }

    // Shown at the next pump, which the batch's copies ask for between them.
    void Written(const BatchCopy& copy) override
    {
        count_.Written(copy.source, copy.expectedSize);
        Reach(count_.Done());
    }

    // For comparisons.
    class Comparisons : public ByteProgress {
    public:
        explicit Comparisons(RunBytes& bytes) : bytes_(bytes) { }
        bool Advance(std::uint64_t, std::uint64_t) override { return bytes_.KeepAlive(); }

    private:
        RunBytes& bytes_;
    };

private:
    // The bytes line never goes back: a kept copy of a replaced file counts within its row.
    void Reach(std::uint64_t bytes) { shown_ = std::max(shown_, std::min(bytes, total_)); }

    void ShowBytes()
    {
        if (total_ == 0)
            return;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_);
        const auto ms = static_cast<std::uint64_t>(elapsed.count());
        std::string text = TransferText(shown_, total_, ms);
        const std::string speed = SpeedText(shown_, files_, ms);
        if (!speed.empty())
            text += " (" + speed + ")";
        if (text == text_)
            return;
        text_ = std::move(text);
        progress_.SetDetail(text_);
    }

    RunHost& host_;
    RunProgress& progress_;
    const std::uint64_t total_;
    const Clock::time_point started_;
    Clock::time_point lastPump_;
    RunByteCount count_;
    std::uint64_t shown_ = 0;
    std::uint64_t files_ = 0;  // rows ended, for the pace in files
    std::string text_;
    bool stopped_ = false;
};

// The run's file system, which moves no file of a row whose comparison Cancel stopped: a
// comparison cut short must not decide where a file goes.
class StoppableFileSystem : public RunFileSystem {
public:
    StoppableFileSystem(RunFileSystem& inner, const RunBytes& bytes) : inner_(inner), bytes_(bytes) { }

    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    Status EnsureFolder(const std::string& folder) override { return inner_.EnsureFolder(folder); }
    TransferResult Transfer(const std::string& source, const std::string& target, bool move) override
    {
        return Refused() ? TransferEnded(TransferOutcome::Failed, ERROR_CANCELLED)
                         : inner_.Transfer(source, target, move);
    }
    TransferResult Replace(const std::string& source, const std::string& target, bool move) override
    {
        return Refused() ? TransferEnded(TransferOutcome::Failed, ERROR_CANCELLED)
                         : inner_.Replace(source, target, move);
    }
    bool SameFile(const std::string& a, const std::string& b) override { return inner_.SameFile(a, b); }
    bool ChangesFiles() const override { return inner_.ChangesFiles(); }
    bool SameContent(const std::string& a, const std::string& b) override { return inner_.SameContent(a, b); }
    void CheckCopies(CopyCheck* check) override { inner_.CheckCopies(check); }
    bool Announce(const std::vector<PlannedTransfer>& steps) override { return inner_.Announce(steps); }
    void Withdraw(const std::string& target) override { inner_.Withdraw(target); }
    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        return inner_.Identity(path, identity);
    }
    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        return inner_.FolderIdentities(folder, files);
    }

private:
    bool Refused()
    {
        if (!bytes_.Stopped())
            return false;
        SetLastError(ERROR_CANCELLED);
        return true;
    }

    RunFileSystem& inner_;
    const RunBytes& bytes_;
};

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return PathKey(a) == PathKey(b);
}

// " (reason)" for an error number, or nothing when there is none.
std::string ErrorSuffixFor(DWORD code)
{
    std::string text;
    if (code != 0 && SystemErrorText(code, text))
        return " (" + text + ")";
    return {};
}

// ErrorSuffixFor the thread's last error.
std::string ErrorSuffix()
{
    return ErrorSuffixFor(GetLastError());
}

// What the listing of its folder told of a row's source before the run touched any file: the name
// an earlier row lists the same file under, and the file's stamp and attributes, so that neither
// is asked of the file again.
struct ListedSource {
    std::string earlier;  // "" for the first row of a file
    bool listed = false;  // false: the listing did not hold it, and the file itself is asked
    FileStamp stamp;
    std::uint32_t attributes = FileAttribute::kInvalid;
};

// A file a cloud service keeps only online, which the settings do not allow to download: it is
// neither read nor moved, as either would fetch it whole.
bool LeftOnline(RunHost& host, const OrganizeOptions& options, const std::string& path,
                const ListedSource& listed)
{
    return SkipsCloudFile(host.SourceAttributes(path, listed.attributes), options.DownloadCloudFiles != 0);
}

// The hint after a refusal of a step that created path (creating) or replaced it, where the
// refusal may come from Controlled Folder Access, whose own error says nothing of it.
std::string ControlledFolderSuffix(DWORD code, const std::string& path, bool creating)
{
    if (MayBeControlledFolderAccess(code, creating, PathKey(FullPath(path)), ControlledFolderKeys()))
        return " " + std::string(kControlledFolderHint);
    return {};
}

// ErrorSuffixFor a step that created path (creating) or replaced it, with the hint above.
std::string ErrorSuffixAt(DWORD code, const std::string& path, bool creating)
{
    return ErrorSuffixFor(code) + ControlledFolderSuffix(code, path, creating);
}

// " (reason)" for a failed transfer, or nothing when it gives none.
std::string ReasonSuffix(const Status& status)
{
    return status.Reason().empty() ? std::string() : " (" + status.Reason() + ")";
}

// The output folder of a request, created (through the journal, which records it) before the
// first file; the refusal when it cannot be.
std::optional<RunRefusal> CreateOutputFolder(RunFileSystem& fs, const OrganizeOptions& options)
{
    if (options.OutputFolderType != kOutputToCustomFolder)
        return std::nullopt;
    const Status made = fs.EnsureFolder(options.CustomTargetFolder);
    if (made)
        return std::nullopt;
    std::string reason;
    const DWORD code = made.Code();
    if (code != 0)
        SystemErrorText(code, reason);
    if (MayBeControlledFolderAccess(code, true, PathKey(FullPath(options.CustomTargetFolder)),
                                    ControlledFolderKeys()))
        reason += " " + std::string(kControlledFolderHint);
    return RunRefusal {"Failed to create folder \"" + options.CustomTargetFolder + "\". " + reason,
                       RunField::OutputFolder};
}

// The backup folder, created as the output folder is, before the first file: a backup folder that
// cannot be made refuses the run rather than fail every row's backup.
std::optional<RunRefusal> CreateBackupFolder(RunFileSystem& fs, const OrganizeOptions& options)
{
    if (!options.MakeBackup)
        return std::nullopt;
    const Status made = fs.EnsureFolder(options.BackupFolder);
    if (made)
        return std::nullopt;
    std::string reason;
    const DWORD code = made.Code();
    if (code != 0)
        SystemErrorText(code, reason);
    return RunRefusal {"Failed to create the backup folder \"" + options.BackupFolder + "\". " + reason,
                       RunField::BackupFolder};
}

// Step 4 of a row: the target folder by mode; false, with the row's reason, when the file has no
// answer for the mode, its lookup could not be made, or its answer cannot stand as a folder name.
// A date mode's date is kept in date for the file name.
bool AppendModeFolder(DateLookup& lookup, const std::string& source, const OrganizeOptions& options,
                      const std::vector<ClockRule>& clockRules, std::string& targetFolder, DateTime& date,
                      bool& dateFromName, std::string& clockRule, std::string& takeoutSidecar,
                      std::string& origin, std::string& reason, PlaceNames& place)
{
    auto looked = LookupModeValue(lookup, source, options.Mode, options.NameDates != 0, &origin, clockRules,
                                  &clockRule, options.TakeoutDates != 0);
    if (!looked || !*looked) {
        reason = LookupFailedText(options.Mode, looked.GetStatus());
        return false;
    }
    std::optional<ModeValue>& value = *looked;
    // Only templates with place tags cost the file a second look; a position that cannot be
    // read leaves the place unknown.
    if (TemplatesUsePlace(options))
        value->place = PlaceNamesAt(PositionForPlace(lookup, source, options.TakeoutDates != 0));
    std::string folder;
    if (!ModeFolderPath(options, *value, folder, reason))
        return false;
    if (value->kind == ModeKind::Date)
        date = value->date;
    place = value->place;
    dateFromName = value->dateFromFileName;
    takeoutSidecar = value->takeoutSidecar;
    targetFolder += folder;
    return true;
}

// For each row, the name under which an earlier row lists the same file ("" for the first), by
// what identifies a file on its volume (and, where a volume gives nothing, by its full path), so
// that one file listed under two names (a mapped or substituted drive, a share, a short name, a
// hard link) is organized once. Taken before the first file moves: a moved file is no longer found
// by its other names.
template <class Key>
void Remember(std::map<Key, std::string>& seen, const Key& key, const std::string& source, std::string& first)
{
    const auto [found, added] = seen.emplace(key, source);
    if (!added)
        first = found->second;
}

// The identities of a folder's files by the names a path may give them (long and short, in any
// letter case, as the system compares names); a name two files answer to (a folder that tells
// letter case apart) is left out, so that its rows ask their own file.
std::map<std::string, ListedIdentity> ListedByName(RunFileSystem& fs, const std::string& folder)
{
    std::map<std::string, ListedIdentity> byName;
    std::vector<ListedIdentity> files;
    if (!fs.FolderIdentities(folder, files))
        return byName;
    std::set<std::string> twice;
    const auto add = [&](const std::string& name, const ListedIdentity& file) {
        if (name.empty())
            return;
        const std::string key = PathKey(name);
        const auto [found, added] = byName.emplace(key, file);
        if (!added && !(found->second.identity == file.identity))
            twice.insert(key);
    };
    for (const ListedIdentity& file : files) {
        add(file.name, file);
        add(file.shortName, file);
    }
    for (const std::string& key : twice)
        byName.erase(key);
    return byName;
}

std::vector<ListedSource> ListSources(RunFileSystem& fs, const RunRows& rows)
{
    std::map<FileIdentity, std::string> byIdentity;
    std::map<std::string, std::string> byPath;
    // Opening each file for its identity costs several system calls; one listing of its folder
    // gives those of all its files. A path names the file its folder lists under that name
    // whatever else it spells differently (a short or relative folder, a junction, a share): the
    // folder's own path is opened to list it. A name the listing does not hold as it stands
    // (trailing dots, a link) asks the file itself.
    std::map<std::string, std::map<std::string, ListedIdentity>> listed;  // by folder key
    std::vector<ListedSource> sources(static_cast<std::size_t>(rows.Count()));
    for (int row = 0; row < rows.Count(); ++row) {
        const std::string source = rows.Source(row);
        ListedSource& entry = sources[static_cast<std::size_t>(row)];
        FileIdentity identity;
        std::string folder;
        if (FolderOf(source, folder)) {
            auto it = listed.find(PathKey(folder));
            if (it == listed.end())
                it = listed.emplace(PathKey(folder), ListedByName(fs, folder)).first;
            const auto file = it->second.find(PathKey(FileNameOf(source)));
            entry.listed = file != it->second.end();
            if (entry.listed) {
                identity = file->second.identity;
                entry.stamp = file->second.stamp;
                entry.attributes = file->second.attributes;
            }
        }
        if (entry.listed || fs.Identity(source, identity))
            Remember(byIdentity, identity, source, entry.earlier);
        else
            Remember(byPath, PathKey(FullPath(source)), source, entry.earlier);
    }
    return sources;
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
    if (const Status made = fs.EnsureFolder(targetFolder); !made)
        return Failed("Failed to create folder \"" + targetFolder + "\"" +
                      ErrorSuffixAt(made.Code(), targetFolder, true));
    // The same file reached by another spelling (a short name, a relative part) is the same
    // folder and name too: replacing it would delete the very file being organized.
    if (EqualNoCase(target, source) || (replace && fs.SameFile(target, source))) {
        atTarget = true;
        return Skipped("Same folder and name");
    }
    const TransferResult placed =
            replace ? fs.Replace(source, target, move) : fs.Transfer(source, target, move);
    switch (placed.outcome) {
    case TransferOutcome::Done: atTarget = true; return Done();
    // The photo is in the library, but the move did not finish: never a plain OK.
    case TransferOutcome::SourceKept:
        atTarget = true;
        return Failed(std::string(kSourceKeptText) + ReasonSuffix(placed.status));
    case TransferOutcome::Failed: break;
    }
    const DWORD code = placed.status.Code();
    if (code == ERROR_CANCELLED)
        return Failed(kStoppedText);
    RowResult failed =
            Failed("Failure" + ReasonSuffix(placed.status) + ControlledFolderSuffix(code, target, !replace));
    // The caller tells a name taken meanwhile by the step's own reason.
    SetLastError(code);
    return failed;
}

std::string NoFreeNameText()
{
    return "Failure (no free name: the first " + std::to_string(kNumberedNameLimit) +
           " numbered names all exist)";
}

// A row whose step another program's file refused is planned again this many times at most.
constexpr int kPlansAgain = 8;

// Whether result is a step PutFile ended because another program took its name meanwhile: the
// real transfer refuses a taken name rather than replace it.
bool TakenMeanwhile(const RowResult& result)
{
    return result.outcome == RowOutcome::Failed &&
           (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS);
}

// Steps 5a to 5f of a row placed under name; returns the result and sets target (empty when none
// was built). A target told ahead was free when its batch was planned and is not looked for again;
// nor is one the run knows free from its folder's names. The real transfer refuses a name taken
// since, and the row is then placed as if it had been taken all along.
RowResult PlaceFile(RunFileSystem& fs, const std::string& source, const std::string& outputRoot,
                    const std::string& targetFolder, const std::string& name, const OrganizeOptions& options,
                    bool move, std::string& target, bool told, int plansLeft = kPlansAgain)
{
    target = targetFolder + name;
    std::string unsafe;
    if (!TargetInOutput(outputRoot, target, unsafe)) {
        target.clear();
        return Failed(unsafe);
    }
    bool replace = false;
    if (!told && fs.Exists(target)) {
        switch (ResolveExistingTarget(fs, source, options.TargetExistsOpt, target)) {
        case ExistingTarget::Skip: return Skipped("Target file exists; skipped");
        case ExistingTarget::Identical: return Skipped("Identical file exists; skipped");
        case ExistingTarget::Replace: replace = true; break;
        case ExistingTarget::Free: break;
        case ExistingTarget::NoFreeName: return Failed(NoFreeNameText());
        }
    }
    bool atTarget = false;
    RowResult result = PutFile(fs, source, targetFolder, target, replace, move, atTarget);
    if (plansLeft > 0 && result.outcome == RowOutcome::Failed &&
        (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS))
        return PlaceFile(fs, source, outputRoot, targetFolder, name, options, move, target, false,
                         plansLeft - 1);
    return result;
}

// The second copy of each file the run places: from the library copy, once it stands complete
// under its name, to the place it has below the output folder, joined to the backup folder. Made
// from the placed file, so that a move's source is never waited on nor kept longer, and the backup
// holds exactly the library's bytes. Its failure leaves the row OK (the file is in the library)
// and says why after the row's text.
class RunBackup {
public:
    RunBackup(RunFileSystem& fs, const OrganizeOptions& options) : fs_(fs), options_(options) { }

    // Copies the file that result placed at target and adds the outcome to result's text and to
    // the record's backup part.
    void Make(RunRecord& record, const std::string& outputRoot, const std::string& target,
              RowResult& result) const
    {
        if (!options_.MakeBackup || result.outcome != RowOutcome::Done)
            return;
        std::string backup = BackupPathFor(outputRoot, options_.BackupFolder, target);
        std::string reason;
        if (Copy(target, backup, reason)) {
            result.text += std::string(kBackupToMark) + backup;
            record.backup = backup;
        } else {
            result.text += std::string(kBackupFailedMark) + reason;
            record.backup = "failed: " + reason;
        }
    }

private:
    // False with the reason when the backup was not made; backup becomes the name it took.
    bool Copy(const std::string& target, std::string& backup, std::string& reason) const
    {
        const BackupResult made = MakeBackupCopy(fs_, target, options_.TargetExistsOpt, backup);
        switch (made.outcome) {
        case BackupOutcome::Made:
        case BackupOutcome::Identical: return true;
        case BackupOutcome::Taken: reason = "\"" + backup + "\" exists; skipped"; return false;
        case BackupOutcome::NoFreeName:
            reason = "no free name: the first " + std::to_string(kNumberedNameLimit) +
                     " numbered names all exist";
            return false;
        case BackupOutcome::Failed: break;
        }
        return Refused(made.status, reason);
    }

    static bool Refused(const Status& failure, std::string& reason)
    {
        if (failure.Code() == ERROR_CANCELLED)
            reason = "the run was cancelled";
        else if (failure.Reason().empty())
            reason = "error " + std::to_string(failure.Code());
        else
            reason = failure.Reason();
        return false;
    }

    RunFileSystem& fs_;
    const OrganizeOptions& options_;
};

const char kStaysText[] = "Stays with its photo (photo not organized)";

// What companions need from the run that places their photo.
struct CompanionPlacing {
    RunHost& host;
    RunFileSystem& fs;
    RunRows& rows;
    const OrganizeOptions& options;
    bool move;
    bool preview;
    OperationLog& log;
    const std::vector<CompanionLink>& links;
    const std::vector<std::vector<int>>& followers;  // by lead row
    // Keys of the targets this run put files at: Overwrite never replaces them.
    std::set<std::string>& placed;
    RunBytes& bytes;
    const std::vector<std::uint64_t>& sizes;  // by row
    const RunBackup& backup;
    CopyCheck& check;  // what the last transfer copied, for the report's hash
    const std::vector<ListedSource>& listed;  // by row
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
        if (i == decision.taken)
            return Skipped("Target file exists; skipped");
        const std::string taken = FileNameOf(decision.targets[decision.taken]);
        if (lead)
            return {RowOutcome::Skipped, "Target file of a companion exists (" + taken + "); skipped"};
        return {RowOutcome::Skipped, "Stays with its photo (" + taken + " exists; skipped)"};
    }
    case GroupOutcome::Identical:
        return Skipped(lead ? "Identical file exists; skipped"
                            : "Stays with its photo (identical photo exists; skipped)");
    case GroupOutcome::NoFreeName:
        if (!lead) {
            target.clear();
            return Skipped(kStaysText);
        }
        return Failed(NoFreeNameText());
    case GroupOutcome::Place: break;
    }
    if (!parentDone) {
        target.clear();
        return Skipped(kStaysText);
    }
    bool atTarget = false;
    RowResult result = PutFile(run.fs, run.rows.Source(row), targetFolder, target, decision.replace[i],
                               run.move, atTarget);
    // A companion's name another program took after its photo was placed: the group's base name
    // cannot change any more (the lead's own is decided again by PlaceLead).
    if (!lead && TakenMeanwhile(result)) {
        switch (CompanionNameTaken(run.options.TargetExistsOpt)) {
        case TakenCompanion::Replace:
            result = PutFile(run.fs, run.rows.Source(row), targetFolder, target, true, run.move, atTarget);
            break;
        case TakenCompanion::Stays:
            result = Skipped("Stays with its photo (" + FileNameOf(target) + " exists; skipped)");
            break;
        case TakenCompanion::StaysUnnumbered:
            result = Skipped("Stays with its photo (" + FileNameOf(target) + " appeared meanwhile; skipped)");
            break;
        }
    }
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
    // The lead's step refuses a name another program took after the decision; the group is then
    // decided again, that file seen, as if it had been there all along.
    RowResult result = Failed({});
    DecideGroupForLead(targetFolder, name, group.members, run.options.TargetExistsOpt, names, kPlansAgain,
                       [&](const GroupDecision& decision) {
                           group.decision = decision;
                           result = PlaceMember(run, group, 0, true, targetFolder, target);
                           return TakenMeanwhile(result);
                       });
    return result;
}

// Places the companions of a group right after its lead, each with its own row and log record:
// into the folder of the photo's target, under the group's base name. A companion whose photo (or
// the raw it follows) was not placed stays where it is. False when Cancel stopped a companion's
// copy: that row and the rest are left as the run did not reach them.
bool PlaceCompanions(const CompanionPlacing& run, const CompanionGroup& group, const RowResult& leadResult,
                     const std::string& outputRoot, const std::string& targetFolder)
{
    std::vector<bool> done {leadResult.outcome == RowOutcome::Done};
    for (std::size_t i = 1; i < group.rows.size(); ++i) {
        const int row = group.rows[i];
        const std::string source = run.rows.Source(row);
        std::string target;
        RowResult result = Skipped(kStaysText);
        run.rows.EnsureVisible(row);
        if (group.decision &&
            LeftOnline(run.host, run.options, source, run.listed[static_cast<std::size_t>(row)])) {
            result = Skipped(kCloudFileSkippedText);
        } else if (group.decision) {
            const bool parentDone = done[static_cast<std::size_t>(group.members[i].parent)];
            result = PlaceMember(run, group, i, parentDone, targetFolder, target);
        }
        if (result.text == kStoppedText)
            return false;
        // A companion that stays shows no target, not the one an earlier run or preview gave it.
        RunRecord record;
        record.source = source;
        record.move = run.move;
        record.preview = run.preview;
        record.companion = true;
        if (result.outcome == RowOutcome::Done && run.check.copied)
            record.copyHash = HashText(run.check.hash);
        run.backup.Make(record, outputRoot, target, result);
        record.target = target;
        record.result = result;
        run.rows.EndRow(row, record);
        run.bytes.RowEnded(source, run.sizes[static_cast<std::size_t>(row)]);
        run.host.Pump();
        run.log.WriteRecord(record);
        done.push_back(result.outcome == RowOutcome::Done);
    }
    return true;
}

// A Live Photo pair whose still and video both carry a content identifier belongs together only
// when the two match: the same name alone may join a video to another day's photo.
bool IdentifiersDiffer(DateLookup& lookup, const std::string& still, const std::string& video)
{
    const auto stillId = lookup.ContentIdentifier(still);
    if (!stillId || !*stillId)
        return false;
    const auto videoId = lookup.ContentIdentifier(video);
    return videoId && *videoId && **stillId != **videoId;
}

// With Takeout dates on, a sidecar goes with the file of the list it belongs to, arriving as that
// file's new name with ".json", so that the next run finds it by the plain form; one whose file is
// not in the list goes nowhere, whatever its name looks like.
void LinkTakeoutSidecars(const std::vector<std::string>& sources,
                         const std::vector<std::optional<TakeoutRole>>& takeout,
                         std::vector<CompanionLink>& links)
{
    if (takeout.empty())
        return;
    std::map<std::string, int> rowOf;
    for (std::size_t row = 0; row < sources.size(); ++row)
        rowOf.emplace(PathKey(FullPath(sources[row])), static_cast<int>(row));
    for (std::size_t row = 0; row < sources.size(); ++row) {
        const std::optional<TakeoutRole>& role = takeout[row];
        if (!role || role->kind != TakeoutRole::Kind::Sidecar)
            continue;
        links[row] = {};
        if (role->partner.empty())
            continue;
        const auto owner = rowOf.find(PathKey(FullPath(role->partner)));
        if (owner != rowOf.end() && owner->second != static_cast<int>(row))
            links[row] = {owner->second, CompanionKind::FullNameSidecar};
    }
}

// The companion links of the list and, by lead, the rows that follow it; empty when off.
// Each identifier check asks the metadata tool twice, so the window is kept alive between them.
void LinkCompanions(RunHost& host, RunProgress& progress, const RunRows& rows, const OrganizeOptions& options,
                    DateLookup& lookup, const std::vector<std::optional<TakeoutRole>>& takeout,
                    const std::vector<ListedSource>& listed, std::vector<CompanionLink>& links,
                    std::vector<std::vector<int>>& followers)
{
    if (!options.CompanionFiles)
        return;
    std::vector<std::string> sources;
    sources.reserve(static_cast<std::size_t>(rows.Count()));
    for (int row = 0; row < rows.Count(); ++row)
        sources.push_back(rows.Source(row));
    links = FindCompanions(sources);
    LinkTakeoutSidecars(sources, takeout, links);
    for (std::size_t row = 0; row < links.size(); ++row) {
        const CompanionLink link = links[row];
        if (link.kind != CompanionKind::LiveVideo)
            continue;
        // Reading an identifier would download the file: such a pair stays paired by its names.
        const std::string& still = sources[static_cast<std::size_t>(link.lead)];
        if (LeftOnline(host, options, still, listed[static_cast<std::size_t>(link.lead)]) ||
            LeftOnline(host, options, sources[row], listed[row]))
            continue;
        progress.SetText("Pairing " + sources[row] + "...");
        host.Pump();
        if (IdentifiersDiffer(lookup, still, sources[row]))
            links[row] = {};
    }
    followers.assign(links.size(), {});
    for (std::size_t row = 0; row < links.size(); ++row)
        if (links[row].lead >= 0)
            followers[static_cast<std::size_t>(links[row].lead)].push_back(static_cast<int>(row));
}

// With Takeout dates on, what each row is to its export (nothing where its folder cannot be
// listed); empty when off. Each folder is listed once, its sidecars read where names leave a choice.
std::vector<std::optional<TakeoutRole>> TakeoutRoles(RunHost& host, RunProgress& progress,
                                                     const RunRows& rows, const OrganizeOptions& options,
                                                     DateLookup& lookup)
{
    std::vector<std::optional<TakeoutRole>> roles;
    if (!options.TakeoutDates)
        return roles;
    progress.SetText("Matching Takeout sidecars...");
    host.Pump();
    roles.reserve(static_cast<std::size_t>(rows.Count()));
    for (int row = 0; row < rows.Count(); ++row) {
        // A folder that cannot be listed gives its files no role: each file's own lookup says why.
        auto role = lookup.TakeoutRoleOf(rows.Source(row));
        roles.push_back(role ? std::move(*role) : std::nullopt);
    }
    return roles;
}

// A photo or video that no sidecar of its folder belongs to (or whose folder could not be listed).
bool NoTakeoutSidecar(const std::optional<TakeoutRole>& role)
{
    return !role || (role->kind == TakeoutRole::Kind::Media && role->partner.empty());
}

// Rows are looked up a batch ahead of their steps, so that the journal records the steps of a
// whole batch with one disk flush.
constexpr int kBatchRows = 64;

// The files of rows first to end are the next ones the lookup will be asked about.
void TellAhead(DateLookup& lookup, RunRows& rows, int first, int end)
{
    std::vector<std::string> ahead;
    for (int next = first; next < end; ++next)
        ahead.push_back(rows.Source(next));
    lookup.Ahead(ahead);
}

// What a row needs before it is placed, found before the steps of its batch.
struct RowPlan {
    std::string source;
    std::string targetFolder;
    std::string outputRoot;
    std::string name;  // the file name to place it under; empty when result says why not
    RowResult result {RowOutcome::Failed, {}};
    DateTime date;
    bool dateFromName = false;
    std::string clockRule;  // the camera clock rule that moved the date, or ""
    std::string takeoutSidecar;  // the Takeout sidecar the date came from
    std::string origin;
    std::string place;  // the place's description, when the templates asked for one
    std::string announced;  // the target told ahead to the file system, if any
    std::optional<FileStamp> stamp;  // the source's as its folder's listing gave it
};

RowPlan PlanRow(DateLookup& lookup, const PreparedRun& request, const std::string& source,
                const std::string& earlier, bool leftOnline, const std::optional<TakeoutRole>& takeout,
                DateTime& date)
{
    const OrganizeOptions& options = request.options;
    RowPlan plan;
    plan.source = source;
    if (options.OutputFolderType == kOutputToCustomFolder)
        plan.targetFolder = options.CustomTargetFolder;
    else if (!FolderOf(source, plan.targetFolder))
        plan.targetFolder.clear();
    plan.outputRoot = plan.targetFolder;
    std::string reason;
    PlaceNames place;
    if (!earlier.empty()) {
        plan.result = Skipped(DuplicateText(earlier));
    } else if (leftOnline) {
        plan.result = Skipped(kCloudFileSkippedText);
    } else if (takeout && takeout->kind == TakeoutRole::Kind::Sidecar) {
        // Never organized as a photo: it goes with its file as a companion, or stays.
        plan.result =
                Skipped(takeout->partner.empty()
                                ? std::string(kLoneTakeoutSidecarText)
                                : "Takeout sidecar of \"" + FileNameOf(takeout->partner) + "\"; skipped");
    } else if (AppendModeFolder(lookup, source, options, request.clockRules, plan.targetFolder, date,
                                plan.dateFromName, plan.clockRule, plan.takeoutSidecar, plan.origin, reason,
                                place)) {
        plan.date = date;
        plan.place = place.description;
        plan.name = BuildTargetName(options, source, date, place);
    } else {
        plan.result = Failed(reason);
    }
    return plan;
}

// The folders that hold the run's sources, told apart from a target's folder by what identifies
// them, so that a move's target in a source folder under another spelling (a short name, a
// relative part) is known: there a rename onto the target could be the file's rename onto itself.
class SourceFolders {
public:
    SourceFolders(RunFileSystem& fs, const RunRows& rows) : fs_(fs)
    {
        std::set<std::string> seen;
        for (int row = 0; row < rows.Count() && known_; ++row) {
            std::string folder;
            FileIdentity identity;
            if (!FolderOf(rows.Source(row), folder) || !seen.insert(PathKey(folder)).second)
                continue;
            known_ = fs_.Identity(folder, identity);
            identities_.insert(identity);
        }
    }

    // Whether folder is (or may be: where no identity is to be had) a source's folder. Asked of
    // the file system once a folder; a folder not there yet holds no source.
    bool MayHoldSources(const std::string& folder)
    {
        if (!known_)
            return true;
        const auto [it, added] = asked_.emplace(PathKey(folder), true);
        if (!added)
            return it->second;
        FileIdentity identity;
        if (!fs_.Exists(folder))
            it->second = false;
        else if (fs_.Identity(folder, identity))
            it->second = identities_.count(identity) != 0;
        else
            it->second = GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND;
        return it->second;
    }

private:
    RunFileSystem& fs_;
    bool known_ = true;
    std::set<FileIdentity> identities_;
    std::map<std::string, bool> asked_;  // by folder key
};

// Tells the file system the steps of a batch whose targets are free now: each is taken as
// told unless something changes before its turn. A move's target outside the sources' folders is
// not looked for: its rename never replaces, and a name found taken then is placed by its policy
// as one taken meanwhile. A copy's is, as a copy would write the whole file before its name is
// refused.
void AnnounceBatch(RunFileSystem& fs, std::vector<RowPlan>& plans, bool move, SourceFolders& sourceFolders)
{
    std::vector<PlannedTransfer> steps;
    std::set<std::string> targets;
    for (RowPlan& plan : plans) {
        if (plan.name.empty())
            continue;
        const std::string target = plan.targetFolder + plan.name;
        std::string unsafe;
        if (EqualNoCase(target, plan.source) || !TargetFits(target) ||
            !TargetInOutput(plan.outputRoot, target, unsafe) || !targets.insert(PathKey(target)).second ||
            ((!move || sourceFolders.MayHoldSources(plan.targetFolder)) && fs.Exists(target)))
            continue;
        plan.announced = target;
        steps.push_back({plan.source, target, move, plan.stamp});
    }
    // Without the records told ahead, each step records itself as before.
    if (!fs.Announce(steps)) {
        for (RowPlan& plan : plans)
            plan.announced.clear();
    }
}

// The library of a run that skips the files it already has, read before the first row; false
// when Cancel stopped its scan. None for other runs and for files placed beside their source.
bool OpenLibrary(RunHost& host, RunProgress& progress, const OrganizeOptions& options, bool preview,
                 std::optional<RunLibrary>& library)
{
    if (!options.SkipKnownFiles || options.OutputFolderType != kOutputToCustomFolder)
        return true;
    library.emplace(options.CustomTargetFolder, preview);
    return library->Open(host, progress);
}

// A row whose very source an earlier run placed in the library (same volume, path, size and time,
// the library file unchanged since) is skipped without reading a byte of it, its date included;
// asking opens no file's content, so a file kept only online is not fetched.
RowPlan PlanLibraryRow(RunLibrary* library, DateLookup& lookup, const PreparedRun& request,
                       const std::string& source, const std::string& earlier, bool leftOnline,
                       const std::optional<TakeoutRole>& takeout, DateTime& date)
{
    std::string existing;
    if (library == nullptr || !library->KnownSource(source, existing))
        return PlanRow(lookup, request, source, earlier, leftOnline, takeout, date);
    RowPlan plan;
    plan.source = source;
    plan.result = Skipped(kKnownLead + existing);
    return plan;
}

// Whether the library has the bytes of source already (result says where), or Cancel stopped the
// comparison (result says so); false when the file is new to it.
bool KnownInLibrary(RunLibrary* library, ArchiveStage& stage, const std::string& source,
                    ByteProgress& comparisons, RowResult& result)
{
    if (library == nullptr)
        return false;
    // A member of an archive is compared by the copy staged for it.
    std::string bytesAt = source, reason;
    if (stage.IsMember(source) && !stage.Staged(source, bytesAt, reason))
        return false;
    std::string existing;
    switch (library->KnownContent(source, bytesAt, &comparisons, existing)) {
    case LibraryIndex::Found::Yes: result = Skipped(kKnownLead + existing); return true;
    case LibraryIndex::Found::Stopped: result = Failed(kStoppedText); return true;
    case LibraryIndex::Found::No: break;
    }
    return false;
}

// True when status is a success; else shows its reason as a warning.
bool OkOrShown(RunMessages& messages, const Status& status)
{
    if (!status)
        messages.ShowMessage(status.Reason(), MessageKind::Warning);
    return status.Ok();
}

bool OpenJournal(RunHost& host, RunJournal& journal, const OrganizeOptions& options, bool move)
{
    JournalHeader header;
    header.started = LocalTimeText();
    header.mode = static_cast<std::uint32_t>(options.Mode);
    header.move = move;
    header.policy = static_cast<std::uint32_t>(options.TargetExistsOpt);
    if (options.OutputFolderType == kOutputToCustomFolder)
        header.outFolder = options.CustomTargetFolder;
    if (options.RenameTargetFileName)
        header.nameTemplate = options.TargetFilenameFormat;
    return OkOrShown(host, journal.Open(RunsFolder(), NewJournalName(), header, StoredKeepRuns()));
}

// Each row's file size, for the bytes line, and their sum; 0 where a size cannot be read (the row
// then says why). A file inside an archive counts with its size uncompressed, which its copy writes;
// a file its folder's listing held, with the size listed.
std::vector<std::uint64_t> SourceSizes(const RunRows& rows, ArchiveStage& stage,
                                       const std::vector<ListedSource>& listed, std::uint64_t& total)
{
    std::vector<std::uint64_t> sizes(static_cast<std::size_t>(rows.Count()));
    total = 0;
    for (int row = 0; row < rows.Count(); ++row) {
        const std::string source = rows.Source(row);
        const ListedSource& entry = listed[static_cast<std::size_t>(row)];
        FileStamp stamp = entry.stamp;
        const bool sized = stage.IsMember(source)
                                   ? stage.MemberSize(source, stamp.size)
                                   : entry.listed || ReadStampOf(SystemFileOps(), source, stamp);
        if (sized)
            total += sizes[static_cast<std::size_t>(row)] = stamp.size;
    }
    return sizes;
}

// The run's comparisons reported while it runs; the host's file system outlives the run.
class ComparisonsReported {
public:
    ComparisonsReported(RunFileSystem& fs, ByteProgress& progress) : fs_(fs)
    {
        fs_.ReportComparisons(&progress);
    }
    ~ComparisonsReported() { fs_.ReportComparisons(nullptr); }
    ComparisonsReported(const ComparisonsReported&) = delete;
    ComparisonsReported& operator=(const ComparisonsReported&) = delete;

private:
    RunFileSystem& fs_;
};

// Where a run stages the files it takes out of zip archives: inside the output folder, so that each
// becomes its copy by a rename on one drive; a preview's go to the temporary folder, as a preview
// changes nothing in the user's folders. None without an output folder (such rows are refused).
std::string ArchiveStageFolder(const OrganizeOptions& options, bool changesFiles)
{
    if (options.OutputFolderType != kOutputToCustomFolder)
        return {};
    if (changesFiles)
        return WithBackslash(options.CustomTargetFolder) + kArchiveStageName;
    return TemporaryArchiveStageFolder();
}

// A row the run cannot take, with its reason.
RowPlan RefusedRow(const std::string& source, const std::string& reason)
{
    RowPlan plan;
    plan.source = source;
    plan.result = Failed(reason);
    return plan;
}

// The run's copies hashed, and verified when the options ask, while it runs.
class CopiesChecked {
public:
    CopiesChecked(RunFileSystem& fs, CopyCheck& check) : fs_(fs) { fs_.CheckCopies(&check); }
    ~CopiesChecked() { fs_.CheckCopies(nullptr); }
    CopiesChecked(const CopiesChecked&) = delete;
    CopiesChecked& operator=(const CopiesChecked&) = delete;

private:
    RunFileSystem& fs_;
};

}  // namespace

std::string TemporaryArchiveStageFolder()
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return {};
    return NarrowText(std::wstring(temp, length)) + std::to_string(GetCurrentProcessId()) + kArchiveStageName;
}

std::uint32_t RunHost::SourceAttributes(const std::string& path, std::uint32_t listed)
{
    return listed != FileAttribute::kInvalid ? listed : GetFileAttributesW(WideOf(path).c_str());
}

RunDecision OrganizeRun(RunHost& host, RunRows& rows, DateLookup& fileLookup, RunFileSystem& chosen,
                        const PreparedRun& request, FileAction action)
{
    RunDecision decision;
    decision.refusal = request.refusal;
    if (decision.refusal)
        return decision;
    const OrganizeOptions& options = request.options;
    std::vector<std::string> sources;
    for (int row = 0; row < rows.Count(); ++row)
        sources.push_back(rows.Source(row));
    decision.refusal = BackupSourceRefusal(options, sources);
    if (decision.refusal)
        return decision;
    // Files inside zip archives are read, copied and compared through their staged copies.
    ArchiveStage stage(SystemFileOps(), ArchiveStageFolder(options, chosen.ChangesFiles()));
    ArchiveFileOps archiveOps(SystemFileOps(), stage);
    ArchiveRunFileSystem archiveFileSystem(chosen, stage);
    stage.UseTakeout(options.TakeoutDates != 0);
    ArchiveLookup lookup(fileLookup, stage);
    // A file named as the log that is no log is refused before anything is touched.
    if (options.SaveToLog && !options.LogFile.empty() &&
        !OkOrShown(host, OperationLog::Check(options.LogFile)))
        return decision;
    const bool move = action == FileAction::Move;
    // Every run that changes files keeps a journal, so that it can be undone.
    // Its copies are reported once the progress window is there.
    ReportingFileOps journalOps(archiveOps);
    RunJournal journal(journalOps);
    const bool journaled = chosen.ChangesFiles();
    if (journaled && !OpenJournal(host, journal, options, move))
        return decision;
    JournalFileSystem journalFileSystem(archiveFileSystem, journal);
    RunFileSystem& fs = journaled ? static_cast<RunFileSystem&>(journalFileSystem) : archiveFileSystem;
    // The backup folder first: a run it refuses has made no folder.
    decision.refusal = CreateBackupFolder(fs, options);
    if (!decision.refusal)
        decision.refusal = CreateOutputFolder(fs, options);
    if (decision.refusal)
        return decision;
    OperationLog log;
    if (options.SaveToLog && !options.LogFile.empty() && !OkOrShown(host, log.Open(options.LogFile)))
        return decision;
    decision.started = true;
    // A run killed before it could clean up may have left staged members in the output folder.
    stage.SweepLeftovers();
    host.EnableInput(false);

    RunProgress& progress = host.ShowProgress();
    host.Pump();
    const int count = rows.Count();
    progress.SetRange(0, count);
    progress.SetPosition(0);
    progress.SetStep(1);

    const char* const progressVerb = !chosen.ChangesFiles() ? "Previewing" : move ? "Moving" : "Copying";
    progress.SetTitle(std::string(progressVerb) + " files - Quillmere");
    // The window stays alive and Cancel works while a slow file is read.
    lookup.SetWaitHook([&host, &progress] {
        host.Pump();
        return !progress.Cancelled();
    });
    // Listed before the first file moves: a moved file is no longer found by its other names.
    const std::vector<ListedSource> listed = ListSources(fs, rows);
    const std::vector<std::optional<TakeoutRole>> takeout =
            TakeoutRoles(host, progress, rows, options, lookup);
    std::vector<CompanionLink> links;
    std::vector<std::vector<int>> followers;
    LinkCompanions(host, progress, rows, options, lookup, takeout, listed, links, followers);
    // A preview moves no bytes: it shows none.
    std::uint64_t totalBytes = 0;
    const std::vector<std::uint64_t> sizes =
            !chosen.ChangesFiles() ? std::vector<std::uint64_t>(static_cast<std::size_t>(count))
                                   : SourceSizes(rows, stage, listed, totalBytes);
    RunBytes bytes(host, progress, totalBytes);
    RunBytes::Comparisons comparisons(bytes);
    journalOps.ReportTo(&bytes, &bytes);
    const ComparisonsReported reported(chosen, comparisons);
    StoppableFileSystem stoppable(fs, bytes);
    std::optional<RunLibrary> library;
    if (!OpenLibrary(host, progress, options, !chosen.ChangesFiles(), library)) {
        log.Close();
        progress.Close();
        host.EnableInput(true);
        return decision;
    }
    RunLibrary* const known = library ? &*library : nullptr;
    LibraryFileSystem placing(stoppable, known);
    CopyCheck check;
    check.verify = options.VerifyCopies != 0;
    const CopiesChecked checked(placing, check);
    std::set<std::string> placed;
    // Backups go through the journal, but not into the library's index: they are not below it.
    const RunBackup backup(stoppable, options);
    const bool preview = !chosen.ChangesFiles();
    const CompanionPlacing companions {host,      placing, rows,  options, move,   preview, log,   links,
                                       followers, placed,  bytes, sizes,   backup, check,   listed};
    DateTime date;  // kept from row to row, as the last successful date lookup left it
    std::vector<RowPlan> batch;
    int batchStart = 0;
    SourceFolders sourceFolders(fs, rows);
    for (int row = 0; row < count; ++row) {
        // A companion was placed right after its photo.
        if (!links.empty() && links[static_cast<std::size_t>(row)].lead >= 0) {
            progress.Step();
            continue;
        }
        if (row >= batchStart + static_cast<int>(batch.size())) {
            // Companions are placed group by group, each step recorded on its own.
            batch.clear();
            batchStart = row;
            const int end = links.empty() ? std::min(count, row + kBatchRows) : row + 1;
            // The batch's files can be read ahead of their lookups, while the rows before them
            // are planned.
            const bool readsFiles = ModeReadsMetadata(options.Mode) || TemplatesUsePlace(options);
            if (readsFiles)
                TellAhead(lookup, rows, row, end);
            // A Cancel pressed meanwhile ends the run after the row it came during, as always:
            // the batch is cut short, never emptied. The lookups keep the window alive themselves.
            for (int next = row; next < end && (next == row || !progress.Cancelled()); ++next) {
                const std::string source = rows.Source(next);
                // A sidecar's row is skipped: its bytes are taken out with its photo's, not here.
                const bool sidecarRow =
                        !takeout.empty() && takeout[static_cast<std::size_t>(next)] &&
                        takeout[static_cast<std::size_t>(next)]->kind == TakeoutRole::Kind::Sidecar;
                const std::string refusal = stage.Refusal(
                        source, move, options.OutputFolderType == kOutputToCustomFolder, !sidecarRow);
                if (!refusal.empty()) {
                    batch.push_back(RefusedRow(source, refusal));
                    continue;
                }
                const ListedSource& entry = listed[static_cast<std::size_t>(next)];
                batch.push_back(PlanLibraryRow(
                        known, lookup, request, source, entry.earlier,
                        LeftOnline(host, options, source, entry),
                        takeout.empty() ? std::nullopt : takeout[static_cast<std::size_t>(next)], date));
                if (entry.listed)
                    batch.back().stamp = entry.stamp;
            }
            // The next batch's files are read while this one's steps are carried out.
            if (readsFiles && links.empty() && end < count && row + static_cast<int>(batch.size()) == end)
                TellAhead(lookup, rows, end, std::min(count, end + kBatchRows));
            if (links.empty())
                AnnounceBatch(fs, batch, move, sourceFolders);
            // The batch's copies are flushed together before their renames. A run that skips the
            // files its library has decides that row by row, after a comparison: not ahead.
            if (links.empty() && !move && known == nullptr)
                fs.CopyAhead([&bytes] { return !bytes.KeepAlive(); });
        }
        RowPlan& plan = batch[static_cast<std::size_t>(row - batchStart)];
        const std::string& source = plan.source;
        std::string target;
        RowResult result = plan.result;
        RunRecord record;
        record.source = source;
        record.move = move;
        record.preview = preview;
        CompanionGroup group;
        if (!links.empty())
            group = GatherGroup(companions, row);

        char line[64];
        std::snprintf(line, sizeof line, "[%d/%d] ", row + 1, count);
        progress.SetText(line + std::string(progressVerb) + " " + source + "...");
        progress.Step();
        rows.EnsureVisible(row);
        bytes.RowStarted();
        host.Pump();

        if (!plan.name.empty() && !KnownInLibrary(known, stage, source, comparisons, result)) {
            if (!plan.origin.empty()) {
                record.date = plan.date;
                record.dateOrigin = plan.origin;
            }
            record.place = plan.place;
            check.copied = false;
            result = links.empty() ? PlaceFile(placing, source, plan.outputRoot, plan.targetFolder, plan.name,
                                               options, move, target, !plan.announced.empty())
                                   : PlaceLead(companions, group, plan.outputRoot, plan.targetFolder,
                                               plan.name, target);
            if (result.outcome == RowOutcome::Done && plan.dateFromName)
                result.text = kNameDateResult;
            if (result.outcome == RowOutcome::Done && !plan.clockRule.empty())
                result.text = "OK (clock rule " + plan.clockRule + ")";
            if (result.outcome == RowOutcome::Done && !plan.takeoutSidecar.empty())
                result.text = "OK (date from Takeout sidecar \"" + plan.takeoutSidecar + "\")";
            if (result.outcome == RowOutcome::Done && check.copied)
                record.copyHash = HashText(check.hash);
            backup.Make(record, plan.outputRoot, target, result);
        }
        // A step told ahead and not taken (its target was taken meanwhile) is recorded as not done.
        if (!plan.announced.empty())
            fs.Withdraw(plan.announced);
        // A row whose copy Cancel stopped is left, with the rest, as not reached.
        if (result.text == kStoppedText)
            break;
        if (!takeout.empty() && NoTakeoutSidecar(takeout[static_cast<std::size_t>(row)]))
            result.text += kNoTakeoutSidecarMark;
        record.target = target;
        record.result = result;
        rows.EndRow(row, record);
        bytes.RowEnded(source, sizes[static_cast<std::size_t>(row)]);
        host.Pump();
        log.WriteRecord(record);
        if (!links.empty() && !PlaceCompanions(companions, group, result, plan.outputRoot, plan.targetFolder))
            break;
        if (progress.Cancelled())
            break;
    }
    // Steps told ahead of a cancelled batch were never taken.
    for (const RowPlan& plan : batch) {
        if (!plan.announced.empty())
            fs.Withdraw(plan.announced);
    }
    if (library)
        library->Save();
    bytes.Show();
    log.Close();
    progress.Close();
    host.EnableInput(true);
    return decision;
}
