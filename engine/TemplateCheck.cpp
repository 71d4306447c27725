#include "engine/TemplateCheck.h"

namespace {

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
