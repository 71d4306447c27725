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
