#include "engine/FileTransfer.h"

#include <windows.h>

#include "engine/ErrorKeeper.h"
#include "engine/PathText.h"
#include "engine/PathUtils.h"

namespace {

// Unfinished copies left by other runs (or killed ones) are never touched; this many names are
// tried beside one target before the copy fails.
constexpr int kPartialAttempts = 100;

const char kPartialExtension[] = ".qmpart";

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

// Removes an unfinished copy; the copy brings the source's read-only attribute along.
void RemovePartial(const std::string& partial)
{
    ErrorKeeper keep;
    SetFileAttributesA(partial.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(partial.c_str());
}

// Writes the copy through to its drive and checks that it holds as many bytes as the source had.
// A copy of a read-only source is read-only too, and is opened for the flush without that
// attribute for a moment.
bool FlushAndCheck(const std::string& partial, ULONGLONG expectedSize, bool readOnlySource)
{
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (readOnlySource) {
        attributes = GetFileAttributesA(partial.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;
    }
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !SetFileAttributesA(partial.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return false;
    HANDLE h = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size {};
    bool ok = FlushFileBuffers(h) && GetFileSizeEx(h, &size);
    {
        ErrorKeeper keep;
        CloseHandle(h);
    }
    if (ok && static_cast<ULONGLONG>(size.QuadPart) != expectedSize) {
        SetLastError(ERROR_WRITE_FAULT);
        ok = false;
    }
    if (ok && readOnly)
        ok = SetFileAttributesA(partial.c_str(), attributes) != 0;
    return ok;
}

// Copies source (whose attributes and size are given) to a new unfinished file beside target,
// complete and on the drive, and names it in partial. The last error tells why on failure, and
// nothing new is left.
bool CopyToPartial(const std::string& source, const WIN32_FILE_ATTRIBUTE_DATA& data,
                   const std::string& target, std::string& partial)
{
    const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    for (int attempt = 0; attempt < kPartialAttempts; ++attempt) {
        std::string candidate;
        if (!PartialNameFor(target, attempt, candidate))
            return false;
        if (CopyFileExA(source.c_str(), candidate.c_str(), nullptr, nullptr, nullptr,
                        COPY_FILE_FAIL_IF_EXISTS)) {
            if (FlushAndCheck(candidate, size, (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)) {
                partial = candidate;
                return true;
            }
            RemovePartial(candidate);
            return false;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            continue;
        // Windows removes what a failed copy wrote; Wine leaves it (a full drive leaves an
        // empty file), so it is removed here on both.
        RemovePartial(candidate);
        return false;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return false;
}

// Whether a file whose deletion was reported is gone. Wine reports success when the file system
// refuses the deletion (a write-protected card), and the photo would then be reported as moved
// while it is still in the source. On Windows a deletion that waits for another program's handle
// to close leaves a name that answers ERROR_ACCESS_DENIED, and that file goes when it closes.
bool SourceIsGone(const std::string& source)
{
    if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

// Deletes the source of a move once its copy is in place. A read-only source moves like any
// other, as a rename on one drive would move it.
bool DeleteSource(const std::string& source)
{
    if (DeleteFileA(source.c_str()))
        return SourceIsGone(source);
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(source.c_str());
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
        !SetFileAttributesA(source.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        SetLastError(error);
        return false;
    }
    if (DeleteFileA(source.c_str()) && SourceIsGone(source))
        return true;
    ErrorKeeper keep;
    SetFileAttributesA(source.c_str(), attributes);
    return false;
}

// The copy path of every transfer: unfinished copy, then its real name, then (for a move) the
// source deleted.
TransferOutcome CopyThenRename(const std::string& source, const WIN32_FILE_ATTRIBUTE_DATA& data,
                               const std::string& target, bool move, bool replace)
{
    std::string partial;
    if (!CopyToPartial(source, data, target, partial))
        return TransferOutcome::Failed;
    if (!MoveFileExA(partial.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        // A file that appeared under the target's name meanwhile is never replaced; the refusal is
        // worded as the plain copy and move word it.
        if (!move && GetLastError() == ERROR_ALREADY_EXISTS)
            SetLastError(ERROR_FILE_EXISTS);
        RemovePartial(partial);
        return TransferOutcome::Failed;
    }
    if (move && !DeleteSource(source))
        return TransferOutcome::SourceKept;
    return TransferOutcome::Done;
}

}  // namespace

bool PartialNameFor(const std::string& target, int attempt, std::string& partial)
{
    std::string folder;
    if (!FolderOf(target, folder))
        folder.clear();
    const std::string name = FileNameOf(target);
    const std::string number = attempt == 0 ? std::string() : "." + std::to_string(attempt);
    std::string candidate = folder + "~" + name + number + kPartialExtension;
    if (SystemLength(candidate) > kMaxEnsureFolderLength)
        candidate = folder + "~qm" + std::to_string(attempt) + kPartialExtension;
    if (SystemLength(candidate) > kMaxEnsureFolderLength) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    partial = std::move(candidate);
    return true;
}

TransferOutcome TransferFile(const std::string& source, const std::string& target, bool move)
{
    if (move) {
        // On one drive a rename moves the file whole or not at all.
        if (MoveFileExA(source.c_str(), target.c_str(), 0))
            return TransferOutcome::Done;
        if (GetLastError() != ERROR_NOT_SAME_DEVICE)
            return TransferOutcome::Failed;
    }
    // A missing source reports its own error first, as the plain copy does.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &data))
        return TransferOutcome::Failed;
    // A target that exists is not looked for here (the run has just done so): the rename at the
    // end refuses it, and the copy is removed.
    return CopyThenRename(source, data, target, move, false);
}

TransferOutcome ReplaceWithFile(const std::string& source, const std::string& target, bool move)
{
    if (move) {
        // On one drive a rename replaces the target atomically.
        if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            return TransferOutcome::Done;
        if (GetLastError() != ERROR_NOT_SAME_DEVICE)
            return TransferOutcome::Failed;
    }
    // Checked first so that a missing or unreadable source reports its own error.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &data))
        return TransferOutcome::Failed;
    return CopyThenRename(source, data, target, move, true);
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

TransferOutcome RealFileSystem::Transfer(const std::string& source, const std::string& target, bool move)
{
    return TransferFile(source, target, move);
}

TransferOutcome RealFileSystem::Replace(const std::string& source, const std::string& target, bool move)
{
    return ReplaceWithFile(source, target, move);
}

bool RealFileSystem::SameFile(const std::string& a, const std::string& b)
{
    return IsSameFile(a, b);
}
