// The main window's Undo Last Run: the most recent run's journal is read, the user confirms with
// its counts, and the list shows each file of the run with the outcome of putting it back.
#include "engine/RunUndo.h"
#include "engine/RunsFolder.h"
#include "toolkit/MessagePump.h"
#include "ui/MainDialog.h"

namespace {

// Each file's outcome in its row, the progress window between files, Cancel between files.
class RowUndo : public UndoSink {
public:
    RowUndo(RunRows& rows, RunProgress& progress) : rows_(rows), progress_(progress) { }

    void FileUndone(const std::string& target, const std::string& source, const std::string& result,
                    bool left) override
    {
        for (int row = 0; row < rows_.Count(); ++row) {
            if (lstrcmpiA(rows_.Source(row).c_str(), target.c_str()) != 0)
                continue;
            rows_.SetTarget(row, source);
            rows_.SetResult(row, {left ? RowOutcome::Failed : RowOutcome::Done, result});
            rows_.EnsureVisible(row);
            break;
        }
        progress_.SetText("Undoing " + target + "...");
        progress_.Step();
        PumpMessages();
    }
    bool Cancelled() override { return progress_.Cancelled(); }

private:
    RunRows& rows_;
    RunProgress& progress_;
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

}  // namespace

void MainDialog::OnUndoLastRun()
{
    const std::string journal = LatestJournal(SystemFileOps(), RunsFolder());
    if (journal.empty()) {
        ShowMessage("There is no run to undo.", MessageKind::Information);
        return;
    }
    JournalData data;
    std::string error;
    if (!LoadForUndo(SystemFileOps(), journal, data, error)) {
        ShowMessage("The last run cannot be undone: " + error + ".", MessageKind::Warning);
        return;
    }
    if (MessageBoxA(hwnd_, ConfirmationText(data).c_str(), "Quillmere", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    // The list shows the run's files where they are now.
    files_.RemoveAll();
    int steps = 0;
    for (auto it = data.steps.rbegin(); it != data.steps.rend(); ++it) {
        if (!it->isFolder && !it->undone) {
            files_.AddPath(it->target);
            ++steps;
        }
    }
    EnableInput(false);
    RunProgress& progress = ShowProgress();
    progress.SetRange(0, steps);
    progress.SetPosition(0);
    progress.SetStep(1);
    PumpMessages();
    RowUndo sink(rows_, progress);
    UndoTally tally;
    const bool written = UndoRun(SystemFileOps(), journal, false, LocalTimeText(), sink, tally, error);
    progress.Close();
    EnableInput(true);
    RunCounts counts;
    counts.listed = steps;
    counts.ok = tally.undone;
    counts.failed = tally.left;
    counts.cancelled = tally.cancelled;
    ShowRunSummary(RunKind::Undo, counts);
    if (!written)
        ShowMessage("The run was not undone completely: " + error + ".", MessageKind::Warning);
    else if (!tally.keptFiles.empty())
        ShowMessage("Not everything was put back: " + KeptFilesText(tally.keptFiles) + ". The list says why.",
                    MessageKind::Warning);
    else if (tally.left > 0)
        ShowMessage(std::to_string(tally.left) + " files were left where they are; the list says why.",
                    MessageKind::Information);
}
