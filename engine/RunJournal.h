// How a run journal is written: a file per run in the journal folder, every intent flushed to the
// disk before the step it announces, the oldest journals (with the files they kept) removed when
// a new run starts. Runs are ordered by a number each journal carries, counted up from the journals
// already there, so that "the last run" never depends on the computer's clock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Status.h"
#include "engine/CopyCheck.h"
#include "engine/FileOps.h"
#include "engine/JournalFormat.h"
#include "engine/RunFileSystem.h"

// Set to a folder, this environment variable takes the place of the journal folder (tests, and
// users who want the journals elsewhere).
inline constexpr const char* kRunsFolderVariable = "QUILLMERE_RUNS";
// The registry value (under the Options key) with the number of journals kept.
inline constexpr const char* kKeepRunsValue = "KeepRuns";
inline constexpr std::uint32_t kDefaultKeepRuns = 50;
inline constexpr const char* kJournalExtension = ".qmj";

// Far above any journal a run of a million files writes; keeps a stray huge file from being read.
inline constexpr std::uint64_t kMaxJournalSize = 1024ull * 1024 * 1024;

// The journals in the folder in the order their runs were written, oldest first: version 1
// journals (no order number) by name, then the others by their number.
std::vector<std::string> KeptJournals(FileOps& ops, const std::string& folder);

// The folder beside a journal where the files its run replaced are kept.
std::string KeptFolderOf(const std::string& journal);

// The name of the folder a run writes its small copies in before they take their names, inside
// each target's folder: "~qm" + the journal's name without its extension + ".qmpart", plainly
// unfinished and the run's own.
std::string StageFolderName(const std::string& journal);
// Whether a folder (with or without its last backslash) is named as a stage folder.
bool IsStageFolder(const std::string& folder);

// Reads and parses a journal file; a failure's reason names the file.
Status LoadJournal(FileOps& ops, const std::string& path, JournalData& data);

// The files a journal's kept folder holds.
std::vector<std::string> KeptFilesOf(FileOps& ops, const std::string& journal);

class RunJournal {
public:
    explicit RunJournal(FileOps& ops) : ops_(ops) { }
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Removes the oldest journals so that keep remain with this one, then creates this one as
    // folder + name + ".qmj" with its header and the next order number. A failure's reason is the
    // sentence the user reads, naming the folder; the last error stays set.
    Status Open(const std::string& folder, const std::string& name, JournalHeader header, std::uint32_t keep);
    // Writes one record and flushes it with every record before it. A failure names the journal;
    // the last error stays set.
    Status Write(const std::string& line);
    // Writes an outcome record, flushed with the next record or at Close. A power loss before
    // then leaves the step without an outcome, which undo judges by the files themselves; a
    // killed process loses nothing (the system has the bytes).
    Status WriteOutcome(const std::string& line);
    // Writes records and flushes them together, as Write.
    Status WriteAll(const std::vector<std::string>& lines);
    // Flushes and closes the file; a journal of a run that changed nothing is removed.
    void Close();

    const std::string& Path() const { return path_; }
    std::uint64_t NextSeq() { return ++seq_; }
    FileOps& Ops() { return ops_; }

private:
    Status Put(const std::string& line, bool flush);
    // The failure of a write to the journal, from the last error.
    Status WriteFailure() const;

    FileOps& ops_;
    std::unique_ptr<AppendStream> file_;
    std::string path_;
    std::uint64_t seq_ = 0;
    bool anyRecord_ = false;
    bool keptFolderMade_ = false;
    friend class JournalFileSystem;
};

// The run's file system with every change recorded in the journal first: the folders about to be
// created, each move or copy before it starts and its outcome after. Before a target is replaced,
// a second name for it (or, on another drive, a complete copy) is made in the journal's kept
// folder and recorded; then the new file takes the target's name in one step, so that the name
// always holds the old file or the new one, whole.
// Steps told ahead are recorded together with their folders, in one flush for a whole batch: a
// disk flush costs milliseconds, and a step's record must reach the disk before the step does.
// A step told ahead and then not taken gets a not-done record; one whose record is lost with
// the power is judged by undo from the files, as any step without an outcome.
// Where a batch makes many small copies ahead into a folder of many names, they are written in a
// folder of this run's own inside it (StageFolderName), made with their batch and removed before
// the outcome of its last step is recorded: a new name in a folder of thousands costs a look
// through all of them on some file systems, which the rename into place then needs only once.
// Elsewhere, and where that folder cannot be made, unfinished copies wait beside their targets.
class JournalFileSystem : public RunFileSystem {
public:
    JournalFileSystem(RunFileSystem& inner, RunJournal& journal) : inner_(inner), journal_(journal) { }
    ~JournalFileSystem() override;
    JournalFileSystem(const JournalFileSystem&) = delete;
    JournalFileSystem& operator=(const JournalFileSystem&) = delete;

