#include "engine/FileTransfer.h"

#include "base/PathText.h"
#include "engine/CopyCheck.h"

namespace {

const char kPartialExtension[] = ".qmpart";

// Removes an unfinished copy; a copy of a read-only source is read-only too.
void RemovePartial(FileOps& ops, const std::string& partial)
{
    KeepFileError keep(ops);
    static_cast<void>(DeleteFileFully(ops, partial));
}

// A rename that replaces a file takes over its name, and the file system's tunnelling gives the
// new file the creation time the name had: the new file gets its own back. The file is in place
// whole either way, so a creation time that cannot be set back fails nothing.
Status RenameKeepingCreation(FileOps& ops, const std::string& from, const std::string& to, bool replace,
                             bool writeThrough)
{
    FileState state;
    const bool known = replace && ops.Stat(from, state);
    if (Status renamed = ops.Rename(from, to, replace, writeThrough); !renamed)
        return renamed;
    if (known)
        static_cast<void>(ops.SetCreationTime(to, state.creationTime));
    return Status();
}

// The copy path of every transfer: the complete copy under its unfinished name, then its real
// name in one step, made durable, then (for a move) the source deleted.
// The failure of the call that failed last.
TransferResult Failed(FileOps& ops)
{
    return TransferEnded(TransferOutcome::Failed, ops.LastError());
}

TransferResult CopyThenRename(FileOps& ops, const std::string& source, const FileState& state,
                              const std::string& target, bool move, bool replace, const std::string& partial,
                              CopyCheck* check)
{
    if (partial.empty()) {
        ops.SetLastError(FileError::kFilenameTooLong);
        return Failed(ops);
    }
    // A verified copy is checked under its unfinished name: one that differs never takes the
    // target's name, and a move keeps its source.
    if (!CopyChecked(ops, source, partial, state.stamp.size, check)) {
        // A name another program took since it was chosen is not ours to remove; the caller may
        // choose another.
        if (ops.LastError() == FileError::kFileExists || ops.LastError() == FileError::kAlreadyExists)
            ops.SetLastError(FileError::kPartialTaken);
        else
            RemovePartial(ops, partial);
        return Failed(ops);
    }
    return PlaceCopy(ops, source, target, move, replace, partial);
}

}  // namespace

TransferResult PlaceCopy(FileOps& ops, const std::string& source, const std::string& target, bool move,
                         bool replace, const std::string& partial, HeldCopy* held)
{
    // A rename through the copy's own handle is as durable as the rename by name: writing through
    // promises more only for a move the system makes as a copy and a deletion.
    const Status placed = Retrying(ops, [&] {
        return held != nullptr ? held->Rename(target)
                               : RenameKeepingCreation(ops, partial, target, replace, true);
    });
    if (held != nullptr) {
        KeepFileError keep(ops);
        held->Close();
    }
    if (!placed) {
        // A file that appeared under the target's name meanwhile is never replaced; the refusal is
        // worded as the plain copy and move word it.
        if (!move && ops.LastError() == FileError::kAlreadyExists)
            ops.SetLastError(FileError::kFileExists);
        RemovePartial(ops, partial);
        return Failed(ops);
    }
    if (move) {
        if (Status deleted = Retrying(ops, [&] { return DeleteFileFully(ops, source); }); !deleted)
            return {TransferOutcome::SourceKept, std::move(deleted)};
    }
    return TransferDone();
}

bool PartialNameFor(FileOps& ops, const std::string& target, int attempt, std::string& partial)
{
    std::string folder;
    if (!FolderOf(target, folder))
        folder.clear();
    const std::string name = FileNameOf(target);
    const std::string number = attempt == 0 ? std::string() : "." + std::to_string(attempt);
    // The unfinished name is longer than the target's: it must fit as a name and as a path.
    const auto fits = [&](const std::string& partialName) {
        return ops.PathLength(partialName) <= kMaxNameLength &&
               ops.PathLength(folder + partialName) <= kMaxRunPathLength;
    };
    std::string partialName = "~" + name + number + kPartialExtension;
    if (!fits(partialName))
        partialName = "~qm" + std::to_string(attempt) + kPartialExtension;
    if (!fits(partialName)) {
        ops.SetLastError(FileError::kFilenameTooLong);
        return false;
    }
    partial = folder + partialName;
    return true;
}

