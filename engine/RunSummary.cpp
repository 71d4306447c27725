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
    const char* done = "OK";
    switch (kind) {
    case RunKind::Move: done = "moved"; break;
    case RunKind::Copy: done = "copied"; break;
    case RunKind::Preview: done = "OK"; break;
    }
    std::string line = std::to_string(counts.listed) + (counts.listed == 1 ? " file: " : " files: ") +
                       std::to_string(counts.ok) + " " + done + ", " + std::to_string(counts.failed) +
                       " failed, " + std::to_string(counts.skipped) + " skipped";
    if (counts.cancelled)
        line += ", cancelled after " + std::to_string(counts.Reached());
    if (kind == RunKind::Preview)
        line += " (preview: nothing was changed)";
    return line;
}
