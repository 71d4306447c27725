#include "engine/FolderScan.h"

#include <windows.h>

#include <string>
#include <utility>

#include "base/OwnedHandle.h"
#include "base/WidePath.h"
#include "engine/ExtFilter.h"
#include "engine/FolderVisits.h"
#include "engine/PathUtils.h"

namespace {

// The longest path the system takes, in UTF-16 units, its "\\?\" prefix included.
constexpr size_t kLongestSystemPath = 32767;

// finalPath is the scan's buffer for the folder's final path: it holds the longest path the system
// has, so that each folder is asked for once (each call walks the drive letters through the system).
FolderIdentity ReadIdentity(const std::string& folder, std::wstring& finalPath)
{
    FolderIdentity identity;
    const OwnedHandle file(CreateFileW(WidePath(folder).c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid())
        return identity;
    const HANDLE h = file.Get();
    const DWORD length = GetFinalPathNameByHandleW(h, finalPath.data(), static_cast<DWORD>(finalPath.size()),
                                                   FILE_NAME_NORMALIZED);
    if (length > 0 && length < finalPath.size())
        identity.finalPath = NarrowText(finalPath.substr(0, length));
    // The index only when the final path is not given: reading it asks the system for the
    // volume, which costs more than the rest of the folder's scan.
    if (!identity.finalPath.empty())
        return identity;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        identity.volume = info.dwVolumeSerialNumber;
        identity.index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    return identity;
}

struct Scan {
    bool subfolders;
    std::uint32_t enableExtFilter;
    const std::vector<std::string>& allowedExts;
    const std::function<void(std::string)>& addFile;
    FolderVisits visits;
    std::wstring finalPath = std::wstring(kLongestSystemPath + 1, L'\0');

    void Walk(const std::string& folder)
    {
        if (!visits.FirstVisit(ReadIdentity(folder, finalPath)))
            return;
        const std::string base = !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
        ListFolder(base, [&](const FolderEntry& entry) {
            std::string path = base + entry.name;
            if (SystemLength(path) > kMaxListedPathLength)
                return;
            // What the system keeps for itself (desktop.ini, Thumbs.db, $RECYCLE.BIN, System
            // Volume Information) stays where it is; moving desktop.ini would cost the folder
            // its own name and icon.
            constexpr DWORD kSystemHidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
            if ((entry.attributes & kSystemHidden) == kSystemHidden)
                return;
            if (entry.isFolder) {
                if (subfolders)
                    Walk(path);
            } else if (PassesExtFilter(enableExtFilter, allowedExts, path)) {
                addFile(std::move(path));
            }
        });
    }
};

}  // namespace

void ScanFolder(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                const std::vector<std::string>& allowedExts, const std::function<void(std::string)>& addFile)
{
    Scan scan {subfolders, enableExtFilter, allowedExts, addFile, {}};
    scan.Walk(folder);
}
