#include "engine/ProtectedFolders.h"

#include "engine/FileOps.h"

bool InProtectedFolder(const std::string& path, const std::vector<std::string>& folders)
{
    for (const std::string& folder : folders) {
        std::string base = folder;
        while (!base.empty() && (base.back() == '\\' || base.back() == '/'))
            base.pop_back();
        if (base.empty() || path.compare(0, base.size(), base) != 0)
            continue;
        if (path.size() == base.size() || path[base.size()] == '\\' || path[base.size()] == '/')
            return true;
    }
    return false;
}

bool MayBeControlledFolderAccess(std::uint32_t error, bool creating, const std::string& path,
                                 const std::vector<std::string>& folders)
{
    return error == FileError::kAccessDenied && creating && InProtectedFolder(path, folders);
}
