#include "engine/OrganizeOptions.h"

#include "base/PathText.h"

std::string DefaultLogFile(const std::string& documentsFolder)
{
    if (documentsFolder.empty())
        return {};
    return WithBackslash(documentsFolder) + "Quillmere\\logs.txt";
}

void OrganizeOptions::SetDefaults(const std::string& documentsFolder)
{
    *this = OrganizeOptions {};
    LastAddFileDir = documentsFolder;
    LogFile = DefaultLogFile(documentsFolder);
}
