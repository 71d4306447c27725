// Undoing a run from its journal: the steps are walked backwards, a moved file goes back, a copy
// is deleted, a replaced file is put back and the folders the run created are removed when empty.
// Nothing is ever overwritten or lost: a target that changed since the run, is gone, or whose
// source path is taken again is left where it is and reported.
#pragma once

#include <string>

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
    int undone = 0;
    int left = 0;
    bool cancelled = false;
};

// The most recent journal in the journal folder; "" when there is none.
std::string LatestJournal();

// Reads a journal that may be undone; false with a one-line reason when it cannot be read or was
// undone already.
bool LoadForUndo(const std::string& journal, JournalData& data, std::string& error);

// Undoes the run of the loaded journal; a dry run decides and reports the same, changing nothing.
// The journal is marked step by step, and as a whole when the walk ends without a cancel, so that
// nothing is undone twice. False with error when the journal cannot be written to.
bool UndoRun(const std::string& journal, const JournalData& data, bool dryRun, UndoSink& sink,
             UndoTally& tally, std::string& error);
