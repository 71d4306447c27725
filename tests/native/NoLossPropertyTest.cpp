// The run's file steps, its journal and its undo against a file system in memory that is ended at
// every call it makes or runs out of space: whatever happens, every byte of every file exists whole
// under some name, no real name holds a broken file, the journal can still be read, and the undo
// (itself ended at random and then finished) gives back the tree as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "MemoryFileOps.h"
#include "engine/Companions.h"
#include "engine/BackupCopy.h"
#include "engine/CopyCheck.h"
#include "engine/FileTransfer.h"
#include "engine/GroupNames.h"
#include "engine/LibraryIndex.h"
#include "engine/OrganizeOptions.h"
#include "base/PathText.h"
#include "engine/RunJournal.h"
#include "engine/RunUndo.h"
#include "engine/TargetExists.h"
#include "tests/support/StatusCheck.h"

namespace {

const char kRuns[] = "C:\\runs\\";

struct Case {
    std::map<std::string, std::string> files;  // every file before the run
    std::vector<std::string> sources;
    std::vector<std::string> targets;  // wanted, one per source
    TargetExistsPolicy policy = TargetExistsPolicy::Skip;
    bool move = false;
    bool companions = false;  // a photo and its companions are placed as one group
    std::size_t batch = 0;  // steps told ahead to the journal this many at a time (0: none)
    std::uint64_t capacityD = 0;  // 0: no limit
    std::vector<std::string> held;  // held for a moment by another program
    bool verify = false;  // each copy read back and compared before it takes its name
    int garbled = 0;  // this many read-backs give other bytes than were written
    std::string backup;  // each placed file is also copied below this folder ("": no backups)
    bool skipKnown = false;  // a source whose bytes are in the output folder already is skipped
    // Copies of sources the library held before the run, in folders the run places nothing in:
    // path -> the source whose bytes it holds, or "" for one of a source's size with other bytes.
    std::map<std::string, std::string> libraryCopies;
    // With companions: right before the group step numbered takenAt (from 1; 0: none), another
    // program makes a file at that step's free target, after the run decided the group's names.
    int takenAt = 0;
};

// The library's own folders in the output folder, where the run places nothing (its targets lie in
// the year folders 2012 and 2013).
const char* const kLibraryFolders[] = {"old\\", "2011\\trip\\"};

Case MakeCase(std::mt19937& random)
{
    Case c;
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string out = pick(2) == 0 ? "C:\\out\\" : "D:\\out\\";
    c.companions = pick(3) == 0;
    // Two cameras' photos of one base name, each with its sidecars, raw and Live Photo video; or
    // photos whose names clash, one of them already the numbered name of another.
    static const std::vector<const char*> groupNames = {"IMG_0001.JPG",       "IMG_0001.XMP",  "IMG_0001.DNG",
                                                        "IMG_0001.dng.xmp",   "IMG_0002.HEIC", "IMG_0002.MOV",
                                                        "IMG_0002.HEIC.json", "IMG_0002.aae"};
    static const std::vector<const char*> singleNames = {
            "IMG_0001.JPG", "IMG_0001.XMP", "IMG_0002.JPG", "a.jpg", "A.JPG", "clip.mov", "IMG_0001_1.JPG"};
    const std::vector<const char*>& names = c.companions ? groupNames : singleNames;
    const int nameCount = static_cast<int>(names.size());
    const int sourceCount = 1 + pick(c.companions ? 10 : 6);
    std::set<std::string> used;
    for (int i = 0; i < sourceCount; ++i) {
        const std::string folder = pick(3) == 0 ? "D:\\card\\" : (pick(2) == 0 ? "C:\\camA\\" : "C:\\camB\\");
        const std::string path = folder + names[static_cast<std::size_t>(pick(nameCount))];
        if (!used.insert(MemoryFileOps::Upper(path)).second)
            continue;
        // Same-size contents that differ in their last byte now and then.
        std::string bytes =
                "photo " + std::to_string(pick(3)) + std::string(static_cast<std::size_t>(pick(40)), 'x');
        bytes += static_cast<char>('A' + i);
        c.files[path] = bytes;
        c.sources.push_back(path);
        c.targets.push_back(out + (pick(2) == 0 ? "2012\\" : "2013\\") + FileNameOf(path));
    }
    // Files already in the output folder: some the same as a source, some not.
    const int existing = pick(4);
    for (int i = 0; i < existing && !c.targets.empty(); ++i) {
        const std::size_t of = static_cast<std::size_t>(pick(static_cast<int>(c.targets.size())));
        std::string target = c.targets[of];
        if (pick(3) == 0) {
            const std::string ext = ExtensionOf(target).value_or("");
            target = target.substr(0, target.size() - ext.size()) + "_1" + ext;
        }
        if (std::any_of(c.files.begin(), c.files.end(), [&](const auto& f) {
                return MemoryFileOps::Upper(f.first) == MemoryFileOps::Upper(target);
            }))
            continue;
        c.files[target] =
                pick(2) == 0 ? c.files[c.sources[of]] : "old " + std::to_string(i) + " of the library";
    }
    // A library that holds renamed copies of some sources elsewhere below the output folder, and
    // files of a source's size and ends with another middle, which only the full comparison tells
    // apart (the sources are shorter than both end blocks, but for one made longer here).
    c.skipKnown = pick(2) == 0;
    const int copies = pick(4);
    std::vector<std::pair<std::string, std::string>> made;  // copy, the source it was made of
    for (int i = 0; i < copies; ++i) {
        const std::string& of = c.sources[static_cast<std::size_t>(pick(static_cast<int>(c.sources.size())))];
        const std::string copy = out + kLibraryFolders[pick(2)] + "copy" + std::to_string(i) + ".jpg";
        made.emplace_back(copy, of);
        if (pick(3) != 0) {
            c.files[copy] = c.files[of];
            continue;
        }
        std::string& bytes = c.files[of];
        if (pick(3) == 0 && bytes.size() < 2 * kLibraryEndBlock)
            bytes.insert(bytes.size() / 2, 2 * kLibraryEndBlock, 'm');
        std::string other = bytes;
        other[other.size() / 2] = other[other.size() / 2] == 'm' ? 'n' : 'm';
        c.files[copy] = other;
    }
    // A source made longer after a copy of it no longer has that copy.
    for (const auto& [copy, of] : made)
        c.libraryCopies[copy] = c.files[copy] == c.files[of] ? of : "";
    const TargetExistsPolicy policies[] = {TargetExistsPolicy::RenameAutomatically,
                                           TargetExistsPolicy::Overwrite, TargetExistsPolicy::Skip,
                                           TargetExistsPolicy::RenameUnlessIdentical};
    c.policy = policies[pick(4)];
    c.move = pick(2) == 0;
    c.batch = static_cast<std::size_t>(pick(4));
    // A drive that fills during the run, never one already too full for what it held.
    if (pick(5) == 0) {
        std::uint64_t used = 0;
        for (const auto& [path, bytes] : c.files)
            used += path[0] == 'D' ? bytes.size() : 0;
        c.capacityD = used + static_cast<std::uint64_t>(pick(120));
    }
    if (pick(4) == 0 && !c.targets.empty())
        c.held.push_back(c.targets[static_cast<std::size_t>(pick(static_cast<int>(c.targets.size())))]);
    c.verify = pick(2) == 0;
    c.garbled = pick(3);
    if (c.companions && pick(2) == 0)
        c.takenAt = 1 + pick(4);
    // Backups on another drive (or the same one) as the output, some names there taken already.
    if (pick(2) == 0) {
        c.backup = out[0] == 'C' ? "D:\\backup\\" : "C:\\backup\\";
        if (pick(3) == 0)
            c.backup = out[0] == 'C' ? "C:\\backup\\" : "D:\\backup\\";
        if (pick(3) == 0 && !c.targets.empty()) {
            const std::string& target =
                    c.targets[static_cast<std::size_t>(pick(static_cast<int>(c.targets.size())))];
            const std::string older = BackupPathFor(out, c.backup, target);
            c.files[older] = "an older backup";
            // The drive held it before the run: room for it is not room the run may fill.
            if (c.capacityD != 0 && older[0] == 'D')
                c.capacityD += c.files[older].size();
        }
    }
    return c;
}

// The files of the drives outside the runs folder, by path.
std::map<std::string, std::string> UserFiles(const MemoryFileOps& ops)
{
    std::map<std::string, std::string> files;
    for (const auto& [path, bytes] : ops.Files()) {
        if (path.rfind(kRuns, 0) != 0)
            files[path] = bytes;
    }
    return files;
}

// Copies of the first count files of c, as a run tells them ahead.
std::vector<PlannedTransfer> CopySteps(const Case& c, std::size_t count = SIZE_MAX)
{
    std::vector<PlannedTransfer> steps;
    for (std::size_t i = 0; i < std::min(count, c.sources.size()); ++i)
        steps.push_back({c.sources[i], c.targets[i], false, std::nullopt});
    return steps;
}

std::string Describe(const Case& c)
{
    std::string text = std::string(c.move ? " move" : " copy") + (c.companions ? " companions" : "") +
                       " policy " + std::to_string(static_cast<unsigned>(c.policy)) + " capacity " +
                       std::to_string(c.capacityD) + (c.verify ? " verify" : "") + " garbled " +
                       std::to_string(c.garbled) + (c.backup.empty() ? "" : " backup " + c.backup) +
                       (c.skipKnown ? " skip-known" : "") +
                       (c.takenAt != 0 ? " taken at step " + std::to_string(c.takenAt) : "");
    for (const auto& [path, bytes] : c.files)
        text += "\n  file " + path + " (" + std::to_string(bytes.size()) + ")";
    for (std::size_t i = 0; i < c.sources.size(); ++i)
        text += "\n  " + c.sources[i] + " -> " + c.targets[i];
    for (const std::string& held : c.held)
        text += "\n  held " + held;
    return text;
}

void Lay(MemoryFileOps& ops, const Case& c)
{
    std::uint64_t time = 5000;
    for (const auto& [path, bytes] : c.files) {
        std::string folder;
        FolderOf(path, folder);
        std::string walk;
        for (std::size_t at = folder.find('\\'); at != std::string::npos; at = folder.find('\\', at + 1))
            if (at > 2)
                ops.AddFolder(folder.substr(0, at));
        ops.AddFile(path, bytes, time++);
    }
    ops.AddFolder("C:\\runs");
    if (c.capacityD != 0)
        ops.SetCapacity("D:", c.capacityD);
    for (const std::string& path : c.held)
        ops.HoldFor(path, 3);
    ops.GarbleReadBacks(c.garbled);
}

// The backup folder of the case being run ("": none). Every output folder here is "X:\\out\\".
std::string gBackup;
constexpr std::size_t kOutLength = 7;

// The library of a run that skips the files it has, on the file system it runs on.
struct TestLibrary {
    TestLibrary(MemoryFileOps& files, const std::string& root) : ops(files), index(root) { }
    MemoryFileOps& ops;
    LibraryIndex index;
};
// The library of the case being run (null: it places every file).
TestLibrary* gLibrary = nullptr;
const char kLibraryIndexFile[] = "C:\\runs\\library.qmlib";

// The library as a run opens it: its stored index refreshed by a scan of every file below the
// output folder, unfinished copies left out.
void OpenLibrary(TestLibrary& library)
{
    static_cast<void>(LoadLibraryIndex(library.ops, kLibraryIndexFile, library.index));
    library.index.BeginScan();
    const std::string& root = library.index.Root();
    for (const auto& [path, bytes] : library.ops.Files()) {
        FileStamp stamp;
        if (MemoryFileOps::Upper(path).rfind(MemoryFileOps::Upper(root), 0) == 0 &&
            path.find(".qmpart") == std::string::npos && ReadStampOf(library.ops, path, stamp))
            library.index.Seen(path.substr(root.size()), stamp);
    }
    library.index.EndScan();
}

// Whether the run's library holds the bytes of source (existing says where).
bool KnownToLibrary(const std::string& source, std::string& existing)
{
    FileStamp stamp;
    return gLibrary != nullptr && ReadStampOf(gLibrary->ops, source, stamp) &&
           gLibrary->index.FindContent(gLibrary->ops, source, stamp, nullptr, existing) ==
                   LibraryIndex::Found::Yes;
}

// One file's step into target, as the organize run takes it, and its backup after it.
bool PlaceOne(RunFileSystem& fs, const std::string& source, const std::string& target, bool replace,
              bool move, TargetExistsPolicy policy = TargetExistsPolicy::Skip)
{
    std::string folder;
    if (!FolderOf(target, folder) || !fs.EnsureFolder(folder))
        return false;
    const TransferResult outcome =
            replace ? fs.Replace(source, target, move) : fs.Transfer(source, target, move);
    if (outcome != TransferOutcome::Done)
        return false;
    FileStamp placed;
    if (gLibrary != nullptr && ReadStampOf(gLibrary->ops, target, placed))
        gLibrary->index.Placed(target.substr(kOutLength), placed);
    if (!gBackup.empty()) {
        std::string backup = BackupPathFor(target.substr(0, kOutLength), gBackup, target);
        static_cast<void>(MakeBackupCopy(fs, target, policy, backup));
    }
    return true;
}

// The names of a group as the run sees them, with the targets it placed set apart.
class PlacedNames : public GroupNameOracle {
public:
    PlacedNames(RunFileSystem& fs, const std::set<std::string>& placed,
                const std::vector<std::string>& sources)
        : fs_(fs), placed_(placed), sources_(sources)
    { }
    NameUse Use(const std::string& target) override
    {
        if (placed_.count(MemoryFileOps::Upper(target)) != 0)
            return NameUse::PlacedByRun;
        return fs_.Exists(target) ? NameUse::Existing : NameUse::Free;
    }
    bool Identical(std::size_t member, const std::string& target) override
    {
        return fs_.SameContent(sources_.at(member), target);
    }

private:
    RunFileSystem& fs_;
    const std::set<std::string>& placed_;
    const std::vector<std::string>& sources_;
};

// The group led by source row lead: the lead first, each companion after the member it follows.
void Gather(const std::vector<std::vector<std::size_t>>& followers, const std::vector<CompanionLink>& links,
            const Case& c, std::size_t row, int parent, std::vector<std::size_t>& rows,
            std::vector<GroupMember>& members)
{
    rows.push_back(row);
    members.push_back({FileNameOf(c.sources[row]), parent, links[row].kind});
    const int index = static_cast<int>(rows.size()) - 1;
    for (const std::size_t follower : followers[row])
        Gather(followers, links, c, follower, index, rows, members);
}

// What another program writes at a name the run decided on, and where it did in the last run
// ("": nowhere).
const char kTheirs[] = "another program's file";
std::string gTheirs;

// Whether the last step was refused because its name was taken: the transfer never replaces a
// file it did not decide to replace.
bool RefusedAsTaken(const MemoryFileOps& ops)
{
    return ops.LastError() == FileError::kAlreadyExists || ops.LastError() == FileError::kFileExists;
}

// A group's step, as the organize run takes it, but for the group step numbered c.takenAt, before
// which another program takes its target (when free).
bool PlaceGroupStep(MemoryFileOps& ops, RunFileSystem& fs, const Case& c, int& steps,
                    const std::string& source, const std::string& target, bool replace)
{
    std::string there;
    if (++steps == c.takenAt && !ops.Contents(target, there) && gTheirs.empty()) {
        std::string folder;
        // Into a folder the run is about to make, as it would be by then.
        if (FolderOf(target, folder) && fs.EnsureFolder(folder)) {
            ops.AddFile(target, kTheirs, 9000);
            gTheirs = target;
            // Its room is not room the run may fill: a file it replaces must still fit back.
            if (c.capacityD != 0 && MemoryFileOps::Upper(target).rfind("D:", 0) == 0)
                ops.SetCapacity("D:", c.capacityD + std::string(kTheirs).size());
        }
    }
    return PlaceOne(fs, source, target, replace, c.move, c.policy);
}

// A run's group steps are planned again this many times when another program took a name.
constexpr int kPlansAgain = 8;

// The companions' steps: each group's names decided at once, in the lead's target folder, and
// again when the lead's step finds its name taken meanwhile; a companion whose name was taken after
// its lead was placed is placed over it under Overwrite and stays otherwise.
void PlaceGroups(MemoryFileOps& ops, RunFileSystem& fs, const Case& c,
                 std::map<std::string, std::string>* placedAt, std::map<std::string, std::string>* skippedAt)
{
    int steps = 0;
    const std::vector<CompanionLink> links = FindCompanions(c.sources);
    std::vector<std::vector<std::size_t>> followers(links.size());
    for (std::size_t row = 0; row < links.size(); ++row) {
        if (links[row].lead >= 0)
            followers[static_cast<std::size_t>(links[row].lead)].push_back(row);
    }
    std::set<std::string> placed;
    for (std::size_t lead = 0; lead < links.size(); ++lead) {
        if (links[lead].lead >= 0)
            continue;
        // A photo the library has is skipped, and its companions stay with it.
        std::string existing;
        if (KnownToLibrary(c.sources[lead], existing)) {
            if (skippedAt != nullptr)
                (*skippedAt)[c.sources[lead]] = existing;
            continue;
        }
        std::vector<std::size_t> rows;
        std::vector<GroupMember> members;
        Gather(followers, links, c, lead, -1, rows, members);
        std::vector<std::string> sources;
        for (const std::size_t row : rows)
            sources.push_back(c.sources[row]);
        std::string folder;
        if (!FolderOf(c.targets[lead], folder))
            continue;
        PlacedNames names(fs, placed, sources);
        std::vector<bool> done;
        const GroupDecision decision =
                DecideGroupForLead(folder, FileNameOf(c.targets[lead]), members, c.policy, names, kPlansAgain,
                                   [&](const GroupDecision& tried) {
                                       if (tried.outcome != GroupOutcome::Place)
                                           return false;
                                       done.assign(1, PlaceGroupStep(ops, fs, c, steps, sources[0],
                                                                     tried.targets[0], tried.replace[0]));
                                       return !done[0] && RefusedAsTaken(ops);
                                   });
        if (decision.outcome != GroupOutcome::Place)
            continue;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const bool parentDone = i == 0 || done[static_cast<std::size_t>(members[i].parent)];
            bool ok = i == 0 ? done[0]
                             : parentDone && PlaceGroupStep(ops, fs, c, steps, sources[i],
                                                            decision.targets[i], decision.replace[i]);
            if (i != 0 && parentDone && !ok && RefusedAsTaken(ops) &&
                CompanionNameTaken(c.policy) == TakenCompanion::Replace)
                ok = PlaceOne(fs, sources[i], decision.targets[i], true, c.move, c.policy);
            if (i != 0)
                done.push_back(ok);
            if (ok) {
                placed.insert(MemoryFileOps::Upper(decision.targets[i]));
                if (placedAt != nullptr)
                    (*placedAt)[sources[i]] = decision.targets[i];
            }
        }
    }
}

