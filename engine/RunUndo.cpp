#include "engine/RunUndo.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "engine/ArchiveRun.h"
#include "engine/FileTransfer.h"
#include "base/PathText.h"
#include "engine/RunJournal.h"

namespace {

enum class Count { Undone, Left, Untouched };

struct Outcome {
    std::string text;
    Count count = Count::Undone;
    bool settled = false;  // nothing remains to do: the step gets its undone mark
};

Status InUse(const std::string& journal)
{
    return Status::Failure(FailureKind::InUse,
                           "the run of \"" + journal +
                                   "\" is still going, or is being undone elsewhere; nothing was changed",
                           FileError::kSharingViolation);
}

Status UndoneAlready(const std::string& journal, const JournalData& data)
{
    return Status::Failure(FailureKind::DoneAlready,
                           "the run of \"" + journal + "\" was undone already (" + data.undoneAt + ")");
}

// what: "cannot read", "cannot write to", ...
Status JournalFailure(FileOps& ops, const std::string& what, const std::string& journal)
{
    const std::uint32_t code = ops.LastError();
    return Status::Failure(FailureKind::System, what + " \"" + journal + "\": " + FileErrorText(code), code);
}

class Undoer {
public:
    Undoer(FileOps& ops, AppendStream* journal, bool dryRun, int version)
        : ops_(ops), journal_(journal), dryRun_(dryRun), version_(version)
    { }

    Outcome Step(const JournalStep& step)
    {
        RemoveStrays(step);
        if (step.outcome == StepOutcome::Failed)
            return Untouched(step, "");
        FileState target, source;
        const bool targetThere = ops_.Stat(step.target, target) && !target.folder;
        const bool sourceThere = ops_.Stat(step.source, source) && !source.folder;
        FileStamp expected = step.targetStamp;
        if (step.outcome == StepOutcome::Unknown) {
            // The run ended during this step: the files tell how far it got.
            const bool done = targetThere && target.stamp == step.sourceStamp && !(step.move && sourceThere);
            if (!done && step.move && sourceThere && targetThere && target.stamp == step.sourceStamp &&
                SameBytes(ops_, step.source, step.target)) {
                // A move across drives ended between the rename of its copy and the deletion of its
                // source: the copy goes.
                if (!dryRun_) {
                    if (const Status deleted =
                                Retrying(ops_, [&] { return DeleteFileFully(ops_, step.target); });
                        !deleted)
                        return Left(step, "Failed to delete the copy" + ReasonOf(deleted) + "; left");
                }
                return WithKept(step, {"Copy deleted; the source was still there", Count::Undone, true});
            }
            if (!done) {
                if (step.move && !sourceThere)
                    return Left(step, "Unclear how far the run got; left");
                return Untouched(step, "Not done by the run");
            }
            expected = step.sourceStamp;
        }
        if (targetThere && target.stamp != expected) {
            // An undo ended after the replaced file was put back finishes here.
            if (RestoredAlready(step, target, source, sourceThere, expected))
                return {std::string(step.move ? "Moved back" : "Copy deleted") + "; replaced file restored",
                        Count::Undone, true};
            return Left(step, "Target changed since the run; left");
        }
        if (step.move)
            return MoveStep(step, targetThere, sourceThere, source, expected);
        if (!targetThere) {
            // The copy went before an earlier undo ended: the source is there as the run found it.
            if (sourceThere && source.stamp == step.sourceStamp)
                return WithKept(step, {"Copy deleted", Count::Undone, true});
            return WithKept(step, {"Target missing; left", Count::Left, true});
        }
        if (!sourceThere || !SameBytes(ops_, step.source, step.target))
            return Left(step, "Source missing or changed; copy kept");
        if (!dryRun_) {
            if (const Status deleted = Retrying(ops_, [&] { return DeleteFileFully(ops_, step.target); });
                !deleted)
                return Left(step, "Failed to delete the copy" + ReasonOf(deleted) + "; left");
        }
        return WithKept(step, {"Copy deleted", Count::Undone, true});
    }

    void RemoveFolder(const std::string& folder)
    {
        if (!dryRun_)
            static_cast<void>(ops_.RemoveFolder(folder));
    }

