#include <gtest/gtest.h>

#include <string>

#include "engine/OrganizeOptions.h"
#include "engine/TemplateCheck.h"

namespace {

OrganizeOptions WithTemplates(const std::string& month, const std::string& day, const std::string& file)
{
    OrganizeOptions options;
    options.CreateMonthFolder = 1;
    options.MonthFolderFormat = month;
    options.CreateDayFolder = 1;
    options.DayFolderFormat = day;
    options.RenameTargetFileName = 1;
    options.TargetFilenameFormat = file;
    return options;
}

TEST(TemplateCheck, NamesWindowsRefusesOrChangesAreRefusedWithTheirTemplate)
{
    const struct {
        const char* month;
        const char* day;
        const char* file;
        const char* problem;  // empty when the templates are good
    } cases[] = {
            {"%Y_%M", "%Y_%M_%D", "%Y%M%D_%H%J%I", ""},
            {"%L %Y", "%D. %A", "%N (copy)", ""},
            {"CONSOLE", "COM10", "NUL_%Y", ""},
            {"%Y_%M", "%Y_%M_%D", "NUL.%Y",
             "The file name template \"NUL.%Y\" gives names such as \"NUL.2014\" (a name Windows reserves "
             "for a device).\nPlease change the template."},
            {"%Y_%M", "%Y_%M_%D.", "%N",
             "The day folder template \"%Y_%M_%D.\" gives names such as \"2014_09_28.\" (a name may not end "
             "in a dot or a space).\nPlease change the template."},
            {"%Y_%M ", "%Y_%M_%D", "%N",
             "The month folder template \"%Y_%M \" gives names such as \"2014_09 \" (a name may not end in a "
             "dot or a space).\nPlease change the template."},
            {"con", "%Y", "%N",
             "The month folder template \"con\" gives names such as \"con\" (a name Windows "
             "reserves for a device).\nPlease change the template."},
            {"%Y", "LPT1.%M", "%N",
             "The day folder template \"LPT1.%M\" gives names such as \"LPT1.09\" (a name "
             "Windows reserves for a device).\nPlease change the template."},
            {"%Y", "%M", "AUX .%Y",
             "The file name template \"AUX .%Y\" gives names such as \"AUX .2014\" (a name "
             "Windows reserves for a device).\nPlease change the template."},
            {"%Y", "%M", "%N.",
             "The file name template \"%N.\" gives names such as \"name.\" (a name may not "
             "end in a dot or a space).\nPlease change the template."},
            {"..", "%M", "%N",
             "The month folder template \"..\" gives names such as \"..\" (a name may not be "
             ". or ..).\nPlease change the template."},
            {"...", "%M", "%N",
             "The month folder template \"...\" gives names such as \"...\" (a name may not end in a "
             "dot or a space).\nPlease change the template."},
            {"%Y", "....", "%N",
             "The day folder template \"....\" gives names such as \"....\" (a name may not end in a "
             "dot or a space).\nPlease change the template."},
            {"%Y", "%M", "...",
             "The file name template \"...\" gives names such as \"...\" (a name may not end in a "
             "dot or a space).\nPlease change the template."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TemplateNameProblem(WithTemplates(c.month, c.day, c.file)), c.problem)
                << c.month << " | " << c.day << " | " << c.file;
}

TEST(TemplateCheck, OnlyTemplatesWhoseSwitchIsOnAreChecked)
{
    OrganizeOptions options = WithTemplates("NUL", "CON.", "PRN");
    options.CreateMonthFolder = 0;
    options.CreateDayFolder = 0;
    options.RenameTargetFileName = 0;
    EXPECT_EQ(TemplateNameProblem(options), "");
    options.CreateDayFolder = 1;
    EXPECT_NE(TemplateNameProblem(options).find("The day folder template \"CON.\""), std::string::npos);
    // An empty template adds no level and renames nothing.
    options = WithTemplates("", "", "");
    EXPECT_EQ(TemplateNameProblem(options), "");
}

}  // namespace
