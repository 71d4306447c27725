// The names a photo and its companions take together, under each target-exists policy.
#include "engine/GroupNames.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/OrganizeOptions.h"
#include "engine/TargetExists.h"

namespace {

const std::string kFolder = "C:\\out\\2012\\";

std::uint32_t Policy(TargetExistsPolicy policy)
{
    return static_cast<std::uint32_t>(policy);
}

// A folder as a map of names: whatever is not listed is free, unless rule says otherwise.
class FakeFolder : public GroupNameOracle {
public:
    std::map<std::string, NameUse> uses;
    std::set<std::string> sameAsLead;  // names holding the lead's bytes
    std::function<NameUse(const std::string&)> rule;
    std::vector<std::string> compared;
    std::size_t asked = 0;

    void Put(const std::string& name, NameUse use = NameUse::Existing) { uses[kFolder + name] = use; }

    NameUse Use(const std::string& target) override
    {
        ++asked;
        const auto found = uses.find(target);
        if (found != uses.end())
            return found->second;
        return rule ? rule(target) : NameUse::Free;
    }

    bool Identical(std::size_t member, const std::string& target) override
    {
        compared.push_back(target);
        return member == 0 && sameAsLead.count(target) != 0;
    }
};

// IMG_0001.JPG with IMG_0001.XMP.
const std::vector<GroupMember> kPhotoAndSidecar {
        {"IMG_0001.JPG", -1, CompanionKind::None},
        {"IMG_0001.XMP", 0, CompanionKind::Sidecar},
};

std::vector<std::string> In(const std::vector<std::string>& names)
{
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(kFolder + name);
    return paths;
}

}  // namespace

TEST(GroupNames, EveryMemberIsNamedAfterTheMemberItFollows)
{
    // A RAW+JPEG pair whose raw has its own sidecars, a Live Photo video and a full-name sidecar.
    const std::vector<GroupMember> members {
            {"IMG_7.JPG", -1, CompanionKind::None},
            {"IMG_7.dng", 0, CompanionKind::Partner},
            {"IMG_7.dng.xmp", 1, CompanionKind::FullNameSidecar},
            {"IMG_7.MOV", 0, CompanionKind::LiveVideo},
            {"IMG_7.JPG.json", 0, CompanionKind::FullNameSidecar},
            {"IMG_7.aae", 1, CompanionKind::Sidecar},
    };
    EXPECT_EQ(GroupTargets(kFolder, "2012-01-27.JPG", members, 0),
              In({"2012-01-27.JPG", "2012-01-27.dng", "2012-01-27.dng.xmp", "2012-01-27.MOV",
                  "2012-01-27.JPG.json", "2012-01-27.aae"}));
    EXPECT_EQ(GroupTargets(kFolder, "2012-01-27.JPG", members, 12),
              In({"2012-01-27_12.JPG", "2012-01-27_12.dng", "2012-01-27_12.dng.xmp", "2012-01-27_12.MOV",
                  "2012-01-27_12.JPG.json", "2012-01-27_12.aae"}));
}

TEST(GroupNames, NumberedNamesKeepTheExtension)
{
    EXPECT_EQ(NumberedName("IMG.JPG", 3), "IMG_3.JPG");
    EXPECT_EQ(NumberedName("C:\\a.b\\IMG", 10000), "C:\\a.b\\IMG_10000");
    EXPECT_EQ(NumberedName("IMG.tar.gz", 1), "IMG.tar_1.gz");
}

TEST(GroupNames, FreeNamesArePlacedAsWantedUnderEveryPolicy)
{
    for (const auto policy : {TargetExistsPolicy::RenameAutomatically, TargetExistsPolicy::Overwrite,
                              TargetExistsPolicy::Skip, TargetExistsPolicy::RenameUnlessIdentical}) {
        SCOPED_TRACE(Policy(policy));
        FakeFolder folder;
        // A free name is not compared with anything, even where the oracle would say identical.
        folder.sameAsLead.insert(kFolder + "IMG_0001.JPG");
        const GroupDecision decision =
                DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar, policy, folder);
        EXPECT_EQ(decision.outcome, GroupOutcome::Place);
        EXPECT_EQ(decision.targets, In({"IMG_0001.JPG", "IMG_0001.XMP"}));
        EXPECT_EQ(decision.replace, (std::vector<bool> {false, false}));
        EXPECT_TRUE(folder.compared.empty());
    }
}

TEST(GroupNames, RenameNumbersTheWholeGroupForAClashOnAnyMember)
{
    for (const std::string taken : {"IMG_0001.JPG", "IMG_0001.XMP"}) {
        SCOPED_TRACE(taken);
        FakeFolder folder;
        folder.Put(taken);
        // _1 is taken for the other member only: the group moves on to _2.
        folder.Put(taken == "IMG_0001.JPG" ? "IMG_0001_1.XMP" : "IMG_0001_1.JPG", NameUse::PlacedByRun);
        const GroupDecision decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                                                        TargetExistsPolicy::RenameAutomatically, folder);
        EXPECT_EQ(decision.outcome, GroupOutcome::Place);
        EXPECT_EQ(decision.targets, In({"IMG_0001_2.JPG", "IMG_0001_2.XMP"}));
        EXPECT_EQ(decision.replace, (std::vector<bool> {false, false}));
    }
}