    bool JournalFailed() const { return journalFailed_; }

private:
    Outcome MoveStep(const JournalStep& step, bool targetThere, bool sourceThere, const FileState& source,
                     const FileStamp& expected)
    {
        if (!targetThere) {
            // The file went back before an earlier undo ended.
            if (sourceThere && source.stamp == expected)
                return WithKept(step, {"Moved back", Count::Undone, true});
            return WithKept(step, {"Target missing; left", Count::Left, true});
        }
        if (sourceThere) {
            // An undo that ended between the copy back and the deletion of the target.
            if (!step.undoPartial.empty() && source.stamp == expected &&
                SameBytes(ops_, step.source, step.target)) {
                if (!dryRun_) {
                    if (const Status deleted =
                                Retrying(ops_, [&] { return DeleteFileFully(ops_, step.target); });
                        !deleted)
                        return Left(step, "Moved back; the file at the target could not be deleted" +
                                                  ReasonOf(deleted) + "; left");
                }
                return WithKept(step, {"Moved back", Count::Undone, true});
            }
            return Left(step, "Source path taken; left");
        }
        const std::string failure = MoveBack(step);
        if (!failure.empty())
            return Left(step, failure);
        return WithKept(step, {"Moved back", Count::Undone, true});
    }

    // Moves the target back to the source, as the run moved it: a rename on one drive, a complete
    // copy under an unfinished name elsewhere. Empty on success, else the row's text.
    std::string MoveBack(const JournalStep& step)
    {
        if (dryRun_)
            return {};
        std::string folder;
        if (FolderOf(step.source, folder)) {
            if (const Status made = MakeFolders(ops_, folder); !made)
                return "Failed to move back" + ReasonOf(made) + "; left";
        }
        // Without replacing: a source path taken in the meantime is never overwritten.
        const Status renamed =
                Retrying(ops_, [&] { return ops_.Rename(step.target, step.source, false, false); });
        if (renamed)
            return {};
        if (renamed.Code() != FileError::kNotSameDevice)
            return "Failed to move back" + ReasonOf(renamed) + "; left";
        if (!CopyBack(step, step.target, step.source))
            return "Failed to move back" + Reason() + "; left";
        if (const Status deleted = Retrying(ops_, [&] { return DeleteFileFully(ops_, step.target); });
            !deleted)
            return "Moved back; the file at the target could not be deleted" + ReasonOf(deleted) + "; left";
        return {};
    }

    // Copies from to an unfinished name beside to, recorded first, and renames it into place.
    bool CopyBack(const JournalStep& step, const std::string& from, const std::string& to)
    {
        FileState state;
        std::string partial;
        if (!ops_.Stat(from, state) || !FreePartialName(ops_, to, partial))
            return false;
        if (version_ > 1 && !Record(UndoPartialLine(step.seq, partial)))
            return false;
        if (!ops_.CopyNew(from, partial, state.stamp.size))
            return false;
        if (!Retrying(ops_, [&] { return ops_.Rename(partial, to, false, true); })) {
            KeepFileError keep(ops_);
            static_cast<void>(DeleteFileFully(ops_, partial));
            return false;
        }
        return true;
    }

    // The replaced file is at the target again, the moved or copied one back at its source (or
    // gone): the kept spare is removed.
    bool RestoredAlready(const JournalStep& step, const FileState& target, const FileState& source,
                         bool sourceThere, const FileStamp& expected)
    {
        if (!step.replace || !step.keptComplete || target.stamp != step.keptStamp)
            return false;
        if (step.move && !(sourceThere && source.stamp == expected))
            return false;
        // Renamed back (the kept name is gone), or copied back with the kept file still there.
        if (!FileIsThere(ops_, step.kept))
            return true;
        if (!SameBytes(ops_, step.kept, step.target))
            return false;
        if (!dryRun_)
            static_cast<void>(DeleteFileFully(ops_, step.kept));
        return true;
    }

    bool KeptTrusted(const JournalStep& step)
    {
        FileStamp stamp;
        if (step.kept.empty() || !ReadStampOf(ops_, step.kept, stamp))
            return false;
        // A version 1 run renamed the target aside or copied it before any K record existed.
        return version_ == 1 || (step.keptComplete && stamp == step.keptStamp);
    }

