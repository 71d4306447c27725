// The numbered names tried beside a taken target, on a file system whose answers the test sets:
// no need for ten thousand real files to reach the last name.
#include "engine/TargetExists.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

constexpr TargetExistsPolicy kRename = TargetExistsPolicy::RenameAutomatically;
constexpr TargetExistsPolicy kRenameUnlessIdentical = TargetExistsPolicy::RenameUnlessIdentical;
const std::string kSource = "C:\\in\\a.jpg";
const std::string kTarget = "C:\\out\\a.jpg";

// Every name exists except those listed as free; only those listed as identical hold the
// source's bytes. Remembers the last name asked about, to show where the search stopped.
class NamesTaken : public RunFileSystem {
public:
    std::set<std::string> free;
    std::set<std::string> identical;
    std::string lastAsked;
    unsigned asked = 0;

    bool Exists(const std::string& path) override
    {
        lastAsked = path;
        ++asked;
        return free.count(path) == 0;
    }
    bool SameContent(const std::string& a, const std::string& b) override
    {
        EXPECT_EQ(a, kSource);
        return identical.count(b) != 0;
    }
    // Finding a name changes nothing on the drive.
    Status EnsureFolder(const std::string&) override
    {
        Unexpected();
        return FileFailure(FileError::kAccessDenied);
    }
    TransferResult Transfer(const std::string&, const std::string&, bool) override
    {
        Unexpected();
        return TransferEnded(TransferOutcome::Failed, FileError::kAccessDenied);
    }
    TransferResult Replace(const std::string&, const std::string&, bool) override
    {
        Unexpected();
        return TransferEnded(TransferOutcome::Failed, FileError::kAccessDenied);
    }
    bool SameFile(const std::string&, const std::string&) override { return Unexpected(); }

private:
    static bool Unexpected()
    {
        ADD_FAILURE() << "the name search touched the drive";
        return false;
    }
};

}  // namespace

TEST(TargetExists, TheTenThousandthNumberedNameIsStillTried)
{
    for (const TargetExistsPolicy policy : {kRename, kRenameUnlessIdentical}) {
        SCOPED_TRACE(static_cast<unsigned>(policy));
        NamesTaken fs;
        fs.free = {"C:\\out\\a_10000.jpg"};
        std::string target = kTarget;
        EXPECT_EQ(ResolveExistingTarget(fs, kSource, policy, target), ExistingTarget::Free);
        EXPECT_EQ(target, "C:\\out\\a_10000.jpg");
    }
}

TEST(TargetExists, AnIdenticalFileUnderTheTenThousandthNameIsFound)
{
    NamesTaken fs;
    fs.identical = {"C:\\out\\a_10000.jpg"};
    std::string target = kTarget;
    EXPECT_EQ(ResolveExistingTarget(fs, kSource, kRenameUnlessIdentical, target), ExistingTarget::Identical);
    EXPECT_EQ(target, "C:\\out\\a_10000.jpg");
}

TEST(TargetExists, ANameThatAlwaysExistsEndsTheSearchAfterTheTenThousandthNumber)
{
    for (const TargetExistsPolicy policy : {kRename, kRenameUnlessIdentical}) {
        SCOPED_TRACE(static_cast<unsigned>(policy));
        NamesTaken fs;
        std::string target = kTarget;
        EXPECT_EQ(ResolveExistingTarget(fs, kSource, policy, target), ExistingTarget::NoFreeName);
        EXPECT_EQ(target, kTarget);
        EXPECT_EQ(fs.lastAsked, "C:\\out\\a_10000.jpg");
        EXPECT_EQ(fs.asked, 10000u);
    }
}