TEST(GroupNames, AnUnknownPolicyRenames)
{
    FakeFolder folder;
    folder.Put("IMG_0001.XMP");
    const GroupDecision decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                                                    static_cast<TargetExistsPolicy>(0), folder);
    EXPECT_EQ(decision.outcome, GroupOutcome::Place);
    EXPECT_EQ(decision.targets, In({"IMG_0001_1.JPG", "IMG_0001_1.XMP"}));
}

TEST(GroupNames, SkipLeavesTheWholeGroupAndNamesTheTakenMember)
{
    for (const std::size_t taken : {std::size_t {0}, std::size_t {1}}) {
        SCOPED_TRACE(taken);
        FakeFolder folder;
        folder.Put(taken == 0 ? "IMG_0001.JPG" : "IMG_0001.XMP",
                   taken == 0 ? NameUse::Existing : NameUse::PlacedByRun);
        const GroupDecision decision =
                DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar, TargetExistsPolicy::Skip, folder);
        EXPECT_EQ(decision.outcome, GroupOutcome::Skip);
        EXPECT_EQ(decision.taken, taken);
        EXPECT_EQ(decision.targets, In({"IMG_0001.JPG", "IMG_0001.XMP"}));
    }
}

TEST(GroupNames, OverwriteReplacesOnlyWhatWasThereBeforeTheRun)
{
    FakeFolder folder;
    folder.Put("IMG_0001.XMP");
    GroupDecision decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                                              TargetExistsPolicy::Overwrite, folder);
    EXPECT_EQ(decision.outcome, GroupOutcome::Place);
    EXPECT_EQ(decision.targets, In({"IMG_0001.JPG", "IMG_0001.XMP"}));
    EXPECT_EQ(decision.replace, (std::vector<bool> {false, true}));

    folder.Put("IMG_0001.JPG");
    decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar, TargetExistsPolicy::Overwrite,
                                folder);
    EXPECT_EQ(decision.replace, (std::vector<bool> {true, true}));
}

TEST(GroupNames, OverwriteNumbersAGroupWhoseNameThisRunPlaced)
{
    // The run placed another photo's sidecar under the name (the photo's own name was there
    // before); under _1 an older file is in the way, which numbering never replaces.
    for (const std::string placed : {"IMG_0001.JPG", "IMG_0001.XMP"}) {
        SCOPED_TRACE(placed);
        FakeFolder folder;
        folder.Put("IMG_0001.JPG");
        folder.Put(placed, NameUse::PlacedByRun);
        folder.Put("IMG_0001_1.XMP");
        const GroupDecision decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                                                        TargetExistsPolicy::Overwrite, folder);
        EXPECT_EQ(decision.outcome, GroupOutcome::Place);
        EXPECT_EQ(decision.targets, In({"IMG_0001_2.JPG", "IMG_0001_2.XMP"}));
        EXPECT_EQ(decision.replace, (std::vector<bool> {false, false}));
    }
}

TEST(GroupNames, RenameUnlessIdenticalStopsWhereTheLeadIsAlreadyThere)
{
    FakeFolder folder;
    folder.Put("IMG_0001.JPG");
    folder.Put("IMG_0001_1.JPG");
    folder.sameAsLead.insert(kFolder + "IMG_0001_1.JPG");
    GroupDecision decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                                              TargetExistsPolicy::RenameUnlessIdentical, folder);
    EXPECT_EQ(decision.outcome, GroupOutcome::Identical);
    EXPECT_EQ(decision.targets, In({"IMG_0001_1.JPG", "IMG_0001_1.XMP"}));
    EXPECT_EQ(folder.compared, In({"IMG_0001.JPG", "IMG_0001_1.JPG"}));

    // Identical at the unnumbered name.
    folder.sameAsLead.insert(kFolder + "IMG_0001.JPG");
    decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                                TargetExistsPolicy::RenameUnlessIdentical, folder);
    EXPECT_EQ(decision.outcome, GroupOutcome::Identical);
    EXPECT_EQ(decision.targets, In({"IMG_0001.JPG", "IMG_0001.XMP"}));
}

TEST(GroupNames, RenameUnlessIdenticalNumbersAGroupWhoseLeadDiffers)
{
    // Only a companion's name is taken; the lead's name is free and compared with nothing.
    FakeFolder folder;
    folder.Put("IMG_0001.XMP");
    GroupDecision decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                                              TargetExistsPolicy::RenameUnlessIdentical, folder);
    EXPECT_EQ(decision.outcome, GroupOutcome::Place);
    EXPECT_EQ(decision.targets, In({"IMG_0001_1.JPG", "IMG_0001_1.XMP"}));
    EXPECT_TRUE(folder.compared.empty());

    // A different photo under the lead's name.
    folder.Put("IMG_0001.JPG");
    decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                                TargetExistsPolicy::RenameUnlessIdentical, folder);
    EXPECT_EQ(decision.outcome, GroupOutcome::Place);
    EXPECT_EQ(decision.targets, In({"IMG_0001_1.JPG", "IMG_0001_1.XMP"}));
    EXPECT_EQ(folder.compared, In({"IMG_0001.JPG"}));
}

