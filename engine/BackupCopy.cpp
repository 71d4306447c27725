#include "engine/BackupCopy.h"

#include <utility>

#include "base/PathText.h"
#include "engine/TargetExists.h"

std::string BackupPathFor(const std::string& outputRoot, const std::string& backupRoot,
                          const std::string& target)
{
    return backupRoot + target.substr(outputRoot.size());
}

BackupResult MakeBackupCopy(RunFileSystem& fs, const std::string& target, TargetExistsPolicy policy,
                            std::string& backup)
{
    std::string folder;
    if (!FolderOf(backup, folder))
        return {BackupOutcome::Failed, FileFailure(FileError::kInvalidParameter)};
    if (Status made = fs.EnsureFolder(folder); !made)
        return {BackupOutcome::Failed, std::move(made)};
    bool replace = false;
    // A file in the backup folder is never replaced by accident.
    if (fs.Exists(backup)) {
        switch (ResolveExistingTarget(fs, target, policy, backup)) {
        case ExistingTarget::Skip: return {BackupOutcome::Taken, Status()};
        case ExistingTarget::Identical: return {BackupOutcome::Identical, Status()};
        case ExistingTarget::NoFreeName: return {BackupOutcome::NoFreeName, Status()};
        case ExistingTarget::Replace: replace = true; break;
        case ExistingTarget::Free: break;
        }
    }
    TransferResult copied = replace ? fs.Replace(target, backup, false) : fs.Transfer(target, backup, false);
    if (copied.outcome != TransferOutcome::Done)
        return {BackupOutcome::Failed, std::move(copied.status)};
    return {BackupOutcome::Made, Status()};
}
