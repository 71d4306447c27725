// The run journal's text: one record per line, written before and after every step of a run so
// that a run ended at any moment can be undone exactly. Reading it knows nothing of the file
// system, so it is checked natively and fuzzed.
//
// Each line is fields separated by tabs, ending with the CRC-32 (8 lower-case hex digits) of
// everything before that last tab, and a line feed. In fields, '%' and every byte below 0x20 are
// written as %XX. Records:
//   QMJ  version  started  mode  move|copy  policy  out-folder  name-template  order
//                                                   first line; order: the run's place among
//                                                   all runs, counted up from run to run
//   F    folder                                     the run is about to create this folder
//   T    seq  move|copy  new|replace  size  time  source  target  kept  partial
//                                                   about to move or copy source onto target;
//                                                   kept: where a replaced target is kept;
//                                                   partial: the unfinished copy's name, if any
//   K    seq  size  time                            the kept file of step seq is complete
//   D    seq  size  time                            step seq is done; the target's size and time
//   E    seq  reason                                step seq failed; nothing changed
//   P    seq  partial                               undo is about to copy step seq's file back
//                                                   under this unfinished name
//   U    seq                                        undo put step seq back
//   R    size                                       a cut-off last line of size bytes was removed
//   Z    finished                                   the whole run was undone
// Times are the file's last-write time in 100-nanosecond units since 1601 (UTC). Version 1 journals
// (no order, no partial, no K, P or R records) are still read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FileOps.h"

inline constexpr int kJournalVersion = 2;

struct JournalHeader {
    int version = kJournalVersion;
    std::string started;  // local time, "YYYY-MM-DD HH:MM:SS"
    std::uint32_t mode = 0;
    bool move = false;
    std::uint32_t policy = 0;
    std::string outFolder;  // empty: beside each source
    std::string nameTemplate;  // empty: names kept
    std::uint64_t order = 0;  // 0 in version 1 journals, which come before every numbered one
};

enum class StepOutcome { Unknown, Done, Failed };

struct JournalStep {
    bool isFolder = false;
    std::string folder;  // isFolder only
    // Transfers only:
    std::uint64_t seq = 0;
    bool move = false;
    bool replace = false;
    FileStamp sourceStamp;
    std::string source;
    std::string target;
    std::string kept;
    std::string partial;  // the run's unfinished copy beside the target; empty for a rename
    bool keptComplete = false;  // a K record says the kept file is whole
    FileStamp keptStamp;  // keptComplete only
    std::string undoPartial;  // a P record: undo's unfinished copy back beside the source
    StepOutcome outcome = StepOutcome::Unknown;
    FileStamp targetStamp;  // Done only
    std::string failure;  // Failed only
    // The place of its outcome among the journal's outcomes (0: none), which is the order the
    // run finished its steps in: a step told ahead may finish after steps recorded later.
    std::uint64_t finished = 0;
    bool undone = false;
};

struct JournalData {
    JournalHeader header;
    std::vector<JournalStep> steps;  // in the order the run took them
    bool undone = false;
    std::string undoneAt;
    bool tornTail = false;  // the last line was cut short (the run ended while writing it)
    std::size_t intactSize = 0;  // bytes up to the end of the last whole line
};

// The lines, each with its CRC and line feed.
std::string HeaderLine(const JournalHeader& header);
std::string FolderLine(const std::string& folder);
std::string TransferLine(const JournalStep& step);
std::string KeptLine(std::uint64_t seq, const FileStamp& kept);
std::string DoneLine(std::uint64_t seq, const FileStamp& target);
// The failure of a step recorded ahead that the run did not take after all: no step, so it is
// counted as nothing.
inline constexpr const char* kNotStartedText = "not started";
std::string FailedLine(std::uint64_t seq, const std::string& reason);
std::string UndoPartialLine(std::uint64_t seq, const std::string& partial);
std::string UndoneStepLine(std::uint64_t seq);
std::string RepairLine(std::uint64_t cutBytes);
std::string UndoneLine(const std::string& finished);

// Reads a whole journal. A damaged last line is taken as a write the run did not finish and is
// left out (tornTail); any other damage refuses the journal with a one-line reason in error.
bool ParseJournal(std::string_view text, JournalData& data, std::string& error);

// The unfinished copies that a journal's last records announce and no outcome follows: the partial
// name of a transfer record, or the path of an undo's copy-back. header is the journal's first line,
// tail its last whole lines (a part of the journal that starts at a line).
std::vector<std::string> AnnouncedPartials(std::string_view header, std::string_view tail);

// CRC-32 (the zip and PNG polynomial).
std::uint32_t Crc32(std::string_view bytes);

// What a journal's run did, for a confirmation before undo and for the list of runs.
struct JournalCounts {
    int moved = 0;
    int copied = 0;
    int replaced = 0;  // of those moved or copied, how many replaced an existing file
    // Recorded but never recorded as done or failed: the run ended in them, or before them (the steps
    // it had recorded ahead).
    int unfinished = 0;
    int failed = 0;
    int folders = 0;
};
JournalCounts CountSteps(const JournalData& data);
