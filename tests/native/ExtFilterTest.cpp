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
    // Entries written with a dot or a star stand for the bare extension; an empty list takes nothing.
    EXPECT_TRUE(PassesExtFilter(1, BuildAllowedExts(1, ".jpg"), "C:\\a.jpg"));
    EXPECT_TRUE(PassesExtFilter(1, BuildAllowedExts(1, "*.JPG"), "C:\\a.jpg"));
    EXPECT_FALSE(PassesExtFilter(1, BuildAllowedExts(1, "*.*"), "C:\\a.jpg"));
    EXPECT_FALSE(PassesExtFilter(1, {}, "C:\\a.jpg"));
    EXPECT_TRUE(PassesExtFilter(0, {}, "C:\\README"));
}

TEST(ExtFilter, WildcardAndDotFormsBecomeTheBareExtension)
{
    std::string normalized, bad;
    ASSERT_TRUE(NormalizeExtensionList("*.jpg; .NEF,png", normalized, bad));
    EXPECT_EQ(normalized, "jpg; NEF,png");
    // The three forms of one entry filter alike once stored.
    EXPECT_EQ(BuildAllowedExts(1, normalized), (std::vector<std::string> {"jpg", "nef", "png"}));
    ASSERT_TRUE(NormalizeExtensionList("jpg,jpe,jpeg", normalized, bad));
    EXPECT_EQ(normalized, "jpg,jpe,jpeg");
    ASSERT_TRUE(NormalizeExtensionList("  ", normalized, bad));
    EXPECT_EQ(normalized, "  ");
}

TEST(ExtFilter, EntriesThatAreNoExtensionAreNamed)
{
    for (const char* entry : {"*.*", "*", ".", "*.", "tar.gz", "*.jp?", "a\\b", "c:x", "x|y", "**.jpg"}) {
        std::string normalized = "unchanged", bad;
        EXPECT_FALSE(NormalizeExtensionList(std::string("jpg; ") + entry + ", png", normalized, bad))
                << entry;
        EXPECT_EQ(bad, entry);
        EXPECT_EQ(normalized, "unchanged");
    }
}