// The steps of a run without companions, one file at a time.
void PlaceSingles(MemoryFileOps& ops, JournalFileSystem& fs, const Case& c,
                  std::map<std::string, std::string>* placedAt, std::map<std::string, std::string>* skippedAt)
{
    // The run takes each source's stamp from the listing of its folder, once, before the first step.
    std::vector<std::optional<FileStamp>> listed(c.sources.size());
    for (std::size_t i = 0; i < c.sources.size(); ++i) {
        FileStamp stamp;
        if (ReadStampOf(ops, c.sources[i], stamp))
            listed[i] = stamp;
    }
    std::vector<std::string> told(c.sources.size());
    for (std::size_t i = 0; i < c.sources.size(); ++i) {
        // The organize run tells the journal a batch of steps ahead: a copy's only onto a free
        // target, a move's without looking, as its rename refuses a taken name itself.
        if (c.batch != 0 && i % c.batch == 0) {
            std::vector<PlannedTransfer> steps;
            std::set<std::string> keys;
            for (std::size_t j = i; j < std::min(c.sources.size(), i + c.batch); ++j) {
                if ((c.move || !fs.Exists(c.targets[j])) &&
                    keys.insert(MemoryFileOps::Upper(c.targets[j])).second) {
                    steps.push_back({c.sources[j], c.targets[j], c.move, listed[j]});
                    told[j] = c.targets[j];
                }
            }
            if (!fs.Announce(steps))
                std::fill(told.begin() + static_cast<std::ptrdiff_t>(i), told.end(), std::string());
            // Its copies are made and flushed together before the first of them takes its name.
            if (!c.move)
                fs.CopyAhead({});
        }
        // A file the library has is skipped before its step, told ahead or not, is taken.
        std::string existing;
        if (KnownToLibrary(c.sources[i], existing)) {
            if (skippedAt != nullptr)
                (*skippedAt)[c.sources[i]] = existing;
            fs.Withdraw(told[i]);
            continue;
        }
        std::string target = c.targets[i];
        // A step told ahead is taken without looking for its target again: a name taken since is
        // refused by the step, and the file is then placed as if it had been taken all along.
        if (!told[i].empty()) {
            if (PlaceOne(fs, c.sources[i], target, false, c.move, c.policy)) {
                if (placedAt != nullptr)
                    (*placedAt)[c.sources[i]] = target;
                continue;
            }
            if (ops.LastError() != FileError::kAlreadyExists && ops.LastError() != FileError::kFileExists)
                continue;
        }
        bool replace = false;
        if (fs.Exists(target)) {
            const ExistingTarget decision = ResolveExistingTarget(fs, c.sources[i], c.policy, target);
            if (decision != ExistingTarget::Free && decision != ExistingTarget::Replace) {
                fs.Withdraw(told[i]);
                continue;
            }
            replace = decision == ExistingTarget::Replace;
        }
        if (PlaceOne(fs, c.sources[i], target, replace, c.move, c.policy) && placedAt != nullptr)
            (*placedAt)[c.sources[i]] = target;
        fs.Withdraw(told[i]);
    }
    fs.WithdrawAll();
}

// The placing steps of a run, as the organize run takes them for each file (and, with
// companions, for each group); placedAt (when given) learns where each source went, skippedAt
// where the library had each source it skipped.
void RunSteps(MemoryFileOps& ops, const Case& c, const std::string& name,
              std::map<std::string, std::string>* placedAt = nullptr,
              std::map<std::string, std::string>* skippedAt = nullptr)
{
    gTheirs.clear();
    OpsFileSystem real(ops);
    RunJournal journal(ops);
    JournalHeader header;
    header.started = "2026-12-09 10:00:00";
    header.move = c.move;
    header.policy = static_cast<std::uint32_t>(c.policy);
    if (!journal.Open(kRuns, name, header, 50))
        return;
    JournalFileSystem fs(real, journal);
    gBackup = c.backup;
    CopyCheck check;
    check.verify = c.verify;
    fs.CheckCopies(&check);
    std::optional<TestLibrary> library;
    if (c.skipKnown) {
        library.emplace(ops, c.targets.front().substr(0, kOutLength));
        OpenLibrary(*library);
    }
    gLibrary = library ? &*library : nullptr;
    if (c.companions) {
        PlaceGroups(ops, fs, c, placedAt, skippedAt);
    } else {
        PlaceSingles(ops, fs, c, placedAt, skippedAt);
    }
    // The index is stored as the run ends, complete or not at all.
    if (library)
        static_cast<void>(SaveLibraryIndex(ops, kLibraryIndexFile, library->index));
    gLibrary = nullptr;
    journal.Close();
}

