#include "engine/FileTransfer.h"

#include <windows.h>

#include "engine/PathText.h"
#include "engine/PathUtils.h"
#include "engine/RunFileSystem.h"

namespace {

// Keeps the error of the step that failed across the clean-up calls that follow it.
class ErrorKeeper {
public:
    ErrorKeeper() : code_(GetLastError()) { }
    ~ErrorKeeper() { SetLastError(code_); }
    ErrorKeeper(const ErrorKeeper&) = delete;
    ErrorKeeper& operator=(const ErrorKeeper&) = delete;

private:
    DWORD code_;
};

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}

// Copies source to a fresh file in the target's folder and moves that over the target.
bool ReplaceByCopy(const std::string& source, const std::string& target)
{
    std::string folder;
    if (!FolderOf(target, folder))
        folder = ".\\";
    char temp[MAX_PATH];
    if (folder.size() + 14 >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (GetTempFileNameA(folder.c_str(), "qmr", 0, temp) == 0)
        return false;
    if (CopyFileA(source.c_str(), temp, FALSE) &&
        MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    ErrorKeeper keep;
    DeleteFileA(temp);
    return false;
}

}  // namespace

bool TransferFile(const std::string& source, const std::string& target, bool move)
{
    if (move)
        return MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
    return CopyFileA(source.c_str(), target.c_str(), TRUE) != 0;
}

bool ReplaceWithFile(const std::string& source, const std::string& target, bool move)
{
    if (move) {
        // On one volume a rename replaces the target atomically.
        if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        if (GetLastError() != ERROR_NOT_SAME_DEVICE)
            return false;
        if (!ReplaceByCopy(source, target))
            return false;
        // The new target is in place; a source that cannot be deleted is reported, and both stay.
        return DeleteFileA(source.c_str()) != 0;
    }
    // Checked first so that a missing or unreadable source reports its own error, not the
    // temporary file's.
    if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    return ReplaceByCopy(source, target);
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!FileIdentity(a, ia) || !FileIdentity(b, ib))
        return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

bool RealFileSystem::Exists(const std::string& path)
{
    return FileExists(path);
}

bool RealFileSystem::EnsureFolder(const std::string& folder)
{
    return ::EnsureFolder(folder, true);
}

bool RealFileSystem::Transfer(const std::string& source, const std::string& target, bool move)
{
    return TransferFile(source, target, move);
}

bool RealFileSystem::Replace(const std::string& source, const std::string& target, bool move)
{
    return ReplaceWithFile(source, target, move);
}

bool RealFileSystem::SameFile(const std::string& a, const std::string& b)
{
    return IsSameFile(a, b);
}
