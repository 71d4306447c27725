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
    if (HasNoTakeoutSidecarMark(result.text))
        ++noTakeoutSidecar;
    if (result.text == kLoneTakeoutSidecarText)
        ++loneTakeoutSidecars;
    if (HasBackupFailedMark(result.text))
        ++backupsFailed;
}

std::string BackupCountsText(int failed)
{
    if (failed == 0)
        return {};
    return ", " + std::to_string(failed) + (failed == 1 ? " backup failed" : " backups failed");
}

std::string TakeoutCountsText(int noSidecar, int loneSidecars)
{
    std::string text;
    if (noSidecar > 0)
        text += ", " + std::to_string(noSidecar) + (noSidecar == 1 ? " file" : " files") +
                " without a Takeout sidecar";
    if (loneSidecars > 0)
        text += ", " + std::to_string(loneSidecars) +
                (loneSidecars == 1 ? " Takeout sidecar" : " Takeout sidecars") + " of no file";
    return text;
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
    if (counts.byFileTime > 0)
        line += " (" + std::to_string(counts.byFileTime) + " by file date)";
    line += TakeoutCountsText(counts.noTakeoutSidecar, counts.loneTakeoutSidecars);
    line += BackupCountsText(counts.backupsFailed);
    line += cancelled;
    if (kind == RunKind::Preview)
        line += " (preview: nothing was changed)";
    return line;
}

std::string PreviewResultText(const RowResult& result, bool move)
{
    switch (result.outcome) {
    case RowOutcome::Done: {
        const std::string verb = move ? "Will move" : "Will copy";
        if (result.text.rfind("OK", 0) == 0)
            return verb + result.text.substr(2);
        return verb + " (" + result.text + ")";
    }
    case RowOutcome::Skipped: {
        // "Target file exists; skipped" says twice that the file is skipped.
        std::string reason = result.text;
        const std::string tail = "; skipped";
        if (reason.size() > tail.size() &&
            reason.compare(reason.size() - tail.size(), tail.size(), tail) == 0)
            reason.resize(reason.size() - tail.size());
        return "Will skip (" + reason + ")";
    }
    case RowOutcome::Failed: break;
    }
    return "Will fail (" + result.text + ")";
}