    // Answered from the names this run knows of the path's folder where it knows them.
    bool Exists(const std::string& path) override;
    Status EnsureFolder(const std::string& folder) override;
    TransferResult Transfer(const std::string& source, const std::string& target, bool move) override;
    TransferResult Replace(const std::string& source, const std::string& target, bool move) override;
    bool SameFile(const std::string& a, const std::string& b) override { return inner_.SameFile(a, b); }
    bool SameContent(const std::string& a, const std::string& b) override { return inner_.SameContent(a, b); }
    // The journal makes the copies itself, through its own file functions.
    void CheckCopies(CopyCheck* check) override { check_ = check; }
    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        return inner_.Identity(path, identity);
    }
    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        return inner_.FolderIdentities(folder, files);
    }
    bool Announce(const std::vector<PlannedTransfer>& steps) override;
    // The copies of small files among the steps told last, written to their recorded unfinished
    // names and flushed together: their records reached the disk with the batch's one flush.
    void CopyAhead(const std::function<bool()>& stop) override;
    void Withdraw(const std::string& target) override;
    // Every step told ahead and not taken is recorded as not done (also at the end of the run).
    void WithdrawAll();
    // Copies made ahead wait in a stage folder where a batch makes at least batchCopies of them
    // into a folder of at least folderNames names known to the run; in a smaller folder, or for
    // fewer copies, making and removing that folder costs more than it spares.
    void StageCopies(std::size_t folderNames, std::size_t batchCopies)
    {
        stageNames_ = folderNames;
        stageCopies_ = batchCopies;
    }

