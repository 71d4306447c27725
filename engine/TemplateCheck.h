// The checks of the user's name templates before a run, and as they are typed: a template in use
// may not hold a character that no folder or file name can hold, nor give a name that Windows
// would refuse or change (a device name such as NUL, a trailing dot or space), which would fail
// every row or hang on a device that always exists.
#pragma once

#include <string>

#include "engine/OrganizeOptions.h"

enum class TemplateField { None, MonthFolder, DayFolder, FileName };

struct TemplateFault {
    TemplateField field = TemplateField::None;
    char character = 0;
};

// The characters a template may not hold, as the run's refusal lists them.
inline constexpr char kBadTemplateChars[] = "\\/:*?\"<>|";

// The first template whose switch is on (month, day, file name) that holds a bad character,
// with the first such character; field None when there is none.
TemplateFault FindTemplateFault(const OrganizeOptions& options);

// Which template and which character: "Day folder template: \"?\" is not allowed".
std::string TemplateFaultText(const TemplateFault& fault);

// The message for the first template, among those whose switch is on, that yields a name Windows
// refuses or changes; empty when there is none. Bad characters are FindTemplateFault's.
std::string TemplateNameProblem(const OrganizeOptions& options);