    // Puts a replaced file back at the target, which must be free: a target is never deleted to
    // make room.
    Outcome WithKept(const JournalStep& step, Outcome outcome)
    {
        if (!step.replace || step.kept.empty() || !FileIsThere(ops_, step.kept))
            return outcome;
        const std::string lead = outcome.text.empty() ? std::string() : outcome.text + "; ";
        if (!KeptTrusted(step))
            return KeptLeft(step,
                            lead + "the kept copy of the replaced file is incomplete: \"" + step.kept + "\"");
        const bool targetFree =
                (dryRun_ && outcome.count == Count::Undone) || !AnythingThere(ops_, step.target);
        if (!targetFree)
            return KeptLeft(step, lead + "replaced file kept in \"" + step.kept + "\"");
        if (!dryRun_ && !RestoreKept(step))
            return KeptLeft(step, lead + "replaced file kept in \"" + step.kept + "\"" + Reason());
        return {lead + "replaced file restored", outcome.count, outcome.settled};
    }

    bool RestoreKept(const JournalStep& step)
    {
        if (Retrying(ops_, [&] { return ops_.Rename(step.kept, step.target, false, false); }))
            return true;
        if (ops_.LastError() != FileError::kNotSameDevice || !CopyBack(step, step.kept, step.target))
            return false;
        static_cast<void>(DeleteFileFully(ops_, step.kept));
        return true;
    }

    Outcome KeptLeft(const JournalStep& step, const std::string& text)
    {
        keptLeft_.push_back(step.kept);
        return {text, Count::Left, false};
    }

    // A step the run did not do (or failed): its unfinished copy is gone already; a kept spare of
    // a target that still holds the old file is removed.
    Outcome Untouched(const JournalStep& step, const std::string& text)
    {
        if (step.replace && !step.kept.empty() && FileIsThere(ops_, step.kept)) {
            // Without its K record the kept copy was cut short, and the replace it comes before never
            // happened: the target still holds the file.
            if (FileIsThere(ops_, step.target) &&
                (!KeptTrusted(step) || SameBytes(ops_, step.kept, step.target))) {
                if (!dryRun_)
                    static_cast<void>(DeleteFileFully(ops_, step.kept));
            } else if (!FileIsThere(ops_, step.target) && KeptTrusted(step)) {
                return WithKept(step, {text, Count::Undone, true});
            } else {
                return KeptLeft(step, (text.empty() ? std::string() : text + "; ") +
                                              "replaced file kept in \"" + step.kept + "\"");
            }
        }
        // A failed step has nothing to report and is looked at again by the next undo.
        return {text, Count::Untouched, !text.empty()};
    }

    Outcome Left(const JournalStep& step, const std::string& text)
    {
        Outcome outcome {text, Count::Left, false};
        if (step.replace && !step.kept.empty() && FileIsThere(ops_, step.kept)) {
            keptLeft_.push_back(step.kept);
            outcome.text += "; replaced file kept in \"" + step.kept + "\"";
        }
        return outcome;
    }

    void RemoveStrays(const JournalStep& step)
    {
        if (dryRun_)
            return;
        if (step.outcome == StepOutcome::Unknown && !step.partial.empty() && FileIsThere(ops_, step.partial))
            static_cast<void>(DeleteFileFully(ops_, step.partial));
        if (!step.undoPartial.empty() && FileIsThere(ops_, step.undoPartial))
            static_cast<void>(DeleteFileFully(ops_, step.undoPartial));
    }

    bool Record(const std::string& line)
    {
        if (journal_ == nullptr)
            return true;
        if (journal_->Append(line) && journal_->Flush())
            return true;
        journalFailed_ = true;
        return false;
    }

    std::string Reason() { return ReasonOf(FileFailure(ops_.LastError())); }

    // " (reason)" for a failure, nothing for one without a number.
    static std::string ReasonOf(const Status& failure)
    {
        return failure.Code() != 0 ? " (" + failure.Reason() + ")" : std::string();
    }

    FileOps& ops_;
    AppendStream* journal_;
    bool dryRun_;
    int version_;
    bool journalFailed_ = false;

public:
    std::vector<std::string> keptLeft_;
};

}  // namespace

std::string LatestJournal(FileOps& ops, const std::string& folder)
{
    const std::vector<std::string> journals = KeptJournals(ops, folder);
    return journals.empty() ? std::string() : journals.back();
}