// Every placed companion sits beside its own photo's placed file, under that file's base name;
// nothing the run placed is replaced by a later step of it.
void ExpectGroupsKeptTogether(const MemoryFileOps& ops, const Case& c,
                              const std::map<std::string, std::string>& placedAt, const std::string& label)
{
    const std::vector<CompanionLink> links = FindCompanions(c.sources);
    const auto files = ops.Files();
    for (std::size_t row = 0; row < links.size(); ++row) {
        const auto at = placedAt.find(c.sources[row]);
        if (at == placedAt.end())
            continue;
        std::string bytes;
        EXPECT_TRUE(ops.Contents(at->second, bytes) && bytes == c.files.at(c.sources[row]))
                << label << ": " << at->second << " no longer holds " << c.sources[row];
        if (links[row].lead < 0)
            continue;
        const std::string& leadSource = c.sources[static_cast<std::size_t>(links[row].lead)];
        const auto leadAt = placedAt.find(leadSource);
        if (leadAt == placedAt.end()) {
            ADD_FAILURE() << label << ": " << c.sources[row] << " was placed without its photo "
                          << leadSource;
            continue;
        }
        std::string folder, leadFolder;
        FolderOf(at->second, folder);
        FolderOf(leadAt->second, leadFolder);
        EXPECT_EQ(folder, leadFolder) << label << ": " << c.sources[row];
        EXPECT_EQ(MemoryFileOps::Upper(FileNameOf(at->second)),
                  MemoryFileOps::Upper(CompanionName(FileNameOf(c.sources[row]), links[row].kind,
                                                     FileNameOf(leadAt->second))))
                << label << ": " << c.sources[row] << " does not follow " << leadSource;
    }
}

bool IsRealName(const std::string& path)
{
    return path.rfind(kRuns, 0) != 0 && path.find(".qmpart") == std::string::npos;
}

// Every original content whole under some name; every real name holds an original content whole.
void ExpectNothingLost(const MemoryFileOps& ops, const Case& c, const std::string& when)
{
    std::multiset<std::string> contents;
    const auto files = ops.Files();
    for (const auto& [path, bytes] : files)
        contents.insert(bytes);
    std::set<std::string> originals {kTheirs};
    for (const auto& [path, bytes] : c.files) {
        originals.insert(bytes);
        EXPECT_NE(contents.count(bytes), 0u) << when << ": the content of " << path << " is lost";
    }
    for (const auto& [path, bytes] : files) {
        if (IsRealName(path)) {
            EXPECT_NE(originals.count(bytes), 0u) << when << ": " << path << " holds a broken file";
        }
    }
}

// What a run that skips the files the library has keeps, wherever it ended: each skipped source
// where it was and whole, the library file it was found in one that held its bytes before the run,
// and the library's own folders as they were.
void ExpectLibraryKept(const MemoryFileOps& ops, const Case& c,
                       const std::map<std::string, std::string>& skipped, const std::string& when)
{
    for (const auto& [source, existing] : skipped) {
        std::string bytes;
        EXPECT_TRUE(ops.Contents(source, bytes) && bytes == c.files.at(source))
                << when << ": the skipped " << source << " was moved or changed";
        const auto before = c.files.find(existing);
        EXPECT_TRUE(before != c.files.end() && before->second == c.files.at(source))
                << when << ": " << source << " was taken as known at " << existing
                << ", which held other bytes before the run";
    }
    for (const auto& [copy, of] : c.libraryCopies) {
        std::string bytes;
        EXPECT_TRUE(ops.Contents(copy, bytes) && bytes == c.files.at(copy))
                << when << ": " << copy << " changed";
    }
    // The index is stored whole or not at all.
    std::string stored;
    if (ops.Contents(kLibraryIndexFile, stored)) {
        LibraryIndex index(c.targets.front().substr(0, kOutLength));
        EXPECT_TRUE(index.Load(stored)) << when << ": the stored library index is torn";
    }
}

class UndoCollector : public UndoSink {
public:
    void FileUndone(const std::string&, const std::string&, const std::string& result, bool left) override
    {
        if (left)
            leftRows.push_back(result);
    }
    std::vector<std::string> leftRows;
};

std::string OnlyJournal(MemoryFileOps& ops)
{
    const auto journals = KeptJournals(ops, kRuns);
    return journals.empty() ? std::string() : journals.back();
}

// One case: the run ended at killRun (0: not), then undos ended at killUndo, then one to the end.
void CheckCase(const Case& c, std::uint64_t killRun, std::uint64_t killUndo, const std::string& label)
{
    MemoryFileOps ops;
    Lay(ops, c);
    const auto before = ops.Files();
    ops.KillAt(killRun);
    std::map<std::string, std::string> skipped;
    try {
        RunSteps(ops, c, "run", nullptr, &skipped);
    } catch (const Killed&) { }
    ops.Revive();
    ExpectNothingLost(ops, c, label + " after the run");
    ExpectLibraryKept(ops, c, skipped, label + " after the run");
    const std::string journal = OnlyJournal(ops);
    JournalData data;
    if (journal.empty() || LoadJournal(ops, journal, data).Reason().find("first line") != std::string::npos) {
        // No journal, or one ended while its first line was written: the run changed nothing.
        std::map<std::string, std::string> now;
        for (const auto& [path, bytes] : ops.Files()) {
            if (IsRealName(path))
                now[path] = bytes;
        }
        EXPECT_EQ(now, before) << label;
        return;
    }
    ASSERT_TRUE(Succeeded(LoadJournal(ops, journal, data))) << label;

    const std::uint64_t start = ops.Calls();
    ops.KillAt(killUndo == 0 ? 0 : start + killUndo);
    try {
        UndoCollector sink;
        UndoTally tally;
        static_cast<void>(UndoRun(ops, journal, false, "now", sink, tally));
    } catch (const Killed&) { }
    ops.Revive();
    ExpectNothingLost(ops, c, label + " after an undo ended by force");
    ASSERT_TRUE(Succeeded(LoadJournal(ops, journal, data))) << label;
    UndoCollector sink;
    UndoTally tally;
    if (!data.undone) {
        EXPECT_TRUE(Succeeded(UndoRun(ops, journal, false, "now", sink, tally))) << label;
    }
    EXPECT_TRUE(sink.leftRows.empty()) << label << ": " << sink.leftRows.front();
    ASSERT_TRUE(Succeeded(LoadJournal(ops, journal, data))) << label;
    EXPECT_TRUE(data.undone) << label;
    std::map<std::string, std::string> now;
    // Names compare as Windows compares them: a replaced file comes back under the spelling of the
    // name that replaced it.
    std::map<std::string, std::string> then;
    for (const auto& [path, bytes] : before)
        then[MemoryFileOps::Upper(path)] = bytes;
    // Another program's file made during the run is its own, kept by the undo.
    if (!gTheirs.empty())
        then[MemoryFileOps::Upper(gTheirs)] = kTheirs;
    for (const auto& [path, bytes] : ops.Files()) {
        if (path.rfind(kRuns, 0) != 0)
            now[MemoryFileOps::Upper(path)] = bytes;
    }
    EXPECT_EQ(now, then) << label;
    for (const std::string& folder : ops.Folders()) {
        if (folder.find("\\OUT\\") == std::string::npos && folder.find("\\BACKUP\\") == std::string::npos)
            continue;
        EXPECT_TRUE(std::any_of(before.begin(), before.end(),
                                [&](const auto& f) {
                                    return MemoryFileOps::Upper(f.first).rfind(folder, 0) == 0;
                                }) ||
                    MemoryFileOps::Upper(gTheirs).rfind(folder, 0) == 0)
                << label << ": folder left " << folder;
    }
}

// A run that skips known files skips every photo whose bytes one of the library's own files held
// (a companion goes with its photo and is not looked for).
void ExpectCopiesSkipped(const Case& c, const std::map<std::string, std::string>& skipped,
                         const std::string& label)
{
    if (!c.skipKnown)
        return;
    const std::vector<CompanionLink> links = FindCompanions(c.sources);
    for (const auto& [copy, of] : c.libraryCopies) {
        const auto row = std::find(c.sources.begin(), c.sources.end(), of) - c.sources.begin();
        if (of.empty() || (c.companions && links[static_cast<std::size_t>(row)].lead >= 0))
            continue;
        EXPECT_EQ(skipped.count(of), 1u) << label << ": " << of << " was not found at " << copy;
    }
}

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

TEST(NoLossProperty, RunAndUndoEndedAtEveryStepLoseNothing)
{
    const std::uint64_t seed = EnvNumber("QM_PROPERTY_SEED", 20261209);
    const std::uint64_t cases = EnvNumber("QM_PROPERTY_CASES", 10000);
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    std::uint64_t checked = 0;
    for (std::uint64_t n = 0; n < cases && !HasFailure(); ++n) {
        const Case c = MakeCase(random);
        // How many calls a whole run makes: every one of them is a place to end it.
        MemoryFileOps probe;
        Lay(probe, c);
        std::map<std::string, std::string> placedAt, skipped;
        RunSteps(probe, c, "run", &placedAt, &skipped);
        const std::uint64_t calls = probe.Calls();
        const std::string label = "seed " + std::to_string(seed) + " case " + std::to_string(n) + Describe(c);
        if (c.companions)
            ExpectGroupsKeptTogether(probe, c, placedAt, label);
        ExpectLibraryKept(probe, c, skipped, label);
        ExpectCopiesSkipped(c, skipped, label);
        const std::uint64_t killRun = random() % (calls + 2);
        const std::uint64_t killUndo = random() % 40;
        CheckCase(c, killRun, killUndo,
                  "seed " + std::to_string(seed) + " case " + std::to_string(n) + " kill " +
                          std::to_string(killRun) + "/" + std::to_string(calls) + " undo kill " +
                          std::to_string(killUndo) + Describe(c));
        ++checked;
    }
    RecordProperty("cases", std::to_string(checked));
    std::printf("no-loss property: %llu cases, seed %llu\n", static_cast<unsigned long long>(checked),
                static_cast<unsigned long long>(seed));
}

// A name another program takes after the run decided a group's names: the photo's is refused by
// its step and the group decided again by its policy (numbered together, skipped whole, or the
// file replaced and kept); a companion's, once its photo took the base name, is replaced under
// Overwrite and otherwise left to the other program while the companion stays. Wherever the run
// or its undo is ended, nothing is lost, and undo gives back the tree with the other file in it.
TEST(NoLossProperty, AGroupsNameTakenMeanwhileIsDecidedAgainOrItsCompanionStays)
{
    const std::string photo = "C:\\cam\\IMG_0001.JPG", sidecar = "C:\\cam\\IMG_0001.XMP";
    const std::string folder = "C:\\out\\2012\\";
    Case c;
    c.files = {{photo, "the photo"}, {sidecar, "its sidecar"}};
    c.sources = {photo, sidecar};
    c.targets = {folder + "IMG_0001.JPG", folder + "IMG_0001.XMP"};
    c.companions = true;
    for (const TargetExistsPolicy policy :
         {TargetExistsPolicy::RenameAutomatically, TargetExistsPolicy::RenameUnlessIdentical,
          TargetExistsPolicy::Skip, TargetExistsPolicy::Overwrite}) {
        for (const bool move : {false, true}) {
            for (const int takenAt : {1, 2}) {
                const std::string label = "policy " + std::to_string(static_cast<unsigned>(policy)) +
                                          (move ? " move" : " copy") +
                                          (takenAt == 1 ? " photo's name" : " sidecar's name");
                c.policy = policy;
                c.move = move;
                c.takenAt = takenAt;
                MemoryFileOps ops;
                Lay(ops, c);
                std::map<std::string, std::string> placedAt;
                RunSteps(ops, c, "run", &placedAt);
                const bool overwrite = policy == TargetExistsPolicy::Overwrite;
                std::map<std::string, std::string> expected;
                if (takenAt == 1 && policy != TargetExistsPolicy::Skip) {
                    const std::string base = folder + (overwrite ? "IMG_0001" : "IMG_0001_1");
                    expected = {{photo, base + ".JPG"}, {sidecar, base + ".XMP"}};
                } else if (takenAt == 2) {
                    expected = {{photo, c.targets[0]}};
                    if (overwrite)
                        expected[sidecar] = c.targets[1];
                }
                EXPECT_EQ(placedAt, expected) << label;
                EXPECT_EQ(gTheirs, c.targets[static_cast<std::size_t>(takenAt - 1)]) << label;
                std::string bytes;
                EXPECT_TRUE(ops.Contents(gTheirs, bytes)) << label;
                EXPECT_EQ(bytes, overwrite ? c.files.at(c.sources[static_cast<std::size_t>(takenAt - 1)])
                                           : std::string(kTheirs))
                        << label;
                for (const auto& [source, target] : placedAt) {
                    EXPECT_TRUE(ops.Contents(target, bytes) && bytes == c.files.at(source))
                            << label << target;
                    EXPECT_EQ(ops.Contents(source, bytes), !move) << label << source;
                }
                for (const std::string& source : c.sources) {
                    if (placedAt.count(source) == 0) {
                        EXPECT_TRUE(ops.Contents(source, bytes) && bytes == c.files.at(source)) << label;
                    }
                }
                // Every call of the run and some of its undo's are a place to end them.
                const std::uint64_t calls = ops.Calls();
                for (std::uint64_t kill = 1; kill <= calls + 1 && !HasFailure(); ++kill)
                    CheckCase(c, kill, kill % 7, label + " kill " + std::to_string(kill));
                CheckCase(c, 0, 0, label + " to its end");
            }
        }
    }
}

