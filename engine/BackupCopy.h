// The second copy of a file the run placed in the library: at the place the file has below the
// output folder, joined to the backup folder, made from the placed file through the run's file
// system (and so recorded in its journal as a copy step of its own, which undo removes as it
// removes any copy). A name taken in the backup folder follows the run's target-exists policy.
#pragma once

#include <string>

#include "engine/OrganizeOptions.h"
#include "engine/RunFileSystem.h"

enum class BackupOutcome {
    Made,  // copied (over the file there under Overwrite, which the journal keeps)
    Identical,  // Rename unless identical: the file's content is at backup already
    Taken,  // Skip: the name is taken; nothing was made
    NoFreeName,  // every numbered name up to kNumberedNameLimit is taken
    Failed,  // the folder or the copy failed
};

// How a backup ended, with why it was not made when it Failed (success otherwise).
struct [[nodiscard]] BackupResult {
    BackupOutcome outcome = BackupOutcome::Failed;
    Status status;
};

// The backup's path for target, which lies below outputRoot: target's part after outputRoot
// joined to backupRoot (both end in a backslash).
std::string BackupPathFor(const std::string& outputRoot, const std::string& backupRoot,
                          const std::string& target);

// Copies the placed file at target to backup, or the name the policy gives it (backup then names
// it).
BackupResult MakeBackupCopy(RunFileSystem& fs, const std::string& target, TargetExistsPolicy policy,
                            std::string& backup);
