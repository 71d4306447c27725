#include <gtest/gtest.h>

#include "engine/ProtectedFolders.h"

namespace {

const std::vector<std::string> kFolders {"C:\\USERS\\ANNA\\DOCUMENTS", "C:\\USERS\\ANNA\\PICTURES\\"};

}  // namespace

TEST(ProtectedFolders, PathsInsideTheFoldersOrTheFoldersThemselves)
{
    EXPECT_TRUE(InProtectedFolder("C:\\USERS\\ANNA\\DOCUMENTS\\2020\\IMG_1.JPG", kFolders));
    EXPECT_TRUE(InProtectedFolder("C:\\USERS\\ANNA\\PICTURES\\SORTED\\2020", kFolders));
    EXPECT_TRUE(InProtectedFolder("C:\\USERS\\ANNA\\DOCUMENTS", kFolders));
    EXPECT_TRUE(InProtectedFolder("C:\\USERS\\ANNA\\PICTURES", kFolders));
}

TEST(ProtectedFolders, ANameThatOnlyBeginsLikeAFolderIsOutside)
{
    EXPECT_FALSE(InProtectedFolder("C:\\USERS\\ANNA\\DOCUMENTS2\\IMG_1.JPG", kFolders));
    EXPECT_FALSE(InProtectedFolder("C:\\USERS\\ANNA\\PICTURESQUE", kFolders));
    EXPECT_FALSE(InProtectedFolder("D:\\SORTED\\IMG_1.JPG", kFolders));
    EXPECT_FALSE(InProtectedFolder("C:\\USERS\\ANNA", kFolders));
}

TEST(ProtectedFolders, AnUnknownFolderProtectsNothing)
{
    // A known folder the system could not name comes as "": it must not match every path.
    EXPECT_FALSE(InProtectedFolder("C:\\PHOTOS\\IMG_1.JPG", {"", "\\"}));
    EXPECT_FALSE(InProtectedFolder("C:\\PHOTOS\\IMG_1.JPG", {}));
    EXPECT_FALSE(InProtectedFolder("\\\\SERVER\\PHOTOS\\IMG_1.JPG", {""}));
}

TEST(ProtectedFolders, OnlyACreateRefusedWithAccessDeniedInAProtectedFolderGetsTheHint)
{
    const std::string inside = "C:\\USERS\\ANNA\\PICTURES\\2020\\IMG_1.JPG";
    EXPECT_TRUE(MayBeControlledFolderAccess(5, true, inside, kFolders));
    // A replace is refused alike for a read-only target.
    EXPECT_FALSE(MayBeControlledFolderAccess(5, false, inside, kFolders));
    // Sharing violation, full disk, missing path: causes of their own.
    EXPECT_FALSE(MayBeControlledFolderAccess(32, true, inside, kFolders));
    EXPECT_FALSE(MayBeControlledFolderAccess(112, true, inside, kFolders));
    EXPECT_FALSE(MayBeControlledFolderAccess(3, true, inside, kFolders));
    EXPECT_FALSE(MayBeControlledFolderAccess(5, true, "E:\\SORTED\\IMG_1.JPG", kFolders));
}
