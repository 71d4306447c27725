#include "cli/CliReport.h"

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

std::string RunTally::Summary(int listed, bool dryRun) const
{
    std::string text = std::to_string(Files()) + " files, " + std::to_string(ok_) + " OK, " +
                       std::to_string(skipped_) + " skipped, " + std::to_string(failed_) + " failed";
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
