// Undoing a run from its journal: the steps are walked backwards, a moved file goes back, a copy
// is deleted, a replaced file is put back and the folders the run created are removed when empty.
// Nothing is ever overwritten or lost: a target that changed since the run, is gone, or whose
// source path is taken again is left where it is and reported. Files go back across drives as the
// run moved them, complete under a temporary name before they take their real one, and an undo
// ended at any moment is finished by starting it again.
#pragma once

#include <string>
#include <vector>

#include "base/Status.h"
#include "engine/FileOps.h"
#include "engine/JournalFormat.h"

// Receives each file's outcome as undo goes, and may stop it between files.
class UndoSink {
public:
    virtual ~UndoSink() = default;
    // left: the file could not be put back and stays where it is.
    virtual void FileUndone(const std::string& target, const std::string& source, const std::string& result,
                            bool left) = 0;
    virtual bool Cancelled() { return false; }
};

struct UndoTally {
    int undone = 0;  // files put back
    int left = 0;  // files that stay where they are
    int untouched = 0;  // steps the run had not done: nothing to put back
    bool cancelled = false;
    // Files the run replaced that are still in its kept folder: the run is not marked undone.
    std::vector<std::string> keptFiles;
};

// The journal of the run written last in folder; "" when there is none.
std::string LatestJournal(FileOps& ops, const std::string& folder);

// Reads a journal that may be undone; a failure with a one-line reason when it cannot be read, was
// undone already (DoneAlready), or its run (or another undo of it) is still going (InUse).
Status LoadForUndo(FileOps& ops, const std::string& journal, JournalData& data);

// Undoes the run of the journal; a dry run decides and reports the same, changing nothing. The
// journal is held for the whole walk, so that no run or other undo writes it meanwhile; a last line
// cut short is removed first (and that is recorded). Each file is marked as it is put back, and
// the run as a whole (with finishedAt, a local time) when the walk ends without a cancel and no
// replaced file stays kept. A failure when the journal cannot be read or written.
Status UndoRun(FileOps& ops, const std::string& journal, bool dryRun, const std::string& finishedAt,
               UndoSink& sink, UndoTally& tally);