TEST(NoLossProperty, EveryStepOfOneOverwriteRunIsAPlaceToEndIt)
{
    // Two drives, a replaced target on each: the step-by-step sweep the random cases sample.
    Case c;
    c.files = {{"C:\\card\\clip.mov", std::string(300, 'n')},
               {"D:\\out\\2021\\clip.mov", std::string(200, 'o')},
               {"C:\\card\\b.jpg", "new b"},
               {"C:\\out\\2021\\b.jpg", "old b"}};
    c.sources = {"C:\\card\\clip.mov", "C:\\card\\b.jpg"};
    c.targets = {"D:\\out\\2021\\clip.mov", "C:\\out\\2021\\b.jpg"};
    c.policy = TargetExistsPolicy::Overwrite;
    for (const bool move : {false, true}) {
        c.move = move;
        MemoryFileOps probe;
        Lay(probe, c);
        RunSteps(probe, c, "run");
        for (std::uint64_t kill = 1; kill <= probe.Calls() + 1 && !HasFailure(); ++kill)
            for (std::uint64_t killUndo = 0; killUndo < 30 && !HasFailure(); killUndo += 3)
                CheckCase(c, kill, killUndo,
                          std::string(move ? "move" : "copy") + " kill " + std::to_string(kill) +
                                  " undo kill " + std::to_string(killUndo));
    }
}

}  // namespace

namespace {

TEST(NoLossProperty, AVerifiedStepWhoseCopyReadsBackDifferentIsRecordedFailedAndChangesNothing)
{
    for (const bool replace : {false, true}) {
        Case c;
        c.files = {{"C:\\card\\clip.mov", std::string(300, 'n')}};
        if (replace)
            c.files["D:\\out\\clip.mov"] = std::string(100, 'o');
        c.sources = {"C:\\card\\clip.mov"};
        c.targets = {"D:\\out\\clip.mov"};
        c.policy = TargetExistsPolicy::Overwrite;
        c.move = true;
        c.verify = true;
        c.garbled = 1;
        MemoryFileOps ops;
        Lay(ops, c);
        const auto before = ops.Files();
        RunSteps(ops, c, "run");
        std::map<std::string, std::string> now = UserFiles(ops);
        EXPECT_EQ(now, before) << replace;
        JournalData data;
        ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
        // Across drives the rename is recorded as not started and the copy as a step of its own.
        const auto step = std::find_if(data.steps.rbegin(), data.steps.rend(),
                                       [](const JournalStep& s) { return s.target == "D:\\out\\clip.mov"; });
        ASSERT_NE(step, data.steps.rend());
        EXPECT_EQ(step->outcome, StepOutcome::Failed);
        EXPECT_NE(step->failure.find(FileError::kCopyDiffersText), std::string::npos) << step->failure;
        // Read back as written, the same step moves the file.
        c.garbled = 0;
        MemoryFileOps good;
        Lay(good, c);
        RunSteps(good, c, "run");
        std::string moved;
        EXPECT_TRUE(good.Contents("D:\\out\\clip.mov", moved) && moved == std::string(300, 'n')) << replace;
        EXPECT_FALSE(good.Contents("C:\\card\\clip.mov", moved)) << replace;
    }
}

TEST(NoLossProperty, TheNextRunRemovesTheUnfinishedCopiesOfARunEndedByForce)
{
    for (const bool replace : {false, true}) {
        Case c;
        c.files = {{"C:\\card\\clip.mov", std::string(300, 'n')}};
        if (replace)
            c.files["D:\\out\\2021\\clip.mov"] = std::string(100, 'o');
        c.sources = {"C:\\card\\clip.mov"};
        c.targets = {"D:\\out\\2021\\clip.mov"};
        c.policy = TargetExistsPolicy::Overwrite;
        // Ended in the middle of writing the copy, whatever else came before it.
        MemoryFileOps ops;
        Lay(ops, c);
        std::uint64_t kill = 1;
        for (;; ++kill) {
            MemoryFileOps probe;
            Lay(probe, c);
            probe.KillAt(kill);
            try {
                RunSteps(probe, c, "run");
            } catch (const Killed&) { }
            std::string cut;
            if (probe.Contents("D:\\out\\2021\\~clip.mov.qmpart", cut) && cut.size() == 150)
                break;
            ASSERT_LT(kill, 100u) << "no call ends the run with a cut copy";
        }
        ops.KillAt(kill);
        try {
            RunSteps(ops, c, "run");
        } catch (const Killed&) { }
        ops.Revive();
        ASSERT_EQ(ops.Files().count("D:\\out\\2021\\~clip.mov.qmpart"), 1u);
        // Another run, anywhere: its start looks at the journals the runs before it left.
        RunJournal next(ops);
        ASSERT_TRUE(Succeeded(next.Open(kRuns, "next", JournalHeader {}, 50)));
        EXPECT_EQ(ops.Files().count("D:\\out\\2021\\~clip.mov.qmpart"), 0u);
        EXPECT_EQ(ops.Files().count("C:\\card\\clip.mov"), 1u);
        if (replace) {
            EXPECT_EQ(ops.Files().at("D:\\out\\2021\\clip.mov"), std::string(100, 'o'));
        }
    }
}

// Five photos copied as one batch told ahead.
Case BatchOfFive()
{
    Case c;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        const std::string source = std::string("C:\\card\\") + name + ".jpg";
        c.files[source] = std::string("photo ") + name + std::string(20, 'x');
        c.sources.push_back(source);
        c.targets.push_back(std::string("D:\\out\\2012\\") + name + ".jpg");
    }
    return c;
}

// The unfinished name of a small copy made ahead by the run whose journal is named "run", where the
// run stages every copy made ahead: in its stage folder inside the target's folder.
std::string PartialOf(const std::string& target)
{
    return target.substr(0, target.rfind('\\') + 1) + "~qmrun.qmpart\\~" + FileNameOf(target) + ".qmpart";
}

bool AnyStageFolder(const MemoryFileOps& ops)
{
    const std::set<std::string> folders = ops.Folders();
    return std::any_of(folders.begin(), folders.end(), [](const std::string& f) { return IsStageFolder(f); });
}

TEST(NoLossProperty, AFlushThatFailsOnTheThirdCopyOfABatchFailsOnlyThatStep)
{
    const Case c = BatchOfFive();
    MemoryFileOps ops;
    Lay(ops, c);
    const auto before = ops.Files();
    ops.FailFlushOf(PartialOf(c.targets[2]));
    {
        OpsFileSystem real(ops);
        RunJournal journal(ops);
        ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
        JournalFileSystem fs(real, journal);
        fs.StageCopies(0, 1);
        ASSERT_TRUE(fs.Announce(CopySteps(c)));
        fs.CopyAhead({});
        // Every copy of the batch stands complete before the first takes its name.
        for (std::size_t i = 0; i < c.sources.size(); ++i) {
            std::string bytes;
            EXPECT_EQ(ops.Contents(PartialOf(c.targets[i]), bytes), i != 2) << c.targets[i];
            EXPECT_FALSE(ops.Contents(c.targets[i], bytes)) << c.targets[i];
        }
        for (std::size_t i = 0; i < c.sources.size(); ++i) {
            const TransferResult outcome = fs.Transfer(c.sources[i], c.targets[i], false);
            if (i == 2) {
                EXPECT_EQ(outcome, TransferOutcome::Failed);
                EXPECT_EQ(ops.LastError(), FileError::kWriteFault);
            } else {
                EXPECT_EQ(outcome, TransferOutcome::Done) << c.targets[i];
            }
        }
        journal.Close();
    }
    auto expected = before;
    for (std::size_t i = 0; i < c.sources.size(); ++i) {
        if (i != 2)
            expected[c.targets[i]] = c.files.at(c.sources[i]);
    }
    std::map<std::string, std::string> now = UserFiles(ops);
    EXPECT_EQ(now, expected);
    UndoCollector sink;
    UndoTally tally;
    ASSERT_TRUE(Succeeded(UndoRun(ops, OnlyJournal(ops), false, "now", sink, tally)));
    now = UserFiles(ops);
    EXPECT_EQ(now, before);
}

TEST(NoLossProperty, StepsOfABatchNotTakenRemoveTheirCopiesAndCopiesAStopCameBeforeAreMadeByTheirSteps)
{
    const Case c = BatchOfFive();
    MemoryFileOps ops;
    Lay(ops, c);
    const auto before = ops.Files();
    {
        OpsFileSystem real(ops);
        RunJournal journal(ops);
        ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
        JournalFileSystem fs(real, journal);
        fs.StageCopies(0, 1);
        ASSERT_TRUE(fs.Announce(CopySteps(c)));
        // Stopped before the fourth copy: the last two are made by their own steps.
        int asked = 0;
        fs.CopyAhead([&] { return ++asked > 3; });
        std::string bytes;
        EXPECT_TRUE(ops.Contents(PartialOf(c.targets[2]), bytes));
        EXPECT_FALSE(ops.Contents(PartialOf(c.targets[3]), bytes));
        for (const std::size_t i : {0, 3})
            EXPECT_EQ(fs.Transfer(c.sources[i], c.targets[i], false), TransferOutcome::Done) << i;
        // The rest are not taken (a Cancel), copied ahead or not.
        fs.WithdrawAll();
        for (std::size_t i = 0; i < c.sources.size(); ++i)
            EXPECT_FALSE(ops.Contents(PartialOf(c.targets[i]), bytes)) << i;
        EXPECT_FALSE(AnyStageFolder(ops));
        journal.Close();
    }
    auto expected = before;
    for (const std::size_t i : {0, 3})
        expected[c.targets[i]] = c.files.at(c.sources[i]);
    std::map<std::string, std::string> now = UserFiles(ops);
    EXPECT_EQ(now, expected);
}

TEST(NoLossProperty, ACopyMadeAheadIsReadBackAndHashedBeforeItTakesItsName)
{
    const Case c = BatchOfFive();
    MemoryFileOps ops;
    Lay(ops, c);
    OpsFileSystem real(ops);
    RunJournal journal(ops);
    ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
    JournalFileSystem fs(real, journal);
    fs.StageCopies(0, 1);
    CopyCheck check;
    check.verify = true;
    fs.CheckCopies(&check);
    ASSERT_TRUE(fs.Announce(CopySteps(c, 2)));
    fs.CopyAhead({});
    // The drive gives the first copy back garbled: it never takes its name.
    ops.GarbleReadBacks(1);
    EXPECT_EQ(fs.Transfer(c.sources[0], c.targets[0], false), TransferOutcome::Failed);
    EXPECT_EQ(ops.LastError(), FileError::kCopyDiffers);
    std::string bytes;
    EXPECT_FALSE(ops.Contents(c.targets[0], bytes));
    EXPECT_FALSE(ops.Contents(PartialOf(c.targets[0]), bytes));
    check.copied = false;
    EXPECT_EQ(fs.Transfer(c.sources[1], c.targets[1], false), TransferOutcome::Done);
    ContentHasher hasher;
    const std::string& second = c.files.at(c.sources[1]);
    hasher.Update(second.data(), second.size());
    EXPECT_TRUE(check.copied);
    EXPECT_EQ(check.hash, hasher.Digest());
    journal.Close();
}

