// The extension filter of folder scans and drops.
#include <gtest/gtest.h>

#include "engine/ExtFilter.h"

TEST(ExtFilter, ListIsCleanedLowerCasedAndSplitAtCommasAndSemicolons)
{
    EXPECT_EQ(BuildAllowedExts(1, "JPG; jpeg"), (std::vector<std::string> {"jpg", "jpeg"}));
    EXPECT_EQ(BuildAllowedExts(1, ",jpg,,tif,"), (std::vector<std::string> {"jpg", "tif"}));
    EXPECT_EQ(BuildAllowedExts(1, "\tc r2 ;nef;nef"), (std::vector<std::string> {"cr2", "nef", "nef"}));
    EXPECT_TRUE(BuildAllowedExts(0, "jpg").empty());
    EXPECT_TRUE(BuildAllowedExts(1, " ;, ").empty());
}

TEST(ExtFilter, MatchesTheLastExtensionOfTheFileNameOnly)
{
    const auto exts = BuildAllowedExts(1, "JPG; jpeg");
    EXPECT_TRUE(PassesExtFilter(1, exts, "C:\\p\\x.jpg"));
    EXPECT_TRUE(PassesExtFilter(1, exts, "C:\\p\\y.JPEG"));
    EXPECT_TRUE(PassesExtFilter(1, exts, "C:\\p\\z.Jpg"));
    EXPECT_FALSE(PassesExtFilter(1, exts, "C:\\p\\w.png"));
    EXPECT_FALSE(PassesExtFilter(1, exts, "C:\\p\\README"));
    EXPECT_FALSE(PassesExtFilter(1, exts, "C:\\p.jpg\\README"));
    EXPECT_FALSE(PassesExtFilter(1, exts, "C:\\p\\a.jpg.bak"));
    // Entries written with a dot or a star never match; an empty list takes nothing.
    EXPECT_FALSE(PassesExtFilter(1, BuildAllowedExts(1, ".jpg,*.jpg"), "C:\\a.jpg"));
    EXPECT_FALSE(PassesExtFilter(1, {}, "C:\\a.jpg"));
    EXPECT_TRUE(PassesExtFilter(0, {}, "C:\\README"));
}
