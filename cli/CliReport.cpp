#include "cli/CliReport.h"

#include "engine/RunSummary.h"

std::string RowLine(const std::string& source, const std::string& target, const std::string& result)
{
    return source + '\t' + target + '\t' + result + '\n';
}

void RunTally::Add(RowOutcome outcome)
{
    switch (outcome) {
    case RowOutcome::Done: ++ok_; break;
    case RowOutcome::Skipped: ++skipped_; break;
    case RowOutcome::Failed: ++failed_; break;
    }
}

void RunTally::Add(const RowResult& result)
{
    Add(result.outcome);
    if (result.outcome == RowOutcome::Skipped && result.text.rfind(kDuplicateLead, 0) == 0)
        ++duplicates_;
    if (HasNoTakeoutSidecarMark(result.text))
        ++noTakeoutSidecar_;
    if (result.text == kLoneTakeoutSidecarText)
        ++loneTakeoutSidecars_;
    if (HasBackupFailedMark(result.text))
        ++backupsFailed_;
}

std::string RunTally::Summary(int listed, bool dryRun) const
{
    std::string text = std::to_string(Files()) + " files, " + std::to_string(ok_) + " OK, " +
                       std::to_string(skipped_) + " skipped, " + std::to_string(failed_) + " failed";
    if (duplicates_ > 0)
        text += " (" + std::to_string(duplicates_) + (duplicates_ == 1 ? " file was" : " files were") +
                " listed twice under another name)";
    text += TakeoutCountsText(noTakeoutSidecar_, loneTakeoutSidecars_);
    text += BackupCountsText(backupsFailed_);
    if (listed > Files())
        text += ", " + std::to_string(listed - Files()) + " not processed (cancelled)";
    if (dryRun)
        text += " (dry run: nothing was changed)";
    return text;
}

int RunTally::ExitStatus(int listed) const
{
    return failed_ == 0 && Files() == listed ? kExitOk : kExitFailed;
}