// Counts the copies each batch makes together and their bytes.
class BatchCounter : public ForwardingFileOps {
public:
    using ForwardingFileOps::ForwardingFileOps;
    void CopyNewTogether(std::vector<BatchCopy>& copies, const std::function<bool()>& stop) override
    {
        std::uint64_t bytes = 0;
        for (const BatchCopy& copy : copies) {
            bytes += copy.expectedSize;
            largest = std::max(largest, copy.expectedSize);
        }
        batchBytes.push_back(bytes);
        ForwardingFileOps::CopyNewTogether(copies, stop);
    }
    std::vector<std::uint64_t> batchBytes;
    std::uint64_t largest = 0;
};

TEST(NoLossProperty, ALargeFileIsCopiedOnItsOwnAndABatchHoldsABoundedNumberOfBytes)
{
    Case c;
    constexpr std::uint64_t kSeven = 7ull * 1024 * 1024;
    for (int i = 0; i < 11; ++i) {
        const std::string name = "f" + std::to_string(i) + ".jpg";
        c.files["C:\\card\\" + name] =
                std::string(i == 4 ? kLoneCopySize : kSeven, static_cast<char>('a' + i));
        c.sources.push_back("C:\\card\\" + name);
        c.targets.push_back("D:\\out\\" + name);
    }
    MemoryFileOps memory;
    Lay(memory, c);
    BatchCounter ops(memory);
    OpsFileSystem real(ops);
    RunJournal journal(ops);
    ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
    JournalFileSystem fs(real, journal);
    ASSERT_TRUE(fs.Announce(CopySteps(c)));
    fs.CopyAhead({});
    EXPECT_LT(ops.largest, kLoneCopySize);
    ASSERT_EQ(ops.batchBytes.size(), 2u);
    EXPECT_EQ(ops.batchBytes[0] + ops.batchBytes[1], 10 * kSeven);
    for (const std::uint64_t bytes : ops.batchBytes)
        EXPECT_LE(bytes, 64ull * 1024 * 1024);
    for (std::size_t i = 0; i < c.sources.size(); ++i)
        EXPECT_EQ(fs.Transfer(c.sources[i], c.targets[i], false), TransferOutcome::Done) << i;
    journal.Close();
    std::string bytes;
    EXPECT_TRUE(memory.Contents(c.targets[4], bytes) && bytes == c.files.at(c.sources[4]));
}

TEST(NoLossProperty, ARunEndedBetweenABatchsCopiesAndTheirNamesIsUndoneToTheTreeBefore)
{
    const Case c = BatchOfFive();
    MemoryFileOps ops;
    Lay(ops, c);
    const auto before = ops.Files();
    try {
        OpsFileSystem real(ops);
        RunJournal journal(ops);
        ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
        JournalFileSystem fs(real, journal);
        fs.StageCopies(0, 1);
        ASSERT_TRUE(fs.Announce(CopySteps(c)));
        fs.CopyAhead({});
        // Ended at the first step of the first name.
        ops.KillAt(ops.Calls() + 1);
        static_cast<void>(fs.Transfer(c.sources[0], c.targets[0], false));
        ADD_FAILURE() << "the run was not ended";
    } catch (const Killed&) { }
    ops.Revive();
    for (std::size_t i = 0; i < c.sources.size(); ++i) {
        std::string bytes;
        EXPECT_TRUE(ops.Contents(PartialOf(c.targets[i]), bytes) && bytes == c.files.at(c.sources[i]));
        EXPECT_FALSE(ops.Contents(c.targets[i], bytes)) << c.targets[i];
    }
    ExpectNothingLost(ops, c, "ended");
    UndoCollector sink;
    UndoTally tally;
    ASSERT_TRUE(Succeeded(UndoRun(ops, OnlyJournal(ops), false, "now", sink, tally)));
    std::map<std::string, std::string> now = UserFiles(ops);
    EXPECT_EQ(now, before);
    EXPECT_EQ(ops.Folders().count("D:\\OUT\\2012"), 0u);
}

TEST(NoLossProperty, AnUndoRefusesAJournalItsRunStillHolds)
{
    Case c;
    c.files = {{"C:\\card\\a.jpg", "a photo"}};
    c.sources = {"C:\\card\\a.jpg"};
    c.targets = {"C:\\out\\a.jpg"};
    MemoryFileOps ops;
    Lay(ops, c);
    OpsFileSystem real(ops);
    RunJournal journal(ops);
    ASSERT_TRUE(Succeeded(journal.Open(kRuns, "run", JournalHeader {}, 50)));
    JournalFileSystem fs(real, journal);
    ASSERT_TRUE(fs.EnsureFolder("C:\\out\\"));
    ASSERT_EQ(fs.Transfer(c.sources[0], c.targets[0], false), TransferOutcome::Done);
    const auto during = ops.Files();
    UndoCollector sink;
    UndoTally tally;
    JournalData data;
    const Status loaded = LoadForUndo(ops, journal.Path(), data);
    EXPECT_EQ(loaded.Kind(), FailureKind::InUse);
    EXPECT_NE(loaded.Reason().find("is still going"), std::string::npos) << loaded.Reason();
    const Status undone = UndoRun(ops, journal.Path(), false, "now", sink, tally);
    EXPECT_EQ(undone.Kind(), FailureKind::InUse);
    EXPECT_NE(undone.Reason().find("is still going"), std::string::npos) << undone.Reason();
    EXPECT_EQ(ops.Files(), during);
    journal.Close();
    EXPECT_TRUE(Succeeded(UndoRun(ops, journal.Path(), false, "now", sink, tally)));
    EXPECT_EQ(ops.Files().count("C:\\out\\a.jpg"), 0u);
}

}  // namespace

namespace {

TEST(NoLossProperty, AReplacedFileThatCannotGoBackKeepsTheRunOpenAndSaysWhereItIs)
{
    Case c;
    c.files = {{"C:\\card\\a.jpg", "the new photo"}, {"C:\\out\\a.jpg", "the old photo"}};
    c.sources = {"C:\\card\\a.jpg"};
    c.targets = {"C:\\out\\a.jpg"};
    c.policy = TargetExistsPolicy::Overwrite;
    MemoryFileOps ops;
    Lay(ops, c);
    RunSteps(ops, c, "run");
    const std::string journal = OnlyJournal(ops);
    // The user edits the new file after the run: undo may not take it away, so the old one stays kept.
    ASSERT_TRUE(ops.Delete("C:\\out\\a.jpg"));
    ops.AddFile("C:\\out\\a.jpg", "the new photo, edited", 9999);
    UndoCollector sink;
    UndoTally tally;
    ASSERT_TRUE(Succeeded(UndoRun(ops, journal, false, "now", sink, tally)));
    ASSERT_EQ(sink.leftRows.size(), 1u);
    EXPECT_NE(sink.leftRows[0].find(
                      "Target changed since the run; left; replaced file kept in \"C:\\runs\\run.kept\\"),
              std::string::npos)
            << sink.leftRows[0];
    ASSERT_EQ(tally.keptFiles.size(), 1u);
    std::string kept;
    ASSERT_TRUE(ops.Contents(tally.keptFiles[0], kept));
    EXPECT_EQ(kept, "the old photo");
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(ops, journal, data)));
    EXPECT_FALSE(data.undone);
    // Once the user puts the run's file back, a second undo finishes.
    ASSERT_TRUE(ops.Delete("C:\\out\\a.jpg"));
    ops.AddFile("C:\\out\\a.jpg", "the new photo", data.steps.back().targetStamp.writeTime);
    UndoCollector again;
    UndoTally second;
    ASSERT_TRUE(Succeeded(UndoRun(ops, journal, false, "now", again, second)));
    EXPECT_TRUE(again.leftRows.empty());
    std::string now;
    ASSERT_TRUE(ops.Contents("C:\\out\\a.jpg", now));
    EXPECT_EQ(now, "the old photo");
    ASSERT_TRUE(Succeeded(LoadJournal(ops, journal, data)));
    EXPECT_TRUE(data.undone);
    // A third undo has nothing left to do, which is no failure of the system.
    const Status loaded = LoadForUndo(ops, journal, data);
    EXPECT_EQ(loaded.Kind(), FailureKind::DoneAlready);
    EXPECT_EQ(loaded.Reason(), "the run of \"" + journal + "\" was undone already (now)");
    UndoTally third;
    const Status undone = UndoRun(ops, journal, false, "now", again, third);
    EXPECT_EQ(undone.Kind(), FailureKind::DoneAlready);
    EXPECT_EQ(undone.Reason(), loaded.Reason());
}

// Undoes the only journal, which must be read and gone through to its end; answers the rows left.
std::vector<std::string> RowsLeftByUndo(MemoryFileOps& ops)
{
    UndoCollector sink;
    UndoTally tally;
    EXPECT_TRUE(Succeeded(UndoRun(ops, OnlyJournal(ops), false, "now", sink, tally)));
    return sink.leftRows;
}

}  // namespace

TEST(NoLossProperty, AnUndoThatCannotPutAFileBackSaysWhyByTheCallThatFailed)
{
    // A move back into a folder whose name a file has taken since.
    Case moved;
    moved.files = {{"C:\\card\\a.jpg", "a photo"}};
    moved.sources = {"C:\\card\\a.jpg"};
    moved.targets = {"C:\\out\\a.jpg"};
    moved.move = true;
    MemoryFileOps ops;
    Lay(ops, moved);
    RunSteps(ops, moved, "moved");
    ASSERT_TRUE(ops.RemoveFolder("C:\\card"));
    ops.AddFile("C:\\card", "in the way", 1);
    EXPECT_EQ(RowsLeftByUndo(ops),
              std::vector<std::string> {"Failed to move back (" + FileErrorText(FileError::kAlreadyExists) +
                                        "); left"});

    // A copy another program holds open for longer than undo waits.
    Case copied;
    copied.files = {{"C:\\card\\b.jpg", "b photo"}};
    copied.sources = {"C:\\card\\b.jpg"};
    copied.targets = {"C:\\out\\b.jpg"};
    MemoryFileOps held;
    Lay(held, copied);
    RunSteps(held, copied, "copied");
    held.HoldFor("C:\\out\\b.jpg", 100);
    EXPECT_EQ(RowsLeftByUndo(held),
              std::vector<std::string> {"Failed to delete the copy (" +
                                        FileErrorText(FileError::kSharingViolation) + "); left"});
    std::string left;
    EXPECT_TRUE(held.Contents("C:\\out\\b.jpg", left));
    EXPECT_EQ(left, "b photo");
}

TEST(NoLossProperty, AJournalThatCannotBeReadSaysWhetherTheFileIsMissingOrDamaged)
{
    MemoryFileOps ops;
    ops.AddFolder("C:\\runs");
    JournalData data;
    const Status missing = LoadJournal(ops, "C:\\runs\\gone.qmj", data);
    ASSERT_FALSE(missing.Ok());
    EXPECT_EQ(missing.Kind(), FailureKind::System);
    EXPECT_EQ(missing.Code(), FileError::kFileNotFound);
    EXPECT_EQ(missing.Reason().rfind("cannot open \"C:\\runs\\gone.qmj\": ", 0), 0u) << missing.Reason();
    ops.AddFile("C:\\runs\\notes.qmj", "not a journal\n", 1);
    const Status damaged = LoadJournal(ops, "C:\\runs\\notes.qmj", data);
    ASSERT_FALSE(damaged.Ok());
    EXPECT_EQ(damaged.Kind(), FailureKind::Damaged);
    EXPECT_EQ(damaged.Reason().rfind("\"C:\\runs\\notes.qmj\": ", 0), 0u) << damaged.Reason();
    UndoCollector sink;
    UndoTally tally;
    EXPECT_EQ(UndoRun(ops, "C:\\runs\\notes.qmj", false, "now", sink, tally).Kind(), FailureKind::Damaged);
    EXPECT_EQ(UndoRun(ops, "C:\\runs\\gone.qmj", false, "now", sink, tally).Kind(), FailureKind::System);
}

