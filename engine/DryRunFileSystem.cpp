#include "engine/DryRunFileSystem.h"

#include <windows.h>

#include "engine/FileTransfer.h"
#include "base/PathText.h"
#include "engine/PathUtils.h"

namespace {

// Paths compare as the file system compares them: without regard to case, with or without the
// trailing backslash of a folder.
std::string Key(const std::string& path)
{
    std::string key = path;
    while (key.size() > 1 && key.back() == '\\')
        key.pop_back();
    return PathKey(key);
}

// A name the file system refuses to create.
bool IsInvalidName(const std::string& name)
{
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 32 || std::string("<>:\"|?*").find(c) != std::string::npos)
            return true;
    return false;
}

// A copy is written beside the target first, under a longer unfinished name.
bool PartialNameFits(const std::string& target)
{
    std::string partial;
    return PartialNameFor(SystemFileOps(), target, 0, partial);
}

}  // namespace

DryRunFileSystem::Kind DryRunFileSystem::KindOf(const std::string& path)
{
    const auto found = changed_.find(Key(path));
    if (found != changed_.end()) {
        if (found->second == Kind::None)
            SetLastError(ERROR_FILE_NOT_FOUND);
        return found->second;
    }
    FileState state;
    if (!SystemFileOps().Stat(path, state))
        return Kind::None;
    return state.folder ? Kind::Folder : Kind::File;
}

bool DryRunFileSystem::Exists(const std::string& path)
{
    return KindOf(path) != Kind::None;
}

bool DryRunFileSystem::EnsureOneFolder(const std::string& folder)
{
    if (folder.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    switch (KindOf(folder)) {
    case Kind::Folder: return true;
    case Kind::File: SetLastError(ERROR_ALREADY_EXISTS); return false;
    case Kind::None: break;
    }
    // A drive that is not there cannot take folders; the attribute query said why.
    const std::string name = FileNameOf(folder);
    if (name.size() == 2 && name[1] == ':' && folder.size() == 2)
        return false;
    if (IsInvalidName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    changed_[Key(folder)] = Kind::Folder;
    return true;
}

Status DryRunFileSystem::EnsureFolder(const std::string& folder)
{
    if (!EnsureFolderLevels(
                folder, [this](const std::string& path) { return KindOf(path) == Kind::Folder; },
                [this](const std::string& level) { return EnsureOneFolder(level); }))
        return FileFailure(GetLastError());
    return Status();
}

bool DryRunFileSystem::SourceAndFolderPresent(const std::string& source, const std::string& target)
{
    if (KindOf(source) == Kind::None)
        return false;
    std::string folder;
    if (FolderOf(target, folder) && KindOf(folder) != Kind::Folder) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

void DryRunFileSystem::Record(const std::string& source, const std::string& target, bool move)
{
    const std::string content = ContentOf(source);
    if (move)
        changed_[Key(source)] = Kind::None;
    changed_[Key(target)] = Kind::File;
    origins_[Key(target)] = content;
    SetLastError(ERROR_SUCCESS);
}

TransferResult DryRunFileSystem::Transfer(const std::string& source, const std::string& target, bool move)
{
    if (!SourceAndFolderPresent(source, target))
        return TransferEnded(TransferOutcome::Failed, GetLastError());
    if (KindOf(target) != Kind::None) {
        // The two calls word the same refusal differently.
        SetLastError(move ? ERROR_ALREADY_EXISTS : ERROR_FILE_EXISTS);
        return TransferEnded(TransferOutcome::Failed, GetLastError());
    }
    if (!move && !PartialNameFits(target))
        return TransferEnded(TransferOutcome::Failed, GetLastError());
    Record(source, target, move);
    return TransferDone();
}

TransferResult DryRunFileSystem::Replace(const std::string& source, const std::string& target, bool move)
{
    if (!SourceAndFolderPresent(source, target))
        return TransferEnded(TransferOutcome::Failed, GetLastError());
    if (!move && !PartialNameFits(target))
        return TransferEnded(TransferOutcome::Failed, GetLastError());
    if (KindOf(target) == Kind::Folder) {
        SetLastError(ERROR_ACCESS_DENIED);
        return TransferEnded(TransferOutcome::Failed, GetLastError());
    }
    Record(source, target, move);
    return TransferDone();
}

bool DryRunFileSystem::SameFile(const std::string& a, const std::string& b)
{
    // A file the dry run moved or copied is a new file: it is nothing else's twin.
    if (changed_.count(Key(a)) != 0 || changed_.count(Key(b)) != 0)
        return false;
    return RealFileSystem().SameFile(a, b);
}

std::string DryRunFileSystem::ContentOf(const std::string& path)
{
    if (KindOf(path) != Kind::File)
        return {};
    const auto origin = origins_.find(Key(path));
    return origin != origins_.end() ? origin->second : path;
}

bool DryRunFileSystem::SameContent(const std::string& a, const std::string& b)
{
    const std::string realA = ContentOf(a);
    const std::string realB = ContentOf(b);
    return !realA.empty() && !realB.empty() && SameBytes(SystemFileOps(), realA, realB, comparisons_);
}
