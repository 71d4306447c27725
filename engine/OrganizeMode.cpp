#include "engine/OrganizeMode.h"

const OrganizeModeRow* FindOrganizeMode(std::uint32_t value)
{
    for (const OrganizeModeRow& row : kOrganizeModes)
        if (static_cast<std::uint32_t>(row.value) == value)
            return &row;
    return nullptr;
}

bool IsDateMode(std::uint32_t mode)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    return row != nullptr && row->kind == ModeKind::Date;
}

const char* LookupFailureText(std::uint32_t mode)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    if (row == nullptr)
        row = FindOrganizeMode(static_cast<std::uint32_t>(OrganizeMode::Modified));
    return row->failureText;
}

std::string LookupFailedText(std::uint32_t mode, const std::string& reason)
{
    if (reason.empty())
        return LookupFailureText(mode);
    if (reason == kFileGoneText)
        return reason;
    return "Failed to read the file's metadata (" + reason + ")";
}

std::string ModeValueText(const ModeValue& value)
{
    return value.kind == ModeKind::Date ? DateTimeText(value.date) : value.text;
}