TEST(NoLossProperty, AJournalThatCannotBeWrittenSaysWhereAndWhy)
{
    MemoryFileOps ops;
    ops.AddFile("C:\\blocker", "a file where the runs folder would go", 1);
    RunJournal blocked(ops);
    const Status opened = blocked.Open("C:\\blocker\\runs\\", "run", JournalHeader {}, 50);
    ASSERT_FALSE(opened.Ok());
    EXPECT_EQ(opened.Kind(), FailureKind::System);
    EXPECT_NE(opened.Code(), 0u);
    EXPECT_EQ(opened.Code(), ops.LastError());
    EXPECT_EQ(opened.Reason(), "Failed to write the run's journal in \"C:\\blocker\\runs\\\". " +
                                       FileErrorText(opened.Code()));
    RunJournal unnamed(ops);
    const Status nowhere = unnamed.Open("", "run", JournalHeader {}, 50);
    ASSERT_FALSE(nowhere.Ok());
    EXPECT_EQ(nowhere.Code(), FileError::kPathNotFound);
    // A drive too full for the header: no journal is left behind.
    ops.AddFolder("E:\\runs");
    ops.SetCapacity("E:", 8);
    RunJournal headless(ops);
    const Status header = headless.Open("E:\\runs\\", "run", JournalHeader {}, 50);
    ASSERT_FALSE(header.Ok());
    EXPECT_EQ(header.Code(), FileError::kDiskFull);
    EXPECT_EQ(header.Reason(),
              "Failed to write the run's journal in \"E:\\runs\\\". " + FileErrorText(FileError::kDiskFull));
    EXPECT_EQ(ops.Files().count("E:\\runs\\run.qmj"), 0u);

    // The header fits on the drive, the next record does not.
    ops.SetCapacity("D:", 300);
    RunJournal journal(ops);
    ASSERT_TRUE(Succeeded(journal.Open("D:\\runs\\", "run", JournalHeader {}, 50)));
    const Status full = journal.Write(std::string(400, 'x') + "\n");
    ASSERT_FALSE(full.Ok());
    EXPECT_EQ(full.Kind(), FailureKind::System);
    EXPECT_EQ(full.Code(), FileError::kDiskFull);
    EXPECT_EQ(full.Reason(), "cannot write to \"D:\\runs\\run.qmj\": " + FileErrorText(FileError::kDiskFull));
    EXPECT_EQ(journal.WriteAll({std::string(400, 'y') + "\n"}).Code(), FileError::kDiskFull);
    journal.Close();
    const Status closed = journal.WriteOutcome("D\t1\n");
    ASSERT_FALSE(closed.Ok());
    EXPECT_EQ(closed.Code(), FileError::kInvalidHandle);
    EXPECT_EQ(journal.WriteAll({"D\t1\n"}).Code(), FileError::kInvalidHandle);
}

