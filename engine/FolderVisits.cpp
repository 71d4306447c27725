#include "engine/FolderVisits.h"

bool FolderVisits::FirstVisit(const FolderIdentity& folder)
{
    if (!folder.finalPath.empty()) {
        // The system spells one folder's final path the same way each time, up to the case of
        // the drive letter and volume prefix.
        std::string key = folder.finalPath;
        for (char& c : key)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return paths_.insert(key).second;
    }
    if (folder.index != 0)
        return ids_.insert({folder.volume, folder.index}).second;
    return true;
}
