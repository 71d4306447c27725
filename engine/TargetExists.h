// What the run does with a target name that is taken, by the target-exists policy.
#pragma once

#include <cstdint>
#include <string>

#include "engine/GroupNames.h"
#include "engine/OrganizeOptions.h"
#include "engine/RunFileSystem.h"

enum class ExistingTarget {
    Free,  // target (possibly a numbered name now) is free: transfer
    Replace,  // Overwrite: replace the file at target
    Skip,  // Skip: leave the source alone
    Identical,  // Rename unless identical: target names a file with the source's content
    NoFreeName,  // every numbered name up to kNumberedNameLimit exists
};

// Called when target exists. Under Rename (and unknown values) target becomes the first free
// name_N.ext; under Rename unless identical the name and each numbered name in turn are
// compared with the source, and target stops at the first identical file or the first free name.
ExistingTarget ResolveExistingTarget(RunFileSystem& fs, const std::string& source, TargetExistsPolicy policy,
                                     std::string& target);