namespace {

TEST(NoLossProperty, AStepToldAheadIsTakenOnlyByItsOwnFile)
{
    // The first photo is numbered onto the name the second was told ahead under.
    Case c;
    c.files = {{"C:\\camA\\IMG_0001.JPG", "camera A"},
               {"C:\\camB\\IMG_0001_1.JPG", "camera B"},
               {"C:\\out\\IMG_0001.JPG", "in the library"}};
    c.sources = {"C:\\camA\\IMG_0001.JPG", "C:\\camB\\IMG_0001_1.JPG"};
    c.targets = {"C:\\out\\IMG_0001.JPG", "C:\\out\\IMG_0001_1.JPG"};
    c.policy = TargetExistsPolicy::RenameAutomatically;
    c.batch = 2;
    for (const bool move : {false, true}) {
        c.move = move;
        MemoryFileOps probe;
        Lay(probe, c);
        RunSteps(probe, c, "run");
        // The second photo's step told ahead was not taken as told: it counts as nothing.
        JournalData data;
        ASSERT_TRUE(Succeeded(LoadJournal(probe, OnlyJournal(probe), data)));
        const JournalCounts counts = CountSteps(data);
        EXPECT_EQ(counts.failed, 0);
        EXPECT_EQ(move ? counts.moved : counts.copied, 2);
        for (std::uint64_t kill = 0; kill <= probe.Calls() + 1 && !HasFailure(); ++kill)
            CheckCase(c, kill, 0, std::string(move ? "move" : "copy") + " kill " + std::to_string(kill));
    }
}

// The run's file system with the questions the journal's asks of it counted.
class AskedFileSystem : public OpsFileSystem {
public:
    using OpsFileSystem::OpsFileSystem;
    bool Exists(const std::string& path) override
    {
        ++asked;
        return OpsFileSystem::Exists(path);
    }
    Status EnsureFolder(const std::string& folder) override
    {
        ++asked;
        return OpsFileSystem::EnsureFolder(folder);
    }
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override
    {
        ++asked;
        return OpsFileSystem::ListNames(folder, names);
    }
    int asked = 0;
};

// The file system in memory with the paths looked up one by one counted.
class StatCounting : public ForwardingFileOps {
public:
    using ForwardingFileOps::ForwardingFileOps;
    bool Stat(const std::string& path, FileState& state) override
    {
        ++stats;
        return ForwardingFileOps::Stat(path, state);
    }
    int stats = 0;
};

JournalHeader TestHeader(bool move)
{
    JournalHeader header;
    header.started = "2026-12-09 10:00:00";
    header.move = move;
    return header;
}

// Steps told ahead into a folder the run made ask the file system nothing by name: neither
// whether a target is free, nor an unfinished name, nor the source (its stamp came with the
// plan); a moved file's stamp is its source's. A copy's done record reads the copy's stamp.
TEST(NoLossProperty, StepsIntoAFolderTheRunMadeAskNoNameOfTheFileSystem)
{
    for (const bool move : {false, true}) {
        MemoryFileOps ops;
        ops.AddFolder("C:\\cam");
        ops.AddFolder("C:\\runs");
        constexpr int kFiles = 16;
        for (int i = 0; i < kFiles; ++i)
            ops.AddFile("C:\\cam\\p" + std::to_string(i) + ".jpg", "photo " + std::to_string(i),
                        100 + static_cast<std::uint64_t>(i));
        StatCounting counted(ops);
        AskedFileSystem asked(counted);
        RunJournal journal(counted);
        ASSERT_TRUE(Succeeded(journal.Open(kRuns, "run", TestHeader(move), 50)));
        int askedBefore = 0, statsBefore = 0;
        {
            JournalFileSystem fs(asked, journal);
            for (int batch = 0; batch < 2; ++batch) {
                if (batch == 1) {
                    askedBefore = asked.asked;
                    statsBefore = counted.stats;
                }
                std::vector<PlannedTransfer> steps;
                for (int i = batch * kFiles / 2; i < (batch + 1) * kFiles / 2; ++i) {
                    const std::string source = "C:\\cam\\p" + std::to_string(i) + ".jpg";
                    const std::string target = "C:\\out\\2012\\p" + std::to_string(i) + ".jpg";
                    FileStamp stamp;
                    ASSERT_TRUE(ReadStampOf(ops, source, stamp));
                    ASSERT_FALSE(fs.Exists(target));
                    steps.push_back({source, target, move, stamp});
                }
                ASSERT_TRUE(fs.Announce(steps));
                if (!move)
                    fs.CopyAhead({});
                for (const PlannedTransfer& step : steps) {
                    ASSERT_TRUE(fs.EnsureFolder("C:\\out\\2012\\"));
                    EXPECT_EQ(fs.Transfer(step.source, step.target, move), TransferOutcome::Done);
                }
            }
            // Nor is a folder below one it made, which its parent does not hold.
            EXPECT_FALSE(fs.Exists("C:\\out\\2012\\later\\p0.jpg"));
        }
        journal.Close();
        EXPECT_EQ(asked.asked, askedBefore) << (move ? "move" : "copy");
        EXPECT_EQ(counted.stats - statsBefore, move ? 0 : kFiles / 2) << (move ? "move" : "copy");
        JournalData data;
        ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
        for (const JournalStep& step : data.steps) {
            FileState placed;
            if (!step.isFolder) {
                ASSERT_TRUE(ops.Stat(step.target, placed)) << step.target;
                EXPECT_EQ(step.targetStamp, placed.stamp) << step.target;
            }
        }
    }
}

// A folder that was there is asked by name while the run asks few of its names, and listed once
// when it asks many; from then on it answers, as the file system compares names, without a
// question.
TEST(NoLossProperty, AFolderThatWasThereIsListedOnceManyOfItsNamesAreAsked)
{
    MemoryFileOps ops;
    ops.AddFolder("C:\\runs");
    ops.AddFolder("C:\\out");
    ops.AddFolder("C:\\out\\2012");
    ops.AddFile("C:\\out\\2012\\old.jpg", "there before", 5);
    AskedFileSystem asked(ops);
    RunJournal journal(ops);
    ASSERT_TRUE(Succeeded(journal.Open(kRuns, "run", TestHeader(false), 50)));
    {
        JournalFileSystem fs(asked, journal);
        for (int i = 0; i < 40; ++i)
            EXPECT_FALSE(fs.Exists("C:\\out\\2012\\p" + std::to_string(i) + ".jpg"));
        EXPECT_GE(asked.asked, 2);
        EXPECT_LE(asked.asked, 10);
        const int before = asked.asked;
        EXPECT_TRUE(fs.Exists("C:\\out\\2012\\OLD.JPG"));
        EXPECT_EQ(asked.asked, before);
    }
    journal.Close();
}

// A name another program takes after the plan, in a folder the run made or in one it listed, is
// refused by the step itself and never written over; from then on the run knows it is taken,
// and the row's policy places the file elsewhere. A file that was there before is seen without
// a question per name.
TEST(NoLossProperty, ANameTakenAfterThePlanIsRefusedByItsStepAndKnownTakenFromThen)
{
    for (const bool listed : {false, true}) {
        for (const bool move : {false, true}) {
            const std::string label = std::string(listed ? "listed" : "made") + (move ? " move" : " copy");
            MemoryFileOps ops;
            ops.AddFolder("C:\\cam");
            ops.AddFolder("C:\\runs");
            ops.AddFile("C:\\cam\\b.jpg", "photo b", 10);
            if (listed) {
                ops.AddFolder("C:\\out");
                ops.AddFolder("C:\\out\\2012");
                ops.AddFile("C:\\out\\2012\\old.jpg", "there before", 5);
            }
            const std::string target = "C:\\out\\2012\\b.jpg";
            OpsFileSystem real(ops);
            RunJournal journal(ops);
            ASSERT_TRUE(Succeeded(journal.Open(kRuns, "run", TestHeader(move), 50)));
            {
                JournalFileSystem fs(real, journal);
                ASSERT_TRUE(fs.Exists("C:\\cam\\b.jpg")) << label;
                ASSERT_TRUE(fs.EnsureFolder("C:\\out\\2012\\")) << label;
                EXPECT_EQ(fs.Exists("C:\\out\\2012\\old.jpg"), listed) << label;
                EXPECT_FALSE(fs.Exists(target)) << label;
                ops.AddFile(target, "other", 50);
                EXPECT_EQ(fs.Transfer("C:\\cam\\b.jpg", target, move), TransferOutcome::Failed) << label;
                EXPECT_TRUE(ops.LastError() == FileError::kFileExists ||
                            ops.LastError() == FileError::kAlreadyExists)
                        << label << ": " << ops.LastError();
                std::string bytes;
                EXPECT_TRUE(ops.Contents(target, bytes) && bytes == "other") << label;
                EXPECT_TRUE(ops.Contents("C:\\cam\\b.jpg", bytes) && bytes == "photo b") << label;
                ASSERT_TRUE(fs.Exists(target)) << label;
                std::string next = target;
                ASSERT_EQ(ResolveExistingTarget(fs, "C:\\cam\\b.jpg", TargetExistsPolicy::RenameAutomatically,
                                                next),
                          ExistingTarget::Free)
                        << label;
                EXPECT_EQ(next, "C:\\out\\2012\\b_1.jpg") << label;
                EXPECT_EQ(fs.Transfer("C:\\cam\\b.jpg", next, move), TransferOutcome::Done) << label;
                EXPECT_TRUE(fs.Exists(next)) << label;
                EXPECT_EQ(fs.Exists("C:\\cam\\b.jpg"), !move) << label;
            }
            journal.Close();
        }
    }
}

// An unfinished-copy name another program holds is neither written nor removed: the step is
// recorded as not started and again under the next unfinished name before a byte is written,
// whether its copy is made ahead with its batch or when its turn comes.
TEST(NoLossProperty, AnUnfinishedNameAnotherProgramTookIsLeftToItAndAnotherIsRecorded)
{
    for (const bool made : {true, false}) {
        for (const bool ahead : {true, false}) {
            const std::string label =
                    std::string(made ? "made" : "found") + (ahead ? " ahead" : " at its turn");
            const std::string folder = made ? "C:\\out\\new\\" : "C:\\out\\";
            MemoryFileOps ops;
            ops.AddFolder("C:\\cam");
            ops.AddFolder("C:\\runs");
            ops.AddFile("C:\\cam\\b.jpg", "photo b", 10);
            // One that was there before the run is found there: not even tried.
            ops.AddFolder("C:\\out");
            if (!made)
                ops.AddFile(folder + "~b.jpg.qmpart", "older", 98);
            // A copy made ahead is written in the run's stage folder, which another program can
            // make and write in as well.
            const std::string stage = folder + "~qmrun.qmpart\\";
            const std::string theirs =
                    ahead ? stage + "~b.jpg.qmpart" : folder + (made ? "~b.jpg.qmpart" : "~b.jpg.1.qmpart");
            const std::string target = folder + "b.jpg";
            OpsFileSystem real(ops);
            RunJournal journal(ops);
            ASSERT_TRUE(Succeeded(journal.Open(kRuns, "run", TestHeader(false), 50)));
            std::map<std::string, std::string> before;
            {
                JournalFileSystem fs(real, journal);
                fs.StageCopies(0, 1);
                ASSERT_TRUE(fs.EnsureFolder(folder)) << label;
                if (ahead) {
                    FileStamp stamp;
                    ASSERT_TRUE(ReadStampOf(ops, "C:\\cam\\b.jpg", stamp));
                    ASSERT_TRUE(fs.Announce({{"C:\\cam\\b.jpg", target, false, stamp}})) << label;
                }
                // The plan found the target free.
                EXPECT_FALSE(fs.Exists(target)) << label;
                if (ahead) {
                    ASSERT_TRUE(ops.MakeFolder(stage)) << label;
                }
                ops.AddFile(theirs, "theirs", 99);
                before = UserFiles(ops);
                if (ahead)
                    fs.CopyAhead({});
                EXPECT_EQ(fs.Transfer("C:\\cam\\b.jpg", target, false), TransferOutcome::Done) << label;
            }
            journal.Close();
            std::string bytes;
            EXPECT_TRUE(ops.Contents(target, bytes) && bytes == "photo b") << label;
            EXPECT_TRUE(made || (ops.Contents(folder + "~b.jpg.qmpart", bytes) && bytes == "older")) << label;
            EXPECT_TRUE(ops.Contents(theirs, bytes) && bytes == "theirs") << label;
            JournalData data;
            ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
            std::vector<std::string> partials;
            for (const JournalStep& step : data.steps) {
                if (!step.isFolder)
                    partials.push_back(step.partial.substr(folder.size()) +
                                       (step.outcome == StepOutcome::Done ? " done" : " not"));
            }
            // Where the run knows the folder's names, or chose the name before the other program
            // took it, the step's own create is refused and the step recorded again (a copy made
            // ahead, beside its target); else the name is found taken before it is chosen.
            const std::vector<std::string> expected =
                    ahead  ? std::vector<std::string> {"~qmrun.qmpart\\~b.jpg.qmpart not",
                                                      made ? "~b.jpg.qmpart done" : "~b.jpg.1.qmpart done"}
                    : made ? std::vector<std::string> {"~b.jpg.qmpart not", "~b.jpg.1.qmpart done"}
                           : std::vector<std::string> {"~b.jpg.2.qmpart done"};
            EXPECT_EQ(partials, expected) << label;
            const JournalCounts counts = CountSteps(data);
            EXPECT_EQ(counts.copied, 1) << label;
            EXPECT_EQ(counts.failed, 0) << label;
            UndoCollector sink;
            UndoTally tally;
            EXPECT_TRUE(Succeeded(UndoRun(ops, OnlyJournal(ops), false, "now", sink, tally))) << label;
            std::map<std::string, std::string> now = UserFiles(ops);
            EXPECT_EQ(now, before) << label;
        }
    }
}

// Undoes the only journal to its end and expects the tree as it was before the run.
void ExpectUndoneToBefore(MemoryFileOps& ops, const std::map<std::string, std::string>& before)
{
    UndoCollector sink;
    UndoTally tally;
    EXPECT_TRUE(Succeeded(UndoRun(ops, OnlyJournal(ops), false, "now", sink, tally)));
    EXPECT_TRUE(sink.leftRows.empty());
    std::map<std::string, std::string> now = UserFiles(ops);
    EXPECT_EQ(now, before);
    for (const std::string& folder : ops.Folders())
        EXPECT_EQ(folder.find("\\OUT"), std::string::npos) << folder;
}

// Announces the steps of c (all or from..to), copies ahead and takes each step.
void RunBatch(JournalFileSystem& fs, const Case& c, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    std::vector<PlannedTransfer> steps;
    for (std::size_t i = from; i < std::min(to, c.sources.size()); ++i)
        steps.push_back({c.sources[i], c.targets[i], false, std::nullopt});
    ASSERT_TRUE(fs.Announce(steps));
    fs.CopyAhead({});
    for (const PlannedTransfer& step : steps)
        static_cast<void>(fs.Transfer(step.source, step.target, false));
}

TEST(NoLossProperty, CopiesMadeAheadWaitInAStageFolderThatGoesBeforeTheLastOutcomeOfItsSteps)
{
    const Case c = BatchOfFive();
    MemoryFileOps ops;
    Lay(ops, c);
    const auto before = ops.Files();
    const std::string stage = "D:\\OUT\\2012\\~QMRUN.QMPART";
    {
        OpsFileSystem real(ops);
        RunJournal journal(ops);
        ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
        JournalFileSystem fs(real, journal);
        fs.StageCopies(0, 1);
        // Two batches into one folder: the stage folder is made for each and goes with it.
        for (const auto& [from, to] : {std::pair<std::size_t, std::size_t> {0, 3}, {3, 5}}) {
            std::vector<PlannedTransfer> steps;
            for (std::size_t i = from; i < to; ++i)
                steps.push_back({c.sources[i], c.targets[i], false, std::nullopt});
            ASSERT_TRUE(fs.Announce(steps));
            EXPECT_EQ(ops.Folders().count(stage), 0u) << from;
            fs.CopyAhead({});
            for (std::size_t i = from; i < to; ++i) {
                std::string bytes;
                EXPECT_TRUE(ops.Contents(PartialOf(c.targets[i]), bytes) &&
                            bytes == c.files.at(c.sources[i]));
            }
            for (std::size_t i = from; i < to; ++i) {
                EXPECT_EQ(ops.Folders().count(stage), 1u) << i;
                EXPECT_EQ(fs.Transfer(c.sources[i], c.targets[i], false), TransferOutcome::Done) << i;
            }
            EXPECT_EQ(ops.Folders().count(stage), 0u) << from;
        }
        journal.Close();
    }
    // Each batch recorded its stage folder before the steps that wrote in it.
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
    int stages = 0;
    for (const JournalStep& step : data.steps) {
        if (step.isFolder) {
            stages += IsStageFolder(step.folder) ? 1 : 0;
            continue;
        }
        EXPECT_EQ(step.partial, PartialOf(step.target));
        EXPECT_EQ(step.outcome, StepOutcome::Done) << step.target;
        EXPECT_EQ(stages, step.seq <= 3 ? 1 : 2) << step.target;
    }
    EXPECT_EQ(stages, 2);
    auto expected = before;
    for (std::size_t i = 0; i < c.sources.size(); ++i)
        expected[c.targets[i]] = c.files.at(c.sources[i]);
    EXPECT_EQ(UserFiles(ops), expected);
    EXPECT_FALSE(AnyStageFolder(ops));
    ExpectUndoneToBefore(ops, before);
}

// A batch stopped before its first copy, whose empty stage folder another program removes
// meanwhile: the first step makes the folder again (recorded), and each step its copy there.
TEST(NoLossProperty, StagedStepsWhoseStageFolderWentMakeItAgain)
{
    const Case c = BatchOfFive();
    MemoryFileOps ops;
    Lay(ops, c);
    const auto before = ops.Files();
    {
        OpsFileSystem real(ops);
        RunJournal journal(ops);
        ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
        JournalFileSystem fs(real, journal);
        fs.StageCopies(0, 1);
        ASSERT_TRUE(fs.Announce(CopySteps(c)));
        fs.CopyAhead([] { return true; });
        ASSERT_TRUE(ops.RemoveFolder("D:\\out\\2012\\~qmrun.qmpart"));
        for (std::size_t i = 0; i < c.sources.size(); ++i)
            EXPECT_EQ(fs.Transfer(c.sources[i], c.targets[i], false), TransferOutcome::Done) << i;
        journal.Close();
    }
    EXPECT_FALSE(AnyStageFolder(ops));
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
    for (const JournalStep& step : data.steps) {
        if (!step.isFolder) {
            EXPECT_EQ(step.partial, PartialOf(step.target)) << step.target;
        }
    }
    auto expected = before;
    for (std::size_t i = 0; i < c.sources.size(); ++i)
        expected[c.targets[i]] = c.files.at(c.sources[i]);
    EXPECT_EQ(UserFiles(ops), expected);
    ExpectUndoneToBefore(ops, before);
}

// However a run of copies ends, the next run's start leaves neither an unfinished copy nor a stage
// folder of it, and every file stays whole.
TEST(NoLossProperty, ARunEndedAtAnyCallLeavesNoStageFolderOnceTheNextRunStarts)
{
    const Case c = BatchOfFive();
    const auto run = [&](MemoryFileOps& ops) {
        OpsFileSystem real(ops);
        RunJournal journal(ops);
        if (!journal.Open(kRuns, "run", JournalHeader {}, 50))
            return;
        JournalFileSystem fs(real, journal);
        fs.StageCopies(0, 1);
        RunBatch(fs, c, 0, 2);
        RunBatch(fs, c, 2);
        journal.Close();
    };
    MemoryFileOps probe;
    Lay(probe, c);
    run(probe);
    ASSERT_FALSE(AnyStageFolder(probe));
    for (std::uint64_t kill = 1; kill <= probe.Calls() + 1 && !HasFailure(); ++kill) {
        const std::string label = "kill " + std::to_string(kill);
        MemoryFileOps ops;
        Lay(ops, c);
        ops.KillAt(kill);
        try {
            run(ops);
        } catch (const Killed&) { }
        ops.Revive();
        ExpectNothingLost(ops, c, label);
        RunJournal next(ops);
        ASSERT_TRUE(Succeeded(next.Open(kRuns, "next", JournalHeader {}, 50))) << label;
        next.Close();
        EXPECT_FALSE(AnyStageFolder(ops)) << label;
        for (const auto& [path, bytes] : ops.Files())
            EXPECT_EQ(path.find(".qmpart"), std::string::npos) << label << ": " << path;
        ExpectNothingLost(ops, c, label + " after the next start");
    }
}

// Where another program's file holds the stage folder's name, the copies are made beside their
// targets, recorded anew before they start; the file is left as it was.
TEST(NoLossProperty, AStageFolderThatCannotBeMadeSendsItsCopiesBesideTheirTargets)
{
    for (const bool ahead : {true, false}) {
        const std::string label = ahead ? "copied ahead" : "copied at its turn";
        const Case c = BatchOfFive();
        MemoryFileOps ops;
        Lay(ops, c);
        ops.AddFolder("D:\\out");
        ops.AddFolder("D:\\out\\2012");
        ops.AddFile("D:\\out\\2012\\~qmrun.qmpart", "their file", 77);
        const auto before = ops.Files();
        {
            OpsFileSystem real(ops);
            RunJournal journal(ops);
            ASSERT_TRUE(journal.Open(kRuns, "run", JournalHeader {}, 50));
            JournalFileSystem fs(real, journal);
            fs.StageCopies(0, 1);
            ASSERT_TRUE(fs.Announce(CopySteps(c)));
            if (ahead)
                fs.CopyAhead({});
            for (std::size_t i = 0; i < c.sources.size(); ++i)
                EXPECT_EQ(fs.Transfer(c.sources[i], c.targets[i], false), TransferOutcome::Done) << label;
            journal.Close();
        }
        auto expected = before;
        for (std::size_t i = 0; i < c.sources.size(); ++i)
            expected[c.targets[i]] = c.files.at(c.sources[i]);
        EXPECT_EQ(UserFiles(ops), expected) << label;
        JournalData data;
        ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
        int besides = 0;
        for (const JournalStep& step : data.steps) {
            if (step.isFolder || step.outcome != StepOutcome::Done)
                continue;
            EXPECT_EQ(step.partial, "D:\\out\\2012\\~" + FileNameOf(step.target) + ".qmpart") << label;
            ++besides;
        }
        EXPECT_EQ(besides, 5) << label;
        EXPECT_EQ(CountSteps(data).failed, 0) << label;
        UndoCollector sink;
        UndoTally tally;
        EXPECT_TRUE(Succeeded(UndoRun(ops, OnlyJournal(ops), false, "now", sink, tally))) << label;
        EXPECT_EQ(UserFiles(ops), before) << label;
    }
}

// Two runs at once into one folder write in stage folders of their own: the one that ends first
// takes away only its own.
// By default only where a batch makes many copies into a folder of many names: elsewhere a listing
// costs less than the stage folder.
TEST(NoLossProperty, ABatchStagesItsCopiesWhereItMakesManyIntoAFolderOfManyNames)
{
    MemoryFileOps ops;
    ops.AddFolder("C:\\cam");
    ops.AddFolder("C:\\runs");
    ops.AddFolder("D:\\lib");
    ops.AddFolder("D:\\lib\\big");
    for (int i = 0; i < 300; ++i)
        ops.AddFile("D:\\lib\\big\\old" + std::to_string(i) + ".jpg", "old", 1);
    for (int i = 0; i < 30; ++i)
        ops.AddFile("C:\\cam\\p" + std::to_string(i) + ".jpg", "photo " + std::to_string(i), 100);
    const auto target = [](int i) {
        return std::string(i < 15 ? "D:\\lib\\big\\" : "D:\\lib\\new\\") + "p" + std::to_string(i) + ".jpg";
    };
    OpsFileSystem real(ops);
    RunJournal journal(ops);
    ASSERT_TRUE(Succeeded(journal.Open(kRuns, "run", TestHeader(false), 50)));
    {
        JournalFileSystem fs(real, journal);
        // The plan asks for names in the large folder: it is listed.
        for (int i = 0; i < 15; ++i)
            EXPECT_FALSE(fs.Exists(target(i)));
        // Ten into the folder of 300 names, then five into it, then fifteen into a new folder.
        for (const auto& [from, to] : {std::pair<int, int> {0, 10}, {10, 15}, {15, 30}}) {
            std::vector<PlannedTransfer> steps;
            for (int i = from; i < to; ++i)
                steps.push_back({"C:\\cam\\p" + std::to_string(i) + ".jpg", target(i), false, std::nullopt});
            ASSERT_TRUE(fs.Announce(steps));
            fs.CopyAhead({});
            for (const PlannedTransfer& step : steps)
                EXPECT_EQ(fs.Transfer(step.source, step.target, false), TransferOutcome::Done) << step.target;
        }
    }
    journal.Close();
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
    int steps = 0;
    for (const JournalStep& step : data.steps) {
        if (step.isFolder)
            continue;
        const int i = std::stoi(FileNameOf(step.target).substr(1));
        std::string folder;
        ASSERT_TRUE(FolderOf(step.target, folder));
        EXPECT_EQ(step.partial,
                  folder + (i < 10 ? "~qmrun.qmpart\\" : "") + "~" + FileNameOf(step.target) + ".qmpart");
        std::string bytes;
        EXPECT_TRUE(ops.Contents(step.target, bytes) && bytes == "photo " + std::to_string(i)) << step.target;
        ++steps;
    }
    EXPECT_EQ(steps, 30);
    EXPECT_FALSE(AnyStageFolder(ops));
}

TEST(NoLossProperty, TwoRunsAtOnceWriteInStageFoldersOfTheirOwn)
{
    const Case c = BatchOfFive();
    MemoryFileOps ops;
    Lay(ops, c);
    OpsFileSystem real(ops);
    RunJournal first(ops), second(ops);
    ASSERT_TRUE(first.Open(kRuns, "run", JournalHeader {}, 50));
    ASSERT_TRUE(second.Open(kRuns, "other", JournalHeader {}, 50));
    {
        JournalFileSystem one(real, first), two(real, second);
        one.StageCopies(0, 1);
        two.StageCopies(0, 1);
        ASSERT_TRUE(one.Announce(CopySteps(c, 2)));
        one.CopyAhead({});
        std::vector<PlannedTransfer> rest;
        for (std::size_t i = 2; i < c.sources.size(); ++i)
            rest.push_back({c.sources[i], c.targets[i], false, std::nullopt});
        ASSERT_TRUE(two.Announce(rest));
        two.CopyAhead({});
        EXPECT_EQ(ops.Folders().count("D:\\OUT\\2012\\~QMRUN.QMPART"), 1u);
        EXPECT_EQ(ops.Folders().count("D:\\OUT\\2012\\~QMOTHER.QMPART"), 1u);
        for (std::size_t i = 0; i < 2; ++i)
            EXPECT_EQ(one.Transfer(c.sources[i], c.targets[i], false), TransferOutcome::Done) << i;
        EXPECT_EQ(ops.Folders().count("D:\\OUT\\2012\\~QMRUN.QMPART"), 0u);
        for (std::size_t i = 2; i < c.sources.size(); ++i) {
            std::string bytes;
            EXPECT_TRUE(ops.Contents(
                    "D:\\out\\2012\\~qmother.qmpart\\~" + FileNameOf(c.targets[i]) + ".qmpart", bytes));
            EXPECT_EQ(two.Transfer(c.sources[i], c.targets[i], false), TransferOutcome::Done) << i;
        }
    }
    first.Close();
    second.Close();
    EXPECT_FALSE(AnyStageFolder(ops));
    for (std::size_t i = 0; i < c.sources.size(); ++i) {
        std::string bytes;
        EXPECT_TRUE(ops.Contents(c.targets[i], bytes) && bytes == c.files.at(c.sources[i])) << i;
    }
}

TEST(NoLossProperty, AFolderIsLookedForOnceARunAndMadeAgainWhenRemovedMeanwhile)
{
    MemoryFileOps ops;
    ops.AddFolder("C:\\cam");
    ops.AddFolder("C:\\runs");
    ops.AddFile("C:\\cam\\a.jpg", "photo a", 10);
    const auto before = ops.Files();
    AskedFileSystem asked(ops);
    RunJournal journal(ops);
    JournalHeader header;
    header.started = "2026-12-09 10:00:00";
    header.move = true;
    ASSERT_TRUE(Succeeded(journal.Open(kRuns, "run", header, 50)));
    {
        JournalFileSystem fs(asked, journal);
        ASSERT_TRUE(fs.EnsureFolder("C:\\out\\2012\\"));
        const int first = asked.asked;
        ASSERT_TRUE(fs.EnsureFolder("C:\\out\\2012\\"));
        EXPECT_EQ(asked.asked, first);
        // Another program removes it: the step makes it again, recorded as made by the run.
        ASSERT_TRUE(ops.RemoveFolder("C:\\out\\2012"));
        EXPECT_EQ(fs.Transfer("C:\\cam\\a.jpg", "C:\\out\\2012\\a.jpg", true), TransferOutcome::Done);
    }
    journal.Close();
    std::string bytes;
    EXPECT_TRUE(ops.Contents("C:\\out\\2012\\a.jpg", bytes) && bytes == "photo a");
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
    EXPECT_EQ(CountSteps(data).folders, 3);
    EXPECT_EQ(CountSteps(data).moved, 1);
    ExpectUndoneToBefore(ops, before);
}

// A move on one drive is a rename and records no unfinished copy; across drives the copy is a step
// of its own whose unfinished name is recorded before it is written, and the rename it follows
// counts as no failure.
TEST(NoLossProperty, OnlyAMoveAcrossDrivesRecordsAnUnfinishedCopy)
{
    MemoryFileOps ops;
    ops.AddFolder("C:\\cam");
    ops.AddFolder("C:\\runs");
    ops.AddFile("C:\\cam\\a.jpg", "photo a", 10);
    ops.AddFile("C:\\cam\\b.jpg", "photo b", 11);
    ops.AddFolder("D:\\card");
    const auto before = ops.Files();
    Case c;
    c.sources = {"C:\\cam\\a.jpg", "C:\\cam\\b.jpg"};
    c.targets = {"C:\\out\\a.jpg", "D:\\out\\b.jpg"};
    c.move = true;
    c.batch = 2;
    RunSteps(ops, c, "run");
    std::string bytes;
    EXPECT_TRUE(ops.Contents("D:\\out\\b.jpg", bytes) && bytes == "photo b");
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
    std::vector<std::string> partials;
    for (const JournalStep& step : data.steps) {
        if (!step.isFolder && step.outcome == StepOutcome::Done)
            partials.push_back(step.partial);
    }
    EXPECT_EQ(partials, (std::vector<std::string> {"", "D:\\out\\~b.jpg.qmpart"}));
    const JournalCounts counts = CountSteps(data);
    EXPECT_EQ(counts.moved, 2);
    EXPECT_EQ(counts.failed, 0);
    ExpectUndoneToBefore(ops, before);
}

}  // namespace

