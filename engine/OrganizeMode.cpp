#include "engine/OrganizeMode.h"

#include "engine/PathText.h"

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

std::optional<std::string> ExtensionFolderText(const std::string& path)
{
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return std::nullopt;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

std::string ModeValueText(const ModeValue& value)
{
    return value.kind == ModeKind::Date ? DateTimeText(value.date) : value.text;
}
