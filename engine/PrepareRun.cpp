#include "engine/PrepareRun.h"

#include <utility>

#include "base/PathText.h"
#include "engine/SafePath.h"
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

// The refusal of the backup folder as the output folder stands; none when backups are off.
std::optional<RunRefusal> BackupRefusal(const OrganizeOptions& options)
{
    if (!options.MakeBackup)
        return std::nullopt;
    const std::string& backup = options.BackupFolder;
    const std::string& output = options.CustomTargetFolder;
    if (backup.empty())
        return RunRefusal {"Please choose a backup folder.", RunField::BackupFolder};
    // A backup keeps the place its file has below the output folder: without one there is none.
    if (options.OutputFolderType != kOutputToCustomFolder)
        return RunRefusal {"A backup copy needs an output folder: choose one, or turn the backup off.",
                           RunField::BackupFolder};
    if (SameFolderPath(backup, output))
        return RunRefusal {"The backup folder \"" + backup +
                                   "\" is the output folder: choose another disk or folder.",
                           RunField::BackupFolder};
    if (IsInsideFolder(output, backup))
        return RunRefusal {"The backup folder \"" + backup + "\" lies inside the output folder \"" + output +
                                   "\".",
                           RunField::BackupFolder};
    if (IsInsideFolder(backup, output))
        return RunRefusal {"The backup folder \"" + backup + "\" holds the output folder \"" + output + "\".",
                           RunField::BackupFolder};
    return std::nullopt;
}

}  // namespace

std::optional<RunRefusal> BackupSourceRefusal(const OrganizeOptions& options,
                                              const std::vector<std::string>& sourceFiles)
{
    if (!options.MakeBackup)
        return std::nullopt;
    const std::string& backup = options.BackupFolder;
    for (const std::string& source : sourceFiles) {
        std::string folder;
        if (!FolderOf(source, folder))
            continue;
        const char* relation = SameFolderPath(backup, folder)   ? "is the folder"
                               : IsInsideFolder(folder, backup) ? "lies inside the folder"
                               : IsInsideFolder(backup, source) ? "holds the folder"
                                                                : nullptr;
        if (relation != nullptr)
            return RunRefusal {"The backup folder \"" + backup + "\" " + relation + " of \"" + source +
                                       "\", which this run organizes: choose another folder.",
                               RunField::BackupFolder};
    }
    return std::nullopt;
}

PreparedRun PrepareRun(OrganizeOptions options)
{
    PreparedRun prepared;
    if (options.OutputFolderType == kOutputToCustomFolder) {
        if (options.CustomTargetFolder.empty())
            prepared.refusal = RunRefusal {"Please choose an output folder.", RunField::OutputFolder};
        options.CustomTargetFolder = WithBackslash(std::move(options.CustomTargetFolder));
    }
    options.BackupFolder = WithBackslash(std::move(options.BackupFolder));
    if (!prepared.refusal)
        prepared.refusal = BackupRefusal(options);
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