namespace {

// A backup whose copy reads back different fails alone: recorded failed, nothing of it left, the
// library copy (and the journal's undo of it) as without a backup.
TEST(NoLossProperty, ABackupWhoseCopyReadsBackDifferentFailsAloneAndUndoRemovesTheLibraryCopy)
{
    Case c;
    c.files = {{"C:\\card\\clip.mov", std::string(300, 'n')}};
    c.sources = {"C:\\card\\clip.mov"};
    c.targets = {"C:\\out\\clip.mov"};
    c.move = true;
    c.verify = true;
    c.backup = "D:\\backup\\";
    // The move on one drive is a rename: the backup's copy is the only one read back.
    c.garbled = 1;
    MemoryFileOps ops;
    Lay(ops, c);
    const auto before = ops.Files();
    RunSteps(ops, c, "run");
    std::string bytes;
    EXPECT_TRUE(ops.Contents("C:\\out\\clip.mov", bytes) && bytes == std::string(300, 'n'));
    for (const auto& [path, content] : ops.Files())
        EXPECT_EQ(path.rfind("D:\\", 0), std::string::npos) << path << " is left of the failed backup";
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(ops, OnlyJournal(ops), data)));
    const auto step = std::find_if(data.steps.begin(), data.steps.end(),
                                   [](const JournalStep& s) { return s.target == "D:\\backup\\clip.mov"; });
    ASSERT_NE(step, data.steps.end());
    EXPECT_EQ(step->source, "C:\\out\\clip.mov");
    EXPECT_FALSE(step->move);
    EXPECT_EQ(step->outcome, StepOutcome::Failed);
    EXPECT_NE(step->failure.find(FileError::kCopyDiffersText), std::string::npos) << step->failure;
    UndoCollector sink;
    UndoTally tally;
    EXPECT_TRUE(Succeeded(UndoRun(ops, OnlyJournal(ops), false, "now", sink, tally)));
    std::map<std::string, std::string> now = UserFiles(ops);
    EXPECT_EQ(now, before);

    // Read back as written, the backup is made, with the library's bytes, and undo removes both.
    c.garbled = 0;
    MemoryFileOps good;
    Lay(good, c);
    RunSteps(good, c, "run");
    EXPECT_TRUE(good.Contents("D:\\backup\\clip.mov", bytes) && bytes == std::string(300, 'n'));
    EXPECT_TRUE(Succeeded(UndoRun(good, OnlyJournal(good), false, "now", sink, tally)));
    now = UserFiles(good);
    EXPECT_EQ(now, before);
    const auto folders = good.Folders();
    EXPECT_TRUE(std::none_of(folders.begin(), folders.end(),
                             [](const std::string& f) { return f.find("BACKUP") != std::string::npos; }));
}

}  // namespace
