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

char FirstBadChar(const std::string& text)
{
    const auto at = text.find_first_of(kBadTemplateChars);
    return at == std::string::npos ? '\0' : text[at];
}

const char* FieldName(TemplateField field)
{
    switch (field) {
    case TemplateField::MonthFolder: return "Month folder template";
    case TemplateField::DayFolder: return "Day folder template";
    case TemplateField::FileName: return "File name template";
    case TemplateField::None: break;
    }
    return "";
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

TemplateFault FindTemplateFault(const OrganizeOptions& options)
{
    const struct {
        std::uint32_t on;
        const std::string& text;
        TemplateField field;
    } templates[] = {
            {options.CreateMonthFolder, options.MonthFolderFormat, TemplateField::MonthFolder},
            {options.CreateDayFolder, options.DayFolderFormat, TemplateField::DayFolder},
            {options.RenameTargetFileName, options.TargetFilenameFormat, TemplateField::FileName},
    };
    for (const auto& entry : templates) {
        if (!entry.on)
            continue;
        if (const char bad = FirstBadChar(entry.text))
            return {entry.field, bad};
    }
    return {};
}

std::string TemplateFaultText(const TemplateFault& fault)
{
    if (fault.field == TemplateField::None)
        return {};
    return std::string(FieldName(fault.field)) + ": \"" + fault.character + "\" is not allowed";
}
