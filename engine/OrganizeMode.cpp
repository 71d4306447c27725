#include "engine/OrganizeMode.h"

const OrganizeModeRow* FindOrganizeMode(OrganizeMode mode)
{
    for (const OrganizeModeRow& row : kOrganizeModes)
        if (row.value == mode)
            return &row;
    return nullptr;
}

bool IsDateMode(OrganizeMode mode)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    return row != nullptr && row->kind == ModeKind::Date;
}

const char* LookupFailureText(OrganizeMode mode)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    if (row == nullptr)
        row = FindOrganizeMode(OrganizeMode::Modified);
    return row->failureText;
}

std::string LookupFailedText(OrganizeMode mode, const Status& failure)
{
    if (failure)
        return LookupFailureText(mode);
    if (failure.Reason() == kFileGoneText)
        return failure.Reason();
    return "Failed to read the file's metadata (" + failure.Reason() + ")";
}

std::string ModeValueText(const ModeValue& value)
{
    return value.kind == ModeKind::Date ? DateTimeText(value.date) : value.text;
}
