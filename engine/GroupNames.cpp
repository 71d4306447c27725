#include "engine/GroupNames.h"

#include <utility>

#include "engine/OrganizeOptions.h"
#include "base/PathText.h"

namespace {

// Every target from first on is free.
bool AllFree(const std::vector<std::string>& targets, std::size_t first, GroupNameOracle& oracle)
{
    for (std::size_t i = first; i < targets.size(); ++i)
        if (oracle.Use(targets[i]) != NameUse::Free)
            return false;
    return true;
}

GroupDecision Placed(std::vector<std::string> targets)
{
    GroupDecision decision;
    decision.replace.assign(targets.size(), false);
    decision.targets = std::move(targets);
    return decision;
}

GroupDecision Outcome(GroupOutcome outcome, std::vector<std::string> targets)
{
    GroupDecision decision;
    decision.outcome = outcome;
    decision.targets = std::move(targets);
    return decision;
}

// The first number from first on that is free for every member; under Rename unless identical
// (identical) a number whose lead name holds the lead's content ends the search too.
GroupDecision Numbered(const std::string& folder, const std::string& leadName,
                       const std::vector<GroupMember>& members, unsigned first, bool identical,
                       GroupNameOracle& oracle)
{
    for (unsigned n = first; n <= kNumberedNameLimit; ++n) {
        std::vector<std::string> targets = GroupTargets(folder, leadName, members, n);
        // Only a name in use can hold the lead's content: a free one is compared with nothing.
        const bool leadFree = oracle.Use(targets[0]) == NameUse::Free;
        if (identical && !leadFree && oracle.Identical(0, targets[0]))
            return Outcome(GroupOutcome::Identical, std::move(targets));
        if (leadFree && AllFree(targets, 1, oracle))
            return Placed(std::move(targets));
    }
    return Outcome(GroupOutcome::NoFreeName, GroupTargets(folder, leadName, members, 0));
}

}  // namespace

std::string NumberedName(const std::string& name, unsigned n)
{
    const std::string ext = ExtensionOf(name).value_or("");
    return name.substr(0, name.size() - ext.size()) + "_" + std::to_string(n) + ext;
}

std::vector<std::string> GroupTargets(const std::string& folder, const std::string& leadName,
                                      const std::vector<GroupMember>& members, unsigned n)
{
    std::vector<std::string> names;
    names.reserve(members.size());
    for (const GroupMember& member : members) {
        if (names.empty()) {
            names.push_back(n == 0 ? leadName : NumberedName(leadName, n));
            continue;
        }
        // A companion is named after the member it follows, which is always listed before it.
        const std::string& parentName = names.at(static_cast<std::size_t>(member.parent));
        names.push_back(CompanionName(member.fileName, member.kind, parentName));
    }
    for (std::string& name : names)
        name.insert(0, folder);
    return names;
}

GroupDecision DecideGroupNames(const std::string& folder, const std::string& leadName,
                               const std::vector<GroupMember>& members, TargetExistsPolicy policy,
                               GroupNameOracle& oracle)
{
    std::vector<std::string> wanted = GroupTargets(folder, leadName, members, 0);
    switch (policy) {
    case TargetExistsPolicy::Skip:
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            if (oracle.Use(wanted[i]) != NameUse::Free) {
                GroupDecision decision = Outcome(GroupOutcome::Skip, std::move(wanted));
                decision.taken = i;
                return decision;
            }
        }
        return Placed(std::move(wanted));
    case TargetExistsPolicy::Overwrite: {
        std::vector<bool> replace;
        for (const std::string& target : wanted) {
            const NameUse use = oracle.Use(target);
            // What this run placed is never replaced: another photo's file, or its companion.
            if (use == NameUse::PlacedByRun)
                return Numbered(folder, leadName, members, 1, false, oracle);
            replace.push_back(use == NameUse::Existing);
        }
        GroupDecision decision = Placed(std::move(wanted));
        decision.replace = std::move(replace);
        return decision;
    }
    case TargetExistsPolicy::RenameUnlessIdentical:
        return Numbered(folder, leadName, members, 0, true, oracle);
    case TargetExistsPolicy::RenameAutomatically: break;
    }
    return Numbered(folder, leadName, members, 0, false, oracle);
}

GroupDecision DecideGroupForLead(const std::string& folder, const std::string& leadName,
                                 const std::vector<GroupMember>& members, TargetExistsPolicy policy,
                                 GroupNameOracle& oracle, int plansAgain,
                                 const std::function<bool(const GroupDecision&)>& takeLead)
{
    for (int plan = 0;; ++plan) {
        GroupDecision decision = DecideGroupNames(folder, leadName, members, policy, oracle);
        if (!takeLead(decision) || plan >= plansAgain)
            return decision;
    }
}

TakenCompanion CompanionNameTaken(TargetExistsPolicy policy)
{
    switch (policy) {
    case TargetExistsPolicy::Overwrite: return TakenCompanion::Replace;
    case TargetExistsPolicy::Skip:
    case TargetExistsPolicy::RenameUnlessIdentical: return TakenCompanion::Stays;
    case TargetExistsPolicy::RenameAutomatically: break;
    }
    return TakenCompanion::StaysUnnumbered;
}
