#include "engine/OrganizeOptions.h"

std::string DefaultLogFile(const std::string& documentsFolder)
{
    if (documentsFolder.empty())
        return {};
    std::string path = documentsFolder;
    if (path.back() != '\\')
        path += '\\';
    path += "Quillmere";
    path += "\\logs.txt";
    return path;
}

void OrganizeOptions::SetDefaults(const std::string& documentsFolder)
{
    *this = OrganizeOptions {};
    LastAddFileDir = documentsFolder;
    LogFile = DefaultLogFile(documentsFolder);
}

bool IsDateMode(std::uint32_t mode)
{
    switch (static_cast<DateSource>(mode)) {
    case DateSource::Taken:
    case DateSource::TakenElseModified:
    case DateSource::TakenElseCreated:
    case DateSource::TakenElseAccessed:
    case DateSource::Modified:
    case DateSource::Created:
    case DateSource::Accessed: return true;
    case DateSource::Extension:
    case DateSource::Orientation: return false;
    }
    return false;
}
