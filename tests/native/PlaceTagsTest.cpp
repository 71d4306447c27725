// The place tags %C %R %T in each template, the example line, and place names as untrusted data.
#include <gtest/gtest.h>

#include <string>

#include "engine/ModeFolder.h"
#include "engine/NameTemplate.h"
#include "engine/SafePath.h"
#include "engine/TemplateCheck.h"

namespace {

const PlaceNames kKrakow {"Poland", "Lesser Poland", "Kraków", ""};

OrganizeOptions Defaults()
{
    OrganizeOptions options;
    options.SetDefaults("C:\\Users\\me\\Documents");
    return options;
}

TEST(PlaceTags, EachTemplateTakesAllThree)
{
    EXPECT_EQ(ExpandMonthTemplate("%Y-%M %T, %R, %C", 2019, 7, kKrakow),
              "2019-07 Kraków, Lesser Poland, Poland");
    EXPECT_EQ(ExpandDayTemplate("%Y-%M-%D %T", 2019, 7, 14, kKrakow), "2019-07-14 Kraków");
    EXPECT_EQ(ExpandDayTemplate("%C %R", 2019, 7, 14, kKrakow), "Poland Lesser Poland");
    EXPECT_EQ(ExpandFileNameTemplate("%T, %C %N", 2019, 7, 14, 9, 5, 0, "IMG_0042", kKrakow),
              "Kraków, Poland IMG_0042");
    EXPECT_EQ(ExpandFileNameTemplate("%R", 2019, 7, 14, 9, 5, 0, "IMG_0042", kKrakow), "Lesser Poland");
}

TEST(PlaceTags, AnUnknownPlaceIsOneFolderForEveryTag)
{
    EXPECT_EQ(ExpandMonthTemplate("%T", 2019, 7), "Unknown place");
    EXPECT_EQ(ExpandDayTemplate("%C|%R|%T", 2019, 7, 1, PlaceNames {}),
              "Unknown place|Unknown place|Unknown place");
    EXPECT_EQ(ExpandFileNameTemplate("%C %N", 2019, 7, 14, 9, 5, 0, "a", {}), "Unknown place a");
}

TEST(PlaceTags, FoldersAndNamesOfARun)
{
    OrganizeOptions options = Defaults();
    options.CreateYearFolder = 0;
    options.CreateMonthFolder = 0;
    options.DayFolderFormat = "%Y-%M-%D %T";
    options.RenameTargetFileName = 1;
    options.TargetFilenameFormat = "%T, %C %N";
    const DateTime date {2019, 7, 14, 9, 5, 0};
    EXPECT_EQ(BuildSubfolderPath(options, date, kKrakow), "2019-07-14 Kraków\\");
    EXPECT_EQ(BuildTargetName(options, "C:\\in\\IMG_0042.jpg", date, kKrakow), "Kraków, Poland IMG_0042.jpg");
    options.CreateMonthFolder = 1;
    options.MonthFolderFormat = "%C";
    EXPECT_EQ(BuildSubfolderPath(options, date, kKrakow), "Poland\\2019-07-14 Kraków\\");
}

TEST(PlaceTags, PlaceNamesCannotChangeTheFolders)
{
    const DateTime date {2019, 7, 14, 9, 5, 0};
    OrganizeOptions options = Defaults();
    options.CreateYearFolder = 0;
    options.CreateMonthFolder = 0;
    options.DayFolderFormat = "%T";
    const char* hostile[] = {"..", ".",   "a\\b", "a/b",    "C:x", "x*?\"<>|", "tab\there", "..\\..\\Windows",
                             " ",  "...", "St.",  "trail ", "%N%Y"};
    for (const char* town : hostile) {
        SCOPED_TRACE(town);
        const PlaceNames place {"", "", town, ""};
        const std::string folder = BuildSubfolderPath(options, date, place);
        ASSERT_FALSE(folder.empty());
        ASSERT_EQ(folder.back(), '\\');
        const std::string name = folder.substr(0, folder.size() - 1);
        EXPECT_EQ(CheckNameComponent(name), NameFault::None) << name;
        EXPECT_EQ(name.find('%'), std::string::npos);
    }
    EXPECT_EQ(PlaceTagText(".."), "Unknown place");
    EXPECT_EQ(PlaceTagText(" ..  "), "Unknown place");
    EXPECT_EQ(PlaceTagText(""), "Unknown place");
    EXPECT_EQ(PlaceTagText("a\\b/c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(PlaceTagText(std::string("a\x01\x1f\x7f"
                                       "b",
                                       5)),
              "a___b");
    EXPECT_EQ(PlaceTagText("  Washington, D.C."), "Washington, D.C");
    EXPECT_EQ(PlaceTagText("100%"), "100_");
    EXPECT_EQ(PlaceTagText("Reykjavík"), "Reykjavík");
}

TEST(PlaceTags, AreSeenOnlyInTemplatesInUse)
{
    OrganizeOptions options = Defaults();
    EXPECT_FALSE(TemplatesUsePlace(options));
    for (const char* tag : {"%C", "%R", "%T"}) {
        options = Defaults();
        options.MonthFolderFormat = tag;
        EXPECT_TRUE(TemplatesUsePlace(options)) << tag;
        options.CreateMonthFolder = 0;
        EXPECT_FALSE(TemplatesUsePlace(options)) << tag;
        options = Defaults();
        options.DayFolderFormat = std::string("x ") + tag;
        EXPECT_TRUE(TemplatesUsePlace(options)) << tag;
        options.CreateDayFolder = 0;
        EXPECT_FALSE(TemplatesUsePlace(options)) << tag;
        options = Defaults();
        options.TargetFilenameFormat = std::string(tag) + " %N";
        EXPECT_FALSE(TemplatesUsePlace(options)) << tag;
        options.RenameTargetFileName = 1;
        EXPECT_TRUE(TemplatesUsePlace(options)) << tag;
    }
}

TEST(PlaceTags, TheExampleLineShowsASamplePlace)
{
    OrganizeOptions options = Defaults();
    options.CreateYearFolder = 0;
    options.CreateMonthFolder = 0;
    options.DayFolderFormat = "%Y-%M-%D %T";
    options.RenameTargetFileName = 1;
    options.TargetFilenameFormat = "%T, %R, %C %N";
    EXPECT_EQ(ExampleLineText(options),
              "Example: D:\\Output\\2012-01-27 Sydney\\Sydney, New South Wales, Australia OrgFileName.jpg");
}

TEST(PlaceTags, TemplatesWithThemPassTheChecks)
{
    OrganizeOptions options = Defaults();
    options.MonthFolderFormat = "%C";
    options.DayFolderFormat = "%Y-%M-%D %T";
    options.RenameTargetFileName = 1;
    options.TargetFilenameFormat = "%T %R %N";
    EXPECT_EQ(FindTemplateFault(options).field, TemplateField::None);
    EXPECT_EQ(TemplateNameProblem(options), "");
}

}  // namespace
