#include "engine/TargetExists.h"

#include "engine/GroupNames.h"
#include "engine/OrganizeOptions.h"

ExistingTarget ResolveExistingTarget(RunFileSystem& fs, const std::string& source, TargetExistsPolicy policy,
                                     std::string& target)
{
    switch (policy) {
    case TargetExistsPolicy::Skip: return ExistingTarget::Skip;
    case TargetExistsPolicy::Overwrite: return ExistingTarget::Replace;
    case TargetExistsPolicy::RenameUnlessIdentical:
        if (fs.SameContent(source, target))
            return ExistingTarget::Identical;
        for (unsigned n = 1; n <= kNumberedNameLimit; ++n) {
            const std::string candidate = NumberedName(target, n);
            if (!fs.Exists(candidate)) {
                target = candidate;
                return ExistingTarget::Free;
            }
            if (fs.SameContent(source, candidate)) {
                target = candidate;
                return ExistingTarget::Identical;
            }
        }
        return ExistingTarget::NoFreeName;
    case TargetExistsPolicy::RenameAutomatically: break;
    }
    for (unsigned n = 1; n <= kNumberedNameLimit; ++n) {
        const std::string candidate = NumberedName(target, n);
        if (!fs.Exists(candidate)) {
            target = candidate;
            return ExistingTarget::Free;
        }
    }
    return ExistingTarget::NoFreeName;
}
