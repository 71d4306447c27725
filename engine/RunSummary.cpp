#include "engine/RunSummary.h"

void RunCounts::Add(RowOutcome outcome)
{
    switch (outcome) {
    case RowOutcome::Done: ++ok; break;
    case RowOutcome::Skipped: ++skipped; break;
    case RowOutcome::Failed: ++failed; break;
    }
}

void RunCounts::Add(const RowResult& result)
{
    Add(result.outcome);
    if (result.outcome == RowOutcome::Skipped && result.text.rfind(kDuplicateLead, 0) == 0)
        ++duplicates;
}

std::string RunSummaryLine(RunKind kind, const RunCounts& counts)
{
    const std::string files = std::to_string(counts.listed) + (counts.listed == 1 ? " file: " : " files: ");
    const std::string cancelled =
            counts.cancelled ? ", cancelled after " + std::to_string(counts.Reached()) : std::string();
    if (kind == RunKind::Undo)
        return files + std::to_string(counts.ok) + " put back, " + std::to_string(counts.failed) +
               " left where they are" + cancelled;
    const char* done = "OK";
    switch (kind) {
    case RunKind::Move: done = "moved"; break;
    case RunKind::Copy: done = "copied"; break;
    case RunKind::Preview:
    case RunKind::Undo: break;
    }
    std::string line = files + std::to_string(counts.ok) + " " + done + ", " + std::to_string(counts.failed) +
                       " failed, " + std::to_string(counts.skipped) + " skipped";
    if (counts.duplicates > 0)
        line += " (" + std::to_string(counts.duplicates) +
                (counts.duplicates == 1 ? " file was" : " files were") + " listed twice under another name)";
    line += cancelled;
    if (kind == RunKind::Preview)
        line += " (preview: nothing was changed)";
    return line;
}