bool FreePartialName(FileOps& ops, const std::string& target, std::string& partial)
{
    for (int attempt = 0; attempt < kPartialAttempts; ++attempt) {
        std::string candidate;
        if (!PartialNameFor(ops, target, attempt, candidate))
            return false;
        if (!AnythingThere(ops, candidate)) {
            partial = std::move(candidate);
            return true;
        }
    }
    ops.SetLastError(FileError::kFileExists);
    return false;
}

// A deletion the file system reported done while the file is still there: refused.
Status StillThere(FileOps& ops)
{
    ops.SetLastError(FileError::kAccessDenied);
    return FileFailure(FileError::kAccessDenied);
}

Status DeleteFileFully(FileOps& ops, const std::string& path)
{
    FileState state;
    Status deleted = ops.Delete(path);
    if (deleted)
        return ops.Stat(path, state) ? StillThere(ops) : Status();
    if (deleted.Code() != FileError::kAccessDenied || !ops.Stat(path, state) || !state.readOnly ||
        !ops.SetReadOnly(path, false)) {
        ops.SetLastError(deleted.Code());
        return deleted;
    }
    Status again = ops.Delete(path);
    if (again && !ops.Stat(path, state))
        return Status();
    // The file stays as it was found, read-only.
    static_cast<void>(ops.SetReadOnly(path, true));
    if (again)
        return StillThere(ops);
    ops.SetLastError(again.Code());
    return again;
}

Status MoveByRename(FileOps& ops, const std::string& source, const std::string& target, bool replace)
{
    // On one drive a rename moves the file whole or not at all.
    return Retrying(ops, [&] { return RenameKeepingCreation(ops, source, target, replace, false); });
}

TransferResult TransferFile(FileOps& ops, const std::string& source, const std::string& target, bool move,
                            bool replace, const std::string& partial, CopyCheck* check)
{
    if (move) {
        Status renamed = MoveByRename(ops, source, target, replace);
        if (renamed)
            return TransferDone();
        if (renamed.Code() != FileError::kNotSameDevice)
            return {TransferOutcome::Failed, std::move(renamed)};
    }
    // A missing source reports its own error first, as the plain copy does.
    FileState state;
    if (!ops.Stat(source, state))
        return Failed(ops);
    if (state.folder) {
        ops.SetLastError(FileError::kAccessDenied);
        return Failed(ops);
    }
    return CopyThenRename(ops, source, state, target, move, replace, partial, check);
}

namespace {

// A transfer through the first unfinished name found free; one another program takes meanwhile
// fails the step as a taken target does.
TransferResult TransferThroughFreeName(FileOps& ops, const std::string& source, const std::string& target,
                                       bool move, bool replace, CopyCheck* check)
{
    std::string partial;
    FreePartialName(ops, target, partial);
    const TransferResult result = TransferFile(ops, source, target, move, replace, partial, check);
    if (result.outcome == TransferOutcome::Failed && ops.LastError() == FileError::kPartialTaken) {
        ops.SetLastError(FileError::kFileExists);
        return TransferEnded(TransferOutcome::Failed, FileError::kFileExists);
    }
    return result;
}

}  // namespace

TransferResult OpsFileSystem::Transfer(const std::string& source, const std::string& target, bool move)
{
    return TransferThroughFreeName(ops_, source, target, move, false, check_);
}

TransferResult OpsFileSystem::Replace(const std::string& source, const std::string& target, bool move)
{
    return TransferThroughFreeName(ops_, source, target, move, true, check_);
}

bool OpsFileSystem::SameFile(const std::string& a, const std::string& b)
{
    FileIdentity ia, ib;
    return ops_.Identity(a, ia) && ops_.Identity(b, ib) && ia == ib;
}