private:
    // Writes the outcome of step; keeps the step's own last error. A failed step that is not
    // started is one the run takes again in another way (it changed nothing and is no failure).
    // placed: the target's stamp when the step knows it; else it is read.
    TransferResult Finish(const JournalStep& step, TransferResult result, bool started = true,
                          const std::optional<FileStamp>& placed = std::nullopt);
    // Makes the kept file of a replacing step and records it as complete.
    bool Keep(JournalStep& step);

    // The recorded step told ahead for source to target, taken out of the waiting ones.
    bool TakeAnnounced(const std::string& source, const std::string& target, bool move, JournalStep& step);
    // The records of a new step from source to target, with a free unfinished-copy name when the
    // step may copy (a move on one drive is a rename and writes none).
    // sourceStamp: the source's when already known; else it is read.
    // staged: a small copy is written in its folder's stage folder.
    JournalStep NewStep(const std::string& source, const std::string& target, bool move, bool copying,
                        const std::optional<FileStamp>& sourceStamp = std::nullopt, bool staged = false);
    // An unfinished-copy name that no name this run knows of holds, in the stage folder of
    // target's folder when staged (where that folder may be made), else beside target; where the
    // folder's names are not known, one the file system finds free.
    void ChoosePartial(const std::string& target, std::string& partial, bool staged);
    // The stage folder of a step's unfinished copy; empty when the copy is beside its target.
    std::string StageOf(const JournalStep& step) const;
    // Makes the stage folder of a staged step (recorded first); false when it cannot be made,
    // after which its folder's copies go beside their targets.
    bool EnsureStage(const JournalStep& step);
    // A staged step whose stage folder cannot be made changed nothing: it is recorded as not
    // started and again with its unfinished copy beside its target. False when that record is
    // not written.
    bool Unstage(JournalStep& step);
    // A step is about to get its outcome: the stage folder whose last step it is goes first, so
    // that a stage folder is there only while a step recorded in it has no outcome.
    void StepEnding(const JournalStep& step);
    // Forgets what this run knew of folder and the folders inside it.
    void ForgetFolder(const std::string& folder);
    // While another program holds the step's unfinished name, the step is recorded as not started
    // and again under another name, before a byte is written; then taken.
    TransferResult AvoidTakenPartial(JournalStep& step, TransferResult result);
    // A copy made ahead for a step, and how it ended.
    struct ReadyCopy {
        bool done = false;
        std::uint32_t error = FileError::kNone;  // why not done
        ContentHash hash;  // of the bytes copied, when copies are checked
        std::optional<FileStamp> made;  // the copy's stamp, when its file system told it
        std::shared_ptr<HeldCopy> held;  // the copy still open, where its file system holds it
    };
    // Makes copies together and keeps how each ended for its step (by target key, in keys).
    void CopyTogether(std::vector<BatchCopy>& copies, std::vector<std::string>& keys,
                      const std::function<bool()>& stop);
    // One try of a new (not replacing) step; placed gets the target's stamp where the step knows
    // it without asking.
    TransferResult Attempt(const JournalStep& step, std::optional<FileStamp>& placed);
    // Ends a step whose copy was made ahead: its real name for a complete one, its own failure
    // for one that failed.
    TransferResult PlaceReady(const JournalStep& step, const ReadyCopy& copy,
                              std::optional<FileStamp>& placed);
    // The folders of folder, from the outermost, that are neither known to this run nor there.
    std::vector<std::string> MissingFolders(const std::string& folder);
    // Forgets a folder (and those above it) that a step found gone and makes it again, recorded;
    // false when it was not known to this run or cannot be made.
    bool FolderAgain(const std::string& target);

    // The names of a folder as this run knows them, so that a plan asks the file system nothing
    // per file: a folder the run made holds what the run put there, one that was there is listed
    // once. Another program may add a name meanwhile: such knowledge only ever says where a step
    // may try, and the step's own create or rename, which refuses a taken name, decides.
    struct FolderNames {
        bool there = false;  // false: no such folder, so none of its names is taken
        std::set<std::string> keys;  // its names (FileOps::NameKey), when there
    };
    // The names of folder; null where they are not known (yet): each is then asked by name.
    FolderNames* NamesOf(const std::string& folder);
    // The first unfinished-copy name for target that names (null: none known taken) does not hold;
    // false when there is none, or when none fits.
    bool FreeAmong(const FolderNames* names, const std::string& target, std::string& partial);
    // The run (or a refusal) put something at path, or took it away.
    void NameTaken(const std::string& path);
    void NameFreed(const std::string& path);
    // The key of a folder or name as the file system compares it.
    std::string Key(const std::string& path) const;

    RunFileSystem& inner_;
    RunJournal& journal_;
    std::map<std::string, JournalStep> announced_;  // by target key
    std::vector<std::string> lastAnnounced_;  // target keys of the steps told last, in their order
    std::map<std::string, ReadyCopy> ready_;  // by target key: steps whose copy was made ahead
    std::set<std::string> announcedFolders_;  // keys of folders recorded ahead, not yet made
    CopyCheck* check_ = nullptr;
    // Keys of the folders this run made or found: each is looked for once, not once a file.
    std::set<std::string> knownFolders_;
    // By target key, the source of a step told ahead whose target another step took first.
    std::map<std::string, std::string> displaced_;
    std::map<std::string, FolderNames> folderNames_;  // by folder key
    std::set<std::string> unlisted_;  // keys of folders that could not be listed
    std::map<std::string, int> asked_;  // by folder key: names asked of a folder not listed yet
    std::set<std::uint64_t> stamped_;  // steps whose source stamp was known or read
    // By stage folder key: the recorded steps in it without an outcome yet.
    struct Stage {
        int open = 0;
        bool made = false;  // by this run, and not removed since
    };
    std::map<std::string, Stage> stages_;
    std::size_t stageNames_ = 256;
    std::size_t stageCopies_ = 8;
    // By target folder key: why its stage folder cannot be made.
    std::map<std::string, std::uint32_t> unstaged_;
};

// Removes the unfinished copies that runs and undos ended by force left behind: each journal not
// in use whose last record announced a copy under an unfinished name that is still there, and the
// stage folder it was in.
void SweepUnfinishedCopies(FileOps& ops, const std::vector<std::string>& journals);
