#include "engine/PrepareRun.h"

#include <utility>

#include "base/PathText.h"
#include "engine/TemplateCheck.h"

namespace {

RunField FieldOf(TemplateField field)
{
    switch (field) {
    case TemplateField::MonthFolder: return RunField::MonthFolder;
    case TemplateField::DayFolder: return RunField::DayFolder;
    case TemplateField::FileName: return RunField::FileName;
    case TemplateField::None: break;
    }
    return RunField::None;
}

}  // namespace

PreparedRun PrepareRun(OrganizeOptions options)
{
    PreparedRun prepared;
    if (options.OutputFolderType == kOutputToCustomFolder) {
        if (options.CustomTargetFolder.empty())
            prepared.refusal = RunRefusal {"Please choose an output folder.", RunField::OutputFolder};
        options.CustomTargetFolder = WithBackslash(std::move(options.CustomTargetFolder));
    }
    if (!prepared.refusal) {
        const TemplateFault fault = FindTemplateFault(options);
        if (fault.field != TemplateField::None) {
            prepared.refusal = RunRefusal {
                    "Folder and file name cannot contain any of the following characters:\n\\/:*?\"<>|\n\n" +
                            TemplateFaultText(fault) + ".",
                    FieldOf(fault.field)};
        } else if (std::string problem = TemplateNameProblem(options); !problem.empty()) {
            prepared.refusal = RunRefusal {std::move(problem), RunField::None};
        }
    }
    if (!prepared.refusal) {
        std::string error;
        int dayBegins = 0;
        if (!ParseClockRules(options.ClockRules, prepared.clockRules, error))
            prepared.refusal = RunRefusal {std::move(error), RunField::None};
        else if (!ParseDayBegins(options.DayBegins, dayBegins))
            prepared.refusal = RunRefusal {"Not a time of day for \"Day begins at\": \"" + options.DayBegins +
                                                   "\" (write HH:MM, 00:00 to 23:59)",
                                           RunField::None};
    }
    prepared.options = std::move(options);
    return prepared;
}
