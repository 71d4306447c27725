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

FolderIdentity ReadIdentity(const std::string& folder)
{
    FolderIdentity identity;
    const OwnedHandle file(CreateFileW(WidePath(folder).c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid())
        return identity;
    const HANDLE h = file.Get();
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        identity.volume = info.dwVolumeSerialNumber;
        identity.index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    // Asked for its length first: a folder's final path may be as long as any path.
    const DWORD needed = GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED);
    if (needed > 0) {
        std::wstring path(needed, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(h, path.data(), needed, FILE_NAME_NORMALIZED);
        if (length > 0 && length < needed) {
            path.resize(length);
            identity.finalPath = NarrowText(path);
        }
    }
    return identity;
}

struct Scan {
    bool subfolders;
    std::uint32_t enableExtFilter;
    const std::vector<std::string>& allowedExts;
    const std::function<void(std::string)>& addFile;
    FolderVisits visits;

    void Walk(const std::string& folder)
    {
        if (!visits.FirstVisit(ReadIdentity(folder)))
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
