#include "engine/FolderScan.h"

#include <windows.h>

#include <set>
#include <tuple>

#include "engine/ExtFilter.h"
#include "engine/PathUtils.h"

namespace {

// Volume serial number and file index: a folder's identity however it is reached.
using FolderId = std::tuple<unsigned long, unsigned long, unsigned long>;

bool FolderIdentity(const std::string& folder, FolderId& id)
{
    HANDLE h = CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (ok)
        id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return ok;
}

struct Scan {
    bool subfolders;
    std::uint32_t enableExtFilter;
    const std::vector<std::string>& allowedExts;
    const std::function<void(const std::string&)>& addFile;
    std::set<FolderId> visited;

    void Walk(const std::string& folder)
    {
        FolderId id;
        if (FolderIdentity(folder, id) && !visited.insert(id).second)
            return;
        const std::string base = !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
        ListFolder(base, [&](const FolderEntry& entry) {
            const std::string path = base + entry.name;
            if (path.size() > kMaxListedPathLength)
                return;
            if (entry.isFolder) {
                if (subfolders)
                    Walk(path);
            } else if (PassesExtFilter(enableExtFilter, allowedExts, path)) {
                addFile(path);
            }
        });
    }
};

}  // namespace

void ScanFolder(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                const std::vector<std::string>& allowedExts,
                const std::function<void(const std::string&)>& addFile)
{
    Scan scan {subfolders, enableExtFilter, allowedExts, addFile, {}};
    scan.Walk(folder);
}
