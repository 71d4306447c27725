// Where run journals live and how one is written: a file per run in the user's local
// application-data folder, every record flushed to the disk before the step it announces, the
// oldest journals (with the files they kept) removed when a new run starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/JournalFormat.h"
#include "engine/RunFileSystem.h"

// Set to a folder, this environment variable takes the place of the journal folder (tests, and
// users who want the journals elsewhere).
inline constexpr const char* kRunsFolderVariable = "QUILLMERE_RUNS";
// The registry value (under the Options key) with the number of journals kept.
inline constexpr const char* kKeepRunsValue = "KeepRuns";
inline constexpr std::uint32_t kDefaultKeepRuns = 50;
inline constexpr const char* kJournalExtension = ".qmj";

// "%LOCALAPPDATA%\Quillmere\Runs\" (or the variable's folder), with its trailing backslash; ""
// when the shell gives no folder.
std::string RunsFolder();

// The journals in the folder, oldest first (their names are their start times).
std::vector<std::string> KeptJournals(const std::string& folder);

// The folder beside a journal where the files its run replaced are kept.
std::string KeptFolderOf(const std::string& journal);

// The stored number of journals to keep, at least 1.
std::uint32_t StoredKeepRuns();

// The file's size and last-write time; false when it cannot be read.
bool ReadStamp(const std::string& path, FileStamp& stamp);

// Reads and parses a journal file.
bool LoadJournal(const std::string& path, JournalData& data, std::string& error);

// Appends one record and flushes it to the disk; false (with the last error) when it could not.
bool AppendRecord(const std::string& path, const std::string& line);

class RunJournal {
public:
    RunJournal() = default;
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Removes the oldest journals so that keep remain with this one, then creates this one with
    // its header. False (with the last error) when it cannot be written.
    bool Open(const std::string& folder, const JournalHeader& header, std::uint32_t keep);
    // Writes one record and flushes it with every record before it; false with the last error
    // when it could not.
    bool Write(const std::string& line);
    // Writes an outcome record, flushed with the next record or at Close. A power loss before
    // then leaves the step without an outcome, which undo judges by the files themselves; a
    // killed process loses nothing (the system has the bytes). Halves the flushes of a run.
    bool WriteOutcome(const std::string& line);
    // Flushes and closes the file; a journal of a run that changed nothing is removed.
    void Close();

    const std::string& Path() const { return path_; }
    std::uint64_t NextSeq() { return ++seq_; }

private:
    bool Put(const std::string& line, bool flush);

    void* file_ = nullptr;
    std::string path_;
    std::uint64_t seq_ = 0;
    bool anyRecord_ = false;
};

// The run's file system with every change recorded in the journal first: the folders about to be
// created, each move or copy before it starts and its outcome after. A replaced target is first
// renamed into the journal's kept folder (on the same drive, no copy), or copied there when it is
// on another drive, so that undo can put it back.
class JournalFileSystem : public RunFileSystem {
public:
    JournalFileSystem(RunFileSystem& inner, RunJournal& journal) : inner_(inner), journal_(journal) { }

    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    bool EnsureFolder(const std::string& folder) override;
    TransferOutcome Transfer(const std::string& source, const std::string& target, bool move) override;
    TransferOutcome Replace(const std::string& source, const std::string& target, bool move) override;
    bool SameFile(const std::string& a, const std::string& b) override { return inner_.SameFile(a, b); }
    bool SameContent(const std::string& a, const std::string& b) override { return inner_.SameContent(a, b); }

private:
    // Writes the outcome of step; keeps the step's own last error.
    TransferOutcome Finish(JournalStep& step, TransferOutcome outcome);

    RunFileSystem& inner_;
    RunJournal& journal_;
};
