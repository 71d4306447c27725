#include "engine/RunSummary.h"

ResultClass ClassifyResult(const std::string& result)
{
    if (result == "OK")
        return ResultClass::Ok;
    if (result == "Target file exists; skipped" || result == "Same folder and name")
        return ResultClass::Skipped;
    return ResultClass::Failed;
}

void RunCounts::Add(const std::string& result)
{
    switch (ClassifyResult(result)) {
    case ResultClass::Ok: ++ok; break;
    case ResultClass::Skipped: ++skipped; break;
    case ResultClass::Failed: ++failed; break;
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
