#include "cli/CliReport.h"

#include <cstdio>

#include "engine/PathText.h"

ResultClass ClassifyResult(const std::string& result)
{
    if (result == "OK")
        return ResultClass::Ok;
    if (result == "Target file exists; skipped" || result == "Same folder and name")
        return ResultClass::Skipped;
    return ResultClass::Failed;
}

std::string RowLine(const std::string& source, const std::string& target, const std::string& result)
{
    return source + '\t' + target + '\t' + result + '\n';
}

void RunTally::Add(const std::string& result)
{
    switch (ClassifyResult(result)) {
    case ResultClass::Ok: ++ok_; break;
    case ResultClass::Skipped: ++skipped_; break;
    case ResultClass::Failed: ++failed_; break;
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

std::string DateText(int year, int month, int day, int hour, int minute, int second)
{
    char text[96];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return text;
}
