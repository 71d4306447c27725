// What a run did with one row, made once when the row ends. The log's record, the report's line
// and the row's texts are all made from it, so that they cannot disagree: a new part of a row is
// added here and to the formatters that show it.
#pragma once

#include <string>

#include "base/DateTime.h"

// How a row's file ended: done, skipped on purpose (nothing to do, nothing lost), or failed.
enum class RowOutcome { Done, Skipped, Failed };

// A row's Result: its outcome and the run's own text for it ("OK", "OK (...)", or why the file
// was skipped or failed).
struct RowResult {
    RowOutcome outcome;
    std::string text;
};

struct RunRecord {
    std::string source;
    // Where the file went, would go or was found; empty when the row got no target.
    std::string target;
    bool move = false;  // the run moves its files; else it copies them
    bool preview = false;  // the run changed nothing: the row says what the run would do
    bool companion = false;  // a file placed (or left) with its photo, right after it
    RowResult result {RowOutcome::Failed, {}};
    // The date the folder and name were made from, and where it came from ("Date/Time Original",
    // "file modified", ...); no origin when the row's mode looked up no date.
    DateTime date;
    std::string dateOrigin;
    // The place the place tags were made from, with its distance; empty without place tags.
    std::string place;
    // The hash of the bytes the file was copied with (32 hex digits); empty when not copied.
    std::string copyHash;
    // With backups on, for a placed row: the backup copy's path, or "failed: REASON".
    std::string backup;
};
