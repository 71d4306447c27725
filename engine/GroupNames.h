// The names a photo and its companions take together. The group (the photo, its sidecars, its
// Live Photo video, the raw of its pair and that raw's own sidecars) goes into one folder under
// one base name, so every member's name is decided at once: a clash on any member numbers, skips
// or replaces for the whole group, and a sidecar never ends up beside another photo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/Companions.h"
#include "engine/OrganizeOptions.h"

// A member of a group: the lead (parent -1, always first) or a companion named after the member
// it follows, which comes before it in the list.
struct GroupMember {
    std::string fileName;  // its own file name, whose extension it keeps
    int parent = -1;
    CompanionKind kind = CompanionKind::None;
};

// Numbered names tried beside an existing target before the row fails: a name that always
// "exists" (a device, a file system that answers yes to everything) must not hang the run.
inline constexpr unsigned kNumberedNameLimit = 10000;

// name with _n before its extension (name_n.ext).
std::string NumberedName(const std::string& name, unsigned n);

// Every member's target in folder when the lead takes leadName, numbered n (0: not numbered).
std::vector<std::string> GroupTargets(const std::string& folder, const std::string& leadName,
                                      const std::vector<GroupMember>& members, unsigned n);

enum class NameUse {
    Free,
    Existing,  // a file or folder that this run did not put there
    PlacedByRun,  // a file this run placed: another photo's, or another photo's companion
};

// What the decision asks of the file system (or of its simulation in a preview).
class GroupNameOracle {
public:
    virtual ~GroupNameOracle() = default;
    virtual NameUse Use(const std::string& target) = 0;
    // The member's source and the file at target hold the same bytes.
    virtual bool Identical(std::size_t member, const std::string& target) = 0;
};

enum class GroupOutcome {
    Place,  // every member goes to its target
    Skip,  // Skip: a member's name is taken, the whole group stays
    Identical,  // Rename unless identical: the lead is already there, the whole group stays
    NoFreeName,  // no number up to kNumberedNameLimit is free for every member
};

struct GroupDecision {
    GroupOutcome outcome = GroupOutcome::Place;
    // Each member's target (Place), the names found taken (Skip) or already there (Identical);
    // the names wanted (NoFreeName).
    std::vector<std::string> targets;
    // Place: the member replaces the file at its target (Overwrite).
    std::vector<bool> replace;
    // Skip: the first member whose name is taken.
    std::size_t taken = 0;
};

// The group's names under the target-exists policy (a TargetExistsPolicy value; unknown values
// rename). Rename and Rename unless identical number the whole group with the first n from 1 to
// kNumberedNameLimit that is free for every member, the latter stopping at the first name whose
// file is the lead's own content; Skip leaves the group when any name is taken; Overwrite replaces
// files that were there before the run but numbers the group rather than replace a file the run
// placed.
GroupDecision DecideGroupNames(const std::string& folder, const std::string& leadName,
                               const std::vector<GroupMember>& members, TargetExistsPolicy policy,
                               GroupNameOracle& oracle);

// Decides the group's names and hands the decision to takeLead, which takes the lead's step (or
// none, where the decision places nothing) and returns true when that step was refused because
// another program took the lead's name after the decision. Then the group is decided again, with
// that file seen, at most plansAgain times; returns the decision takeLead last had.
GroupDecision DecideGroupForLead(const std::string& folder, const std::string& leadName,
                                 const std::vector<GroupMember>& members, TargetExistsPolicy policy,
                                 GroupNameOracle& oracle, int plansAgain,
                                 const std::function<bool(const GroupDecision&)>& takeLead);

// A companion whose name another program took after its photo was placed: the group's base name
// is the photo's now and cannot change.
enum class TakenCompanion {
    Replace,  // Overwrite: the file there is replaced and kept for undo, as one there before the run
    Stays,  // Skip and Rename unless identical: it stays, as with a name taken at the decision
    StaysUnnumbered,  // Rename: no number can be given to it alone, so it stays too
};

TakenCompanion CompanionNameTaken(TargetExistsPolicy policy);
