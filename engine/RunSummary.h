// How a run went, counted from its rows' result texts, and the one line under the file list
// that says so after every run.
#pragma once

#include <string>

#include "engine/RunInterfaces.h"

// What the run did to the files it reached.
enum class RunKind { Move, Copy, Preview, Undo };

struct RunCounts {
    int listed = 0;  // rows the run was given
    int ok = 0;
    int skipped = 0;
    int failed = 0;
    int duplicates = 0;  // of those skipped, files listed again under another name
    int byFileTime = 0;  // of those OK, files without a capture date, placed by a file time
    int noTakeoutSidecar = 0;  // files no Takeout sidecar belongs to
    int loneTakeoutSidecars = 0;  // Takeout sidecars that belong to no file
    int backupsFailed = 0;  // of those OK, files whose backup copy was not made
    bool cancelled = false;

    void Add(RowOutcome outcome);
    void Add(const RowResult& result);
    int Reached() const { return ok + skipped + failed; }
};

// "208 files: 64 copied, 144 failed, 0 skipped", with ", cancelled after 80" when the user
// stopped the run after 80 files, and " (preview: nothing was changed)" after a preview. After an
// undo: "12 files: 10 put back, 2 left where they are", failed steps being files undo left alone.
// Files placed by a file time for want of a capture date are counted: " (2 by file date)".
std::string RunSummaryLine(RunKind kind, const RunCounts& counts);

// A preview row's Result as what the run would do: "Will copy" (or "Will move") for "OK", with
// what followed "OK" kept ("Will copy (date from file name)"), "Will skip (reason)" and
// "Will fail (reason)".
std::string PreviewResultText(const RowResult& result, bool move);
// ", 3 files without a Takeout sidecar, 1 Takeout sidecar of no file", each part only when
// its count is not 0.
std::string TakeoutCountsText(int noSidecar, int loneSidecars);
// ", 2 backups failed", only when the count is not 0.
std::string BackupCountsText(int failed);
