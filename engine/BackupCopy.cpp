#include "engine/BackupCopy.h"

#include "base/PathText.h"
#include "engine/TargetExists.h"

std::string BackupPathFor(const std::string& outputRoot, const std::string& backupRoot,
                          const std::string& target)
{
    return backupRoot + target.substr(outputRoot.size());
}

BackupOutcome MakeBackupCopy(RunFileSystem& fs, const std::string& target, TargetExistsPolicy policy,
                             std::string& backup)
{
    std::string folder;
    if (!FolderOf(backup, folder) || !fs.EnsureFolder(folder))
        return BackupOutcome::Failed;
    bool replace = false;
    // A file in the backup folder is never replaced by accident.
    if (fs.Exists(backup)) {
        switch (ResolveExistingTarget(fs, target, policy, backup)) {
        case ExistingTarget::Skip: return BackupOutcome::Taken;
        case ExistingTarget::Identical: return BackupOutcome::Identical;
        case ExistingTarget::NoFreeName: return BackupOutcome::NoFreeName;
        case ExistingTarget::Replace: replace = true; break;
        case ExistingTarget::Free: break;
        }
    }
    const TransferResult copied =
            replace ? fs.Replace(target, backup, false) : fs.Transfer(target, backup, false);
    return copied.outcome == TransferOutcome::Done ? BackupOutcome::Made : BackupOutcome::Failed;
}
