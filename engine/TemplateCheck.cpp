#include "engine/TemplateCheck.h"

#include "engine/NameTemplate.h"
#include "engine/SafePath.h"

namespace {

// A date and name to expand with: the tags give digits, month names and the file's own name, none
// of which turns a good name bad or a bad one good, so one sample speaks for every file.
constexpr int kYear = 2014, kMonth = 9, kDay = 28, kHour = 23, kMinute = 30, kSecond = 15;
constexpr const char* kStem = "name";

std::string Problem(const char* what, const std::string& text, const std::string& name)
{
    const NameFault fault = CheckNameComponent(name);
    if (fault == NameFault::None || fault == NameFault::Empty)
        return {};
    return "The " + std::string(what) + " template \"" + ShowableName(text) + "\" gives names such as \"" +
           ShowableName(name) + "\" (" + NameFaultReason(fault) + ").\nPlease change the template.";
}

}  // namespace

std::string TemplateNameProblem(const OrganizeOptions& options)
{
    std::string problem;
    if (options.CreateMonthFolder && !options.MonthFolderFormat.empty())
        problem = Problem("month folder", options.MonthFolderFormat,
                          ExpandMonthTemplate(options.MonthFolderFormat, kYear, kMonth));
    if (problem.empty() && options.CreateDayFolder && !options.DayFolderFormat.empty())
        problem = Problem("day folder", options.DayFolderFormat,
                          ExpandDayTemplate(options.DayFolderFormat, kYear, kMonth, kDay));
    // Checked as the name of a file without an extension: with one, "NUL.2014.jpg" still names
    // the device, and a trailing dot would be dropped from the names of such files.
    if (problem.empty() && options.RenameTargetFileName && !options.TargetFilenameFormat.empty())
        problem = Problem("file name", options.TargetFilenameFormat,
                          ExpandFileNameTemplate(options.TargetFilenameFormat, kYear, kMonth, kDay, kHour,
                                                 kMinute, kSecond, kStem));
    return problem;
}
