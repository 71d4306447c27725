#include "engine/RunSummary.h"

void RunCounts::Add(RowOutcome outcome)
{
    switch (outcome) {
    case RowOutcome::Done: ++ok; break;
    case RowOutcome::Skipped: ++skipped; break;
    case RowOutcome::Failed: ++failed; break;
    }
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
    line += cancelled;
    if (kind == RunKind::Preview)
        line += " (preview: nothing was changed)";
    return line;
}
