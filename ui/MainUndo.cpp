// The main window's Undo Last Run: the most recent run's journal is read, the user confirms with
// its counts, and the list shows each file of the run with the outcome of putting it back.
#include <unordered_map>

#include "engine/PathUtils.h"
#include "engine/RunJournal.h"
#include "engine/RunUndo.h"
#include "engine/RunsFolder.h"
#include "toolkit/MessagePump.h"
#include "ui/MainDialog.h"
#include "ui/PastRunsDialog.h"

namespace {

constexpr const char* kNothingToUndoText = "There is nothing left to undo: the last run was undone already.";

// Each file's outcome, the progress window between files, Cancel between files.
class RowUndo : public UndoSink {
public:
    struct Outcome {
        std::string result;
        bool left = false;
    };

    explicit RowUndo(RunProgress& progress) : progress_(progress) { }

    void FileUndone(const std::string& target, const std::string&, const std::string& result,
                    bool left) override
    {
        outcomes_[PathKey(target)] = {result, left};
        progress_.SetText("Undoing " + target + "...");
        progress_.Step();
        PumpMessages();
    }
    bool Cancelled() override { return progress_.Cancelled(); }

    // The outcome of the file the run put at target, or null when undo did not reach it.
    const Outcome* Find(const std::string& target) const
    {
        const auto found = outcomes_.find(PathKey(target));
        return found == outcomes_.end() ? nullptr : &found->second;
    }

private:
    RunProgress& progress_;
    std::unordered_map<std::string, Outcome> outcomes_;
};

std::string ConfirmationText(const JournalData& data)
{
    const JournalCounts counts = CountSteps(data);
    std::string text = "Undo the run of " + data.header.started + "?\n\n";
    if (counts.moved > 0)
        text += std::to_string(counts.moved) + " moved files go back where they were.\n";
    if (counts.copied > 0)
        text += std::to_string(counts.copied) + " copies are deleted.\n";
    if (counts.replaced > 0)
        text += std::to_string(counts.replaced) + " replaced files are restored.\n";
    if (counts.unfinished > 0)
        text += std::to_string(counts.unfinished) + " files the run did not finish are checked.\n";
    text += "Folders the run created are removed when empty. Files changed since the run are left where "
            "they are.";
    return text;
}

void ListWhereFilesAreNow(FileList& files, FileRows& rows, const JournalData& data, const RowUndo& sink)
{
    // The run's files, in the run's order, where they are now: a file put back at its source,
    // ready for the next run; one undo left (or did not reach) where the run put it.
    files.RemoveAll();
    FileList::Batch batch(files);
    for (const JournalStep& step : data.steps) {
        if (step.isFolder || step.undone)
            continue;
        const RowUndo::Outcome* outcome = sink.Find(step.target);
        const bool atSource = outcome ? !outcome->left : !FileExists(step.target);
        if (!files.AddPath(atSource ? step.source : step.target) || !outcome)
            continue;
        rows.SetResult(static_cast<int>(files.Count()) - 1,
                       {outcome->left ? RowOutcome::Failed : RowOutcome::Done, outcome->result});
    }
}

}  // namespace

void MainDialog::OnUndoLastRun()
{
    const std::string journal = LatestJournal(SystemFileOps(), RunsFolder());
    if (journal.empty()) {
        ShowMessage("There is no run to undo.", MessageKind::Information);
        return;
    }
    JournalData data;
    const Status loaded = LoadForUndo(SystemFileOps(), journal, data);
    if (!loaded) {
        // Undone already is no fault: there is just nothing left to take back.
        if (loaded.Kind() == FailureKind::DoneAlready)
            ShowMessage(kNothingToUndoText, MessageKind::Information);
        else
            ShowMessage("The last run cannot be undone: " + loaded.Reason() + ".", MessageKind::Warning);
        return;
    }
    UndoLoadedRun(journal, data);
}

void MainDialog::OnPastRuns()
{
    PastRunsDialog dialog(RunsFolder());
    if (dialog.DoModal(hwnd_) != IDOK)
        return;
    JournalData data;
    // The run may have changed since the dialog read it (another window undid it).
    if (const Status loaded = LoadForUndo(SystemFileOps(), dialog.Chosen(), data); !loaded) {
        ShowMessage("The run cannot be undone: " + loaded.Reason() + ".", MessageKind::Warning);
        return;
    }
    UndoLoadedRun(dialog.Chosen(), data);
}

void MainDialog::UndoLoadedRun(const std::string& journal, const JournalData& data)
{
    if (MessageBoxA(hwnd_, ConfirmationText(data).c_str(), "Quillmere", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    // A step the run recorded and never took (its target was taken meanwhile and the file went
    // by another step) moved no file: undo passes it by without a word.
    int steps = 0;
    for (const JournalStep& step : data.steps)
        steps += !step.isFolder && !step.undone && step.outcome != StepOutcome::Failed ? 1 : 0;
    EnableInput(false);
    RunProgress& progress = ShowProgress();
    progress.SetRange(0, steps);
    progress.SetPosition(0);
    progress.SetStep(1);
    PumpMessages();
    RowUndo sink(progress);
    UndoTally tally;
    const Status written = UndoRun(SystemFileOps(), journal, false, LocalTimeText(), sink, tally);
    progress.Close();
    EnableInput(true);
    ListWhereFilesAreNow(files_, rows_, data, sink);
    RunCounts counts;
    counts.listed = steps;
    counts.ok = tally.undone;
    counts.failed = tally.left;
    counts.cancelled = tally.cancelled;
    ShowRunSummary(RunKind::Undo, counts);
    if (!written)
        ShowMessage("The run was not undone completely: " + written.Reason() + ".", MessageKind::Warning);
    else if (!tally.keptFiles.empty())
        ShowMessage("Not everything was put back: " + KeptFilesText(tally.keptFiles) + ". The list says why.",
                    MessageKind::Warning);
    else if (tally.left > 0)
        ShowMessage(std::to_string(tally.left) + " files were left where they are; the list says why.",
                    MessageKind::Information);
}
