// What quillmere-cli prints: one line per organized file, the summary, the lookup lines, and the
// exit status that the results add up to.
#pragma once

#include <cstdint>
#include <string>

#include "engine/RunInterfaces.h"

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// "source<TAB>target<TAB>result\n"
std::string RowLine(const std::string& source, const std::string& target, const std::string& result);

class RunTally {
public:
    void Add(RowOutcome outcome);
    void Add(const RowResult& result);
    int Files() const { return ok_ + skipped_ + failed_; }
    int Ok() const { return ok_; }
    int Skipped() const { return skipped_; }
    int Failed() const { return failed_; }
    // "N files, N OK, N skipped, N failed", with ", N not processed (cancelled)" after a cancel.
    std::string Summary(int listed, bool dryRun) const;
    int ExitStatus(int listed) const;

private:
    int ok_ = 0;
    int skipped_ = 0;
    int failed_ = 0;
    int duplicates_ = 0;  // of those skipped, files listed again under another name
    int noTakeoutSidecar_ = 0;  // files no Takeout sidecar belongs to
    int loneTakeoutSidecars_ = 0;  // Takeout sidecars that belong to no file
    int backupsFailed_ = 0;  // files placed whose backup copy was not made
};
