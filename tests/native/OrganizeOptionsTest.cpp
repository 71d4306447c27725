#include <gtest/gtest.h>

#include <string>

#include "engine/OrganizeOptions.h"

TEST(OrganizeOptions, DefaultsFollowTheDocumentsFolder)
{
    OrganizeOptions options;
    options.Mode = OrganizeMode::Extension;
    options.MonthFolderFormat.append("x");
    options.WndPosition.right = 7;
    options.SetDefaults("C:\\Users\\me\\Documents");
    EXPECT_EQ(options.OutputFolderType, 0u);
    EXPECT_EQ(options.CustomTargetFolder, "");
    EXPECT_EQ(options.Mode, OrganizeMode::Taken);
    EXPECT_EQ(options.CreateYearFolder, 1u);
    EXPECT_EQ(options.CreateMonthFolder, 1u);
    EXPECT_EQ(options.MonthFolderFormat, "%Y_%M");
    EXPECT_EQ(options.CreateDayFolder, 1u);
    EXPECT_EQ(options.DayFolderFormat, "%Y_%M_%D");
    EXPECT_EQ(options.RenameTargetFileName, 0u);
    EXPECT_EQ(options.TargetFilenameFormat, "%Y-%M-%D %H_%I_%S %N");
    EXPECT_EQ(options.Folder, "");
    EXPECT_EQ(options.LastAddFileDir, "C:\\Users\\me\\Documents");
    EXPECT_EQ(options.EnableExtFilter, 0u);
    EXPECT_EQ(options.AllowExts, "");
    EXPECT_EQ(options.TargetExistsOpt, TargetExistsPolicy::RenameAutomatically);
    EXPECT_EQ(options.SaveToLog, 0u);
    EXPECT_EQ(options.LogFile, "C:\\Users\\me\\Documents\\Quillmere\\logs.txt");
    EXPECT_EQ(options.AddFilesInSubfolder, 1u);
    EXPECT_EQ(options.WndMaximized, 1u);
    EXPECT_EQ(options.WndPosition.left, 0);
    EXPECT_EQ(options.WndPosition.top, 0);
    EXPECT_EQ(options.WndPosition.right, 0);
    EXPECT_EQ(options.WndPosition.bottom, 0);
    EXPECT_EQ(options.OpenDlg_FilterIndex, 1u);
    EXPECT_EQ(options.ColWidth_Source, 260u);
    EXPECT_EQ(options.ColWidth_Target, 300u);
    EXPECT_EQ(options.ColWidth_Result, 160u);
}

TEST(OrganizeOptions, DocumentsFolderWithTrailingBackslashGetsNoSecondOne)
{
    OrganizeOptions options;
    options.SetDefaults("D:\\");
    EXPECT_EQ(options.LastAddFileDir, "D:\\");
    EXPECT_EQ(options.LogFile, "D:\\Quillmere\\logs.txt");
}

TEST(OrganizeOptions, WithoutDocumentsFolderBothPathsAreEmpty)
{
    OrganizeOptions options;
    options.LogFile = "old";
    options.LastAddFileDir = "old";
    options.SetDefaults("");
    EXPECT_EQ(options.LastAddFileDir, "");
    EXPECT_EQ(options.LogFile, "");
}

TEST(OrganizeMode, ComboOrderValuesAndTexts)
{
    const std::uint32_t values[] = {100, 600, 700, 800, 200, 300, 400, 500, 900};
    ASSERT_EQ(kOrganizeModes.size(), std::size(values));
    for (std::size_t i = 0; i < kOrganizeModes.size(); ++i)
        EXPECT_EQ(static_cast<std::uint32_t>(kOrganizeModes[i].value), values[i]) << i;
    EXPECT_STREQ(kOrganizeModes[0].windowText, "By Date Picture Taken");
    EXPECT_STREQ(kOrganizeModes[1].windowText, "By Date Picture Taken, if not available, By Date Modified");
    EXPECT_STREQ(kOrganizeModes[3].windowText, "By Date Picture Taken, if not available, By Date Accessed");
    EXPECT_STREQ(kOrganizeModes[6].windowText, "By Date Accessed");
    EXPECT_STREQ(kOrganizeModes[7].windowText, "By File Extension");
    EXPECT_STREQ(kOrganizeModes[8].windowText, "By Orientation Picture Taken");
}

TEST(TargetExistsPolicy, ValuesAndTexts)
{
    ASSERT_EQ(kTargetExistsPolicies.size(), 4u);
    EXPECT_EQ(static_cast<std::uint32_t>(kTargetExistsPolicies[0].value), 11u);
    EXPECT_STREQ(kTargetExistsPolicies[0].text, "Rename automatically (add number at end of file name)");
    EXPECT_EQ(static_cast<std::uint32_t>(kTargetExistsPolicies[1].value), 22u);
    EXPECT_STREQ(kTargetExistsPolicies[1].text, "Overwrite");
    EXPECT_EQ(static_cast<std::uint32_t>(kTargetExistsPolicies[2].value), 33u);
    EXPECT_STREQ(kTargetExistsPolicies[2].text, "Skip");
    EXPECT_EQ(static_cast<std::uint32_t>(kTargetExistsPolicies[3].value), 44u);
    EXPECT_STREQ(kTargetExistsPolicies[3].text, "Rename unless identical");
}

TEST(IsDateMode, SevenDateModesOnly)
{
    for (std::uint32_t mode : {100u, 200u, 300u, 400u, 600u, 700u, 800u})
        EXPECT_TRUE(IsDateMode(static_cast<OrganizeMode>(mode))) << mode;
    for (std::uint32_t mode : {500u, 900u, 0u, 101u, 1000u, 0xFFFFFFFFu})
        EXPECT_FALSE(IsDateMode(static_cast<OrganizeMode>(mode))) << mode;
}