Status LoadForUndo(FileOps& ops, const std::string& journal, JournalData& data)
{
    Status loaded = LoadJournal(ops, journal, data);
    if (!loaded)
        return loaded;
    if (data.undone)
        return UndoneAlready(journal, data);
    if (!ops.OpenAppend(journal, false) && ops.LastError() == FileError::kSharingViolation)
        return InUse(journal);
    return {};
}

namespace {

// The steps in the order undo takes them: the files back in the reverse of the order the run
// finished its steps (one without an outcome, which the run ended in or never began, first),
// then the folders the run made, the innermost first. A step told ahead can finish after steps
// recorded later, so the order of the records alone is not the order of the work.
std::vector<const JournalStep*> UndoOrder(const JournalData& data)
{
    std::vector<const JournalStep*> order;
    for (auto it = data.steps.rbegin(); it != data.steps.rend(); ++it) {
        if (!it->isFolder)
            order.push_back(&*it);
    }
    const auto late = [](const JournalStep* step) {
        return step->finished == 0 ? std::numeric_limits<std::uint64_t>::max() : step->finished;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const JournalStep* a, const JournalStep* b) { return late(a) > late(b); });
    for (auto it = data.steps.rbegin(); it != data.steps.rend(); ++it) {
        if (it->isFolder)
            order.push_back(&*it);
    }
    return order;
}

}  // namespace

Status UndoRun(FileOps& ops, const std::string& journal, bool dryRun, const std::string& finishedAt,
               UndoSink& sink, UndoTally& tally)
{
    const std::unique_ptr<AppendStream> file = ops.OpenAppend(journal, false);
    if (!file) {
        if (ops.LastError() == FileError::kSharingViolation)
            return InUse(journal);
        return JournalFailure(ops, "cannot open", journal);
    }
    std::string text;
    JournalData data;
    if (!file->ReadAll(text, kMaxJournalSize))
        return JournalFailure(ops, "cannot read", journal);
    std::string error;
    if (!ParseJournal(text, data, error))
        return Status::Failure(FailureKind::Damaged, "\"" + journal + "\": " + error);
    if (data.undone)
        return UndoneAlready(journal, data);
    if (data.tornTail && !dryRun) {
        // Records go after the last whole line, never behind a cut one.
        const bool repaired =
                file->Truncate(data.intactSize) &&
                (data.header.version == 1 || file->Append(RepairLine(text.size() - data.intactSize))) &&
                file->Flush();
        if (!repaired)
            return JournalFailure(ops, "cannot repair", journal);
    }
    // A copy taken out of a zip archive is compared with the archive's file through a staged copy
    // in the run's output folder, removed again when the undo ends.
    ArchiveStage stage(ops, data.header.outFolder.empty()
                                    ? std::string()
                                    : WithBackslash(data.header.outFolder) + kArchiveStageName);
    // The staged members a killed run left there go with it.
    if (!dryRun)
        stage.SweepLeftovers();
    ArchiveFileOps archiveOps(ops, stage);
    Undoer undoer(archiveOps, dryRun ? nullptr : file.get(), dryRun, data.header.version);
    for (const JournalStep* it : UndoOrder(data)) {
        if (it->isFolder) {
            undoer.RemoveFolder(it->folder);
            continue;
        }
        if (it->undone)
            continue;
        if (sink.Cancelled()) {
            tally.cancelled = true;
            break;
        }
        const Outcome outcome = undoer.Step(*it);
        if (undoer.JournalFailed() ||
            (!dryRun && outcome.settled && !(file->Append(UndoneStepLine(it->seq)) && file->Flush()))) {
            const Status failed = JournalFailure(ops, "cannot write to", journal);
            sink.FileUndone(it->target, it->source, outcome.text, true);
            return failed;
        }
        if (outcome.text.empty())
            continue;
        ++(outcome.count == Count::Undone ? tally.undone
           : outcome.count == Count::Left ? tally.left
                                          : tally.untouched);
        sink.FileUndone(it->target, it->source, outcome.text, outcome.count == Count::Left);
    }
    tally.keptFiles = dryRun ? undoer.keptLeft_ : KeptFilesOf(ops, journal);
    if (dryRun || tally.cancelled || !tally.keptFiles.empty())
        return {};
    static_cast<void>(ops.RemoveFolder(KeptFolderOf(journal)));
    if (!file->Append(UndoneLine(finishedAt)) || !file->Flush())
        return JournalFailure(ops, "cannot write to", journal);
    return {};
}