TEST(GroupNames, NumberingStopsAfterTheLimit)
{
    const std::string last = kFolder + "IMG_0001_" + std::to_string(kNumberedNameLimit) + ".XMP";
    for (const auto policy : {TargetExistsPolicy::RenameAutomatically, TargetExistsPolicy::Overwrite,
                              TargetExistsPolicy::RenameUnlessIdentical}) {
        SCOPED_TRACE(Policy(policy));
        FakeFolder folder;
        folder.Put("IMG_0001.JPG", NameUse::PlacedByRun);
        // Every sidecar name is taken but the last numbered one.
        folder.rule = [&last](const std::string& target) {
            return target.size() > 4 && target.substr(target.size() - 4) == ".XMP" && target != last
                           ? NameUse::Existing
                           : NameUse::Free;
        };
        GroupDecision decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar, policy, folder);
        EXPECT_EQ(decision.outcome, GroupOutcome::Place);
        ASSERT_EQ(decision.targets.size(), 2u);
        EXPECT_EQ(decision.targets[1], last);

        folder.uses[last] = NameUse::Existing;
        folder.asked = 0;
        decision = DecideGroupNames(kFolder, "IMG_0001.JPG", kPhotoAndSidecar, policy, folder);
        EXPECT_EQ(decision.outcome, GroupOutcome::NoFreeName);
        EXPECT_EQ(decision.targets, In({"IMG_0001.JPG", "IMG_0001.XMP"}));
        // Both names of every number up to the limit, and the unnumbered ones, no more.
        EXPECT_LE(folder.asked, 2u * (kNumberedNameLimit + 1));
    }
}

// Each time the lead's step finds its name taken the group is decided again, seeing that name
// taken now; a decision that places nothing ends it, and so does the last plan allowed.
TEST(GroupNames, ALeadWhoseNameIsTakenMeanwhileIsDecidedAgainAsOftenAsAllowed)
{
    FakeFolder folder;
    std::vector<std::string> tried;
    const auto takeEveryName = [&](const GroupDecision& decision) {
        tried.push_back(decision.targets[0]);
        folder.uses[decision.targets[0]] = NameUse::Existing;
        return decision.outcome == GroupOutcome::Place;
    };
    GroupDecision decision =
            DecideGroupForLead(kFolder, "IMG_0001.JPG", kPhotoAndSidecar,
                               TargetExistsPolicy::RenameAutomatically, folder, 3, takeEveryName);
    EXPECT_EQ(tried, In({"IMG_0001.JPG", "IMG_0001_1.JPG", "IMG_0001_2.JPG", "IMG_0001_3.JPG"}));
    EXPECT_EQ(decision.targets, In({"IMG_0001_3.JPG", "IMG_0001_3.XMP"}));

    // Skip: the second decision skips the group, and its step places nothing.
    tried.clear();
    folder.uses.clear();
    decision = DecideGroupForLead(kFolder, "IMG_0001.JPG", kPhotoAndSidecar, TargetExistsPolicy::Skip, folder,
                                  8, takeEveryName);
    EXPECT_EQ(tried, In({"IMG_0001.JPG", "IMG_0001.JPG"}));
    EXPECT_EQ(decision.outcome, GroupOutcome::Skip);

    // Overwrite replaces the file that took the name the second time round.
    folder.uses.clear();
    std::vector<bool> replaced;
    decision = DecideGroupForLead(kFolder, "IMG_0001.JPG", kPhotoAndSidecar, TargetExistsPolicy::Overwrite,
                                  folder, 8, [&](const GroupDecision& step) {
                                      replaced.push_back(step.replace[0]);
                                      const bool free = folder.Use(step.targets[0]) == NameUse::Free;
                                      folder.uses[step.targets[0]] = NameUse::Existing;
                                      return free;
                                  });
    EXPECT_EQ(replaced, (std::vector<bool> {false, true}));
    EXPECT_EQ(decision.targets, In({"IMG_0001.JPG", "IMG_0001.XMP"}));
}

// Unknown policy values rename, and so a companion whose name was taken after its photo was
// placed stays as under Rename.
TEST(GroupNames, ACompanionsNameTakenAfterItsPhotoIsReplacedOnlyUnderOverwrite)
{
    EXPECT_EQ(CompanionNameTaken(TargetExistsPolicy::Overwrite), TakenCompanion::Replace);
    EXPECT_EQ(CompanionNameTaken(TargetExistsPolicy::Skip), TakenCompanion::Stays);
    EXPECT_EQ(CompanionNameTaken(TargetExistsPolicy::RenameUnlessIdentical), TakenCompanion::Stays);
    EXPECT_EQ(CompanionNameTaken(TargetExistsPolicy::RenameAutomatically), TakenCompanion::StaysUnnumbered);
    EXPECT_EQ(CompanionNameTaken(static_cast<TargetExistsPolicy>(47)), TakenCompanion::StaysUnnumbered);
}
