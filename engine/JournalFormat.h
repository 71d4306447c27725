// The run journal's text: one record per line, written before and after every step of a run so
// that a run ended at any moment can be undone exactly. Reading it knows nothing of the file
// system, so it is checked natively and fuzzed.
//
// Each line is fields separated by tabs, ending with the CRC-32 (8 lower-case hex digits) of
// everything before that last tab, and a line feed. In fields, '%' and every byte below 0x20 are
// written as %XX. Records:
//   QMJ  version  started  mode  move|copy  policy  out-folder  name-template     first line
//   F    folder                                     the run is about to create this folder
//   T    seq  move|copy  new|replace  size  time  source  target  kept
//                                                   about to move or copy source onto target;
//                                                   kept: where a replaced target is put aside
//   D    seq  size  time                            step seq is done; the target's size and time
//   E    seq  reason                                step seq failed; nothing changed
//   U    seq                                        undo put step seq back
//   Z    finished                                   the whole run was undone
// Times are the file's last-write time in 100-nanosecond units since 1601 (UTC).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kJournalVersion = 1;

struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    bool operator==(const FileStamp&) const = default;
};

struct JournalHeader {
    int version = kJournalVersion;
    std::string started;  // local time, "YYYY-MM-DD HH:MM:SS"
    std::uint32_t mode = 0;
    bool move = false;
    std::uint32_t policy = 0;
    std::string outFolder;  // empty: beside each source
    std::string nameTemplate;  // empty: names kept
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
    StepOutcome outcome = StepOutcome::Unknown;
    FileStamp targetStamp;  // Done only
    std::string failure;  // Failed only
    bool undone = false;
};

struct JournalData {
    JournalHeader header;
    std::vector<JournalStep> steps;  // in the order the run took them
    bool undone = false;
    std::string undoneAt;
    bool tornTail = false;  // the last line was cut short (the run ended while writing it)
};

// The lines, each with its CRC and line feed.
std::string HeaderLine(const JournalHeader& header);
std::string FolderLine(const std::string& folder);
std::string TransferLine(const JournalStep& step);
std::string DoneLine(std::uint64_t seq, const FileStamp& target);
std::string FailedLine(std::uint64_t seq, const std::string& reason);
std::string UndoneStepLine(std::uint64_t seq);
std::string UndoneLine(const std::string& finished);

// Reads a whole journal. A damaged last line is taken as a write the run did not finish and is
// left out (tornTail); any other damage refuses the journal with a one-line reason in error.
bool ParseJournal(std::string_view text, JournalData& data, std::string& error);

// CRC-32 (the zip and PNG polynomial).
std::uint32_t Crc32(std::string_view bytes);

// What a journal's run did, for a confirmation before undo and for the list of runs.
struct JournalCounts {
    int moved = 0;
    int copied = 0;
    int replaced = 0;  // of those moved or copied, how many replaced an existing file
    int unfinished = 0;  // started but not recorded as done or failed: the run ended there
    int failed = 0;
    int folders = 0;
};
JournalCounts CountSteps(const JournalData& data);
