#include <gtest/gtest.h>

#include <string>

#include "base/PathText.h"

TEST(WithBackslash, AddsOneOnlyWhereNoneEndsTheFolder)
{
    EXPECT_EQ(WithBackslash("D:\\Out"), "D:\\Out\\");
    EXPECT_EQ(WithBackslash("D:\\Out\\"), "D:\\Out\\");
    EXPECT_EQ(WithBackslash("D:"), "D:\\");
    EXPECT_EQ(WithBackslash("\\\\server\\share"), "\\\\server\\share\\");
    EXPECT_EQ(WithBackslash(""), "");
}

TEST(FileNameOf, TakesThePartAfterTheLastBackslash)
{
    EXPECT_EQ(FileNameOf("C:\\Pics\\2012\\IMG_0001.JPG"), "IMG_0001.JPG");
    EXPECT_EQ(FileNameOf("\\\\server\\share\\a.b.jpg"), "a.b.jpg");
}

TEST(FileNameOf, WithoutBackslashIsTheWholePath)
{
    EXPECT_EQ(FileNameOf("IMG_0001.JPG"), "IMG_0001.JPG");
    EXPECT_EQ(FileNameOf("C:/Pics/IMG.JPG"), "C:/Pics/IMG.JPG");
    EXPECT_EQ(FileNameOf(""), "");
}

TEST(FileNameOf, OfAFolderEndingInABackslashIsEmpty)
{
    EXPECT_EQ(FileNameOf("C:\\Pics\\"), "");
}

TEST(FolderOf, KeepsTheTrailingBackslash)
{
    std::string folder;
    ASSERT_TRUE(FolderOf("C:\\Pics\\2012\\IMG_0001.JPG", folder));
    EXPECT_EQ(folder, "C:\\Pics\\2012\\");
    ASSERT_TRUE(FolderOf("\\name", folder));
    EXPECT_EQ(folder, "\\");
    ASSERT_TRUE(FolderOf("C:\\Pics\\", folder));
    EXPECT_EQ(folder, "C:\\Pics\\");
}

TEST(FolderOf, FailsWithoutBackslashAndLeavesTheOutputAlone)
{
    std::string folder = "unchanged";
    EXPECT_FALSE(FolderOf("IMG_0001.JPG", folder));
    EXPECT_FALSE(FolderOf("", folder));
    EXPECT_EQ(folder, "unchanged");
}

// A folder of the longest path the run takes, written in bytes of UTF-8.
TEST(FolderOf, AcceptsAFolderPartOfTheLongestLength)
{
    const std::string folderPart = "C:\\" + std::string(kMaxFolderOfLength - 4, 'a') + "\\";
    ASSERT_EQ(folderPart.size(), kMaxFolderOfLength);
    std::string folder;
    ASSERT_TRUE(FolderOf(folderPart + "x.jpg", folder));
    EXPECT_EQ(folder, folderPart);
}

TEST(FolderOf, RefusesALongerFolderPartInsteadOfShorteningIt)
{
    const std::string folderPart = "C:\\" + std::string(kMaxFolderOfLength - 3, 'a') + "\\";
    ASSERT_EQ(folderPart.size(), kMaxFolderOfLength + 1);
    std::string folder = "unchanged";
    EXPECT_FALSE(FolderOf(folderPart + "x.jpg", folder));
    EXPECT_EQ(folder, "unchanged");
}

TEST(ExtensionOf, IsTheTextFromTheLastDotOfTheFileName)
{
    EXPECT_EQ(ExtensionOf("C:\\p\\a.b.jpg"), ".jpg");
    EXPECT_EQ(ExtensionOf("a.b.jpg"), ".jpg");
    EXPECT_EQ(ExtensionOf("C:\\p\\IMG.JPEG"), ".JPEG");
}

TEST(ExtensionOf, OfANameEndingInADotIsTheDotAlone)
{
    EXPECT_EQ(ExtensionOf("C:\\p\\pic."), ".");
}

TEST(ExtensionOf, IsNoneWhenOnlyAFolderHasADot)
{
    EXPECT_EQ(ExtensionOf("C:\\x.y\\photo"), std::nullopt);
    EXPECT_EQ(ExtensionOf("C:\\x.y\\"), std::nullopt);
    EXPECT_EQ(ExtensionOf("README"), std::nullopt);
    EXPECT_EQ(ExtensionOf(""), std::nullopt);
}

TEST(ExtensionOf, OfAHiddenStyleNameIsTheWholeName)
{
    EXPECT_EQ(ExtensionOf("C:\\p\\.profile"), ".profile");
}

TEST(FirstFolderSeparator, StartsBelowADriveOrAShare)
{
    EXPECT_EQ(FirstFolderSeparator("C:\\Pics\\2012\\"), 2u);
    EXPECT_EQ(FirstFolderSeparator("\\\\nas\\photos\\2012\\01\\"), 12u);
    EXPECT_EQ(FirstFolderSeparator("\\\\nas\\photos\\"), 12u);
    EXPECT_EQ(FirstFolderSeparator("\\\\nas\\photos"), 12u);  // the bare share: its length
    EXPECT_EQ(FirstFolderSeparator("relative\\a"), 8u);
    EXPECT_EQ(FirstFolderSeparator("\\rooted"), 0u);  // an empty first component, refused later
    EXPECT_EQ(FirstFolderSeparator("name"), std::string::npos);
    // Network paths without a server or a share name cannot be walked.
    EXPECT_EQ(FirstFolderSeparator("\\\\"), std::string::npos);
    EXPECT_EQ(FirstFolderSeparator("\\\\nas"), std::string::npos);
    EXPECT_EQ(FirstFolderSeparator("\\\\nas\\"), std::string::npos);
    EXPECT_EQ(FirstFolderSeparator("\\\\nas\\\\x"), std::string::npos);
    EXPECT_EQ(FirstFolderSeparator("\\\\\\share\\x"), std::string::npos);
    EXPECT_TRUE(IsNetworkPath("\\\\nas\\photos"));
    EXPECT_FALSE(IsNetworkPath("\\nas\\photos"));
    EXPECT_FALSE(IsNetworkPath("C:\\"));
}
