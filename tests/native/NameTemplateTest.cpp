#include <gtest/gtest.h>

#include <string>

#include "engine/ModeFolder.h"
#include "engine/NameTemplate.h"
#include "engine/OrganizeOptions.h"
#include "engine/TemplateTexts.h"

namespace {

OrganizeOptions Defaults()
{
    OrganizeOptions options;
    options.SetDefaults("C:\\Users\\me\\Documents");
    return options;
}

OrganizeOptions Renaming(const std::string& fileNameTemplate)
{
    OrganizeOptions options = Defaults();
    options.RenameTargetFileName = 1;
    options.TargetFilenameFormat = fileNameTemplate;
    return options;
}

}  // namespace

TEST(ExpandMonthTemplate, ReplacesItsFourTags)
{
    EXPECT_EQ(ExpandMonthTemplate("%Y_%M", 2012, 1), "2012_01");
    EXPECT_EQ(ExpandMonthTemplate("%A %L", 2012, 3), "Mar March");
    EXPECT_EQ(ExpandMonthTemplate("%L%L", 2012, 12), "DecemberDecember");
}

TEST(ExpandMonthTemplate, LeavesDayAndTimeTagsAlone)
{
    EXPECT_EQ(ExpandMonthTemplate("%Y_%M_%D", 2012, 1), "2012_01_%D");
    EXPECT_EQ(ExpandMonthTemplate("%H%N%P", 2012, 1), "%H%N%P");
}

TEST(ExpandMonthTemplate, TagsAreCaseSensitiveAndUnknownOnesStay)
{
    EXPECT_EQ(ExpandMonthTemplate("%y-%m %X 100% %", 2012, 1), "%y-%m %X 100% %");
}

TEST(ExpandMonthTemplate, ATemplateWithoutTagsIsLiteral)
{
    EXPECT_EQ(ExpandMonthTemplate("Photos", 2012, 7), "Photos");
}

TEST(ExpandMonthTemplate, NumbersArePaddedButNeverCut)
{
    EXPECT_EQ(ExpandMonthTemplate("%Y", 812, 1), "0812");
    EXPECT_EQ(ExpandMonthTemplate("%Y", 12345, 1), "12345");
    EXPECT_EQ(ExpandMonthTemplate("%M", 2012, 123), "123");
}

TEST(ExpandMonthTemplate, AMonthOutOfRangeHasNoNames)
{
    EXPECT_EQ(ExpandMonthTemplate("[%A][%L][%M]", 2012, 0), "[][][00]");
    EXPECT_EQ(ExpandMonthTemplate("[%A][%L][%M]", 2012, 13), "[][][13]");
}

TEST(ExpandMonthTemplate, UsesTheEnglishNamesOfEveryMonth)
{
    const char* shortNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* longNames[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
    for (int month = 1; month <= 12; ++month) {
        EXPECT_EQ(ExpandMonthTemplate("%A", 2000, month), shortNames[month - 1]);
        EXPECT_EQ(ExpandMonthTemplate("%L", 2000, month), longNames[month - 1]);
    }
}

TEST(ExpandDayTemplate, ReplacesItsFiveTagsAndNoTimeTags)
{
    EXPECT_EQ(ExpandDayTemplate("%Y_%M_%D", 2012, 1, 27), "2012_01_27");
    EXPECT_EQ(ExpandDayTemplate("%L %D %Y", 2012, 2, 5), "February 05 2012");
    EXPECT_EQ(ExpandDayTemplate("%D %H %I %S %J %P %N", 2012, 2, 5), "05 %H %I %S %J %P %N");
}

TEST(ExpandFileNameTemplate, ReplacesEveryTag)
{
    EXPECT_EQ(ExpandFileNameTemplate("%Y-%M-%D %H_%I_%S %N", 2012, 1, 27, 10, 46, 15, "IMG_0001"),
              "2012-01-27 10_46_15 IMG_0001");
    EXPECT_EQ(ExpandFileNameTemplate("%A %L %J %P", 2012, 9, 3, 14, 5, 9, "x"), "Sep September 02 PM");
}

TEST(ExpandFileNameTemplate, TwelveHourClock)
{
    EXPECT_EQ(ExpandFileNameTemplate("%J %P", 2012, 1, 1, 0, 0, 0, ""), "12 AM");
    EXPECT_EQ(ExpandFileNameTemplate("%J %P", 2012, 1, 1, 1, 0, 0, ""), "01 AM");
    EXPECT_EQ(ExpandFileNameTemplate("%J %P", 2012, 1, 1, 11, 0, 0, ""), "11 AM");
    EXPECT_EQ(ExpandFileNameTemplate("%J %P", 2012, 1, 1, 12, 0, 0, ""), "12 PM");
    EXPECT_EQ(ExpandFileNameTemplate("%J %P", 2012, 1, 1, 13, 0, 0, ""), "01 PM");
    EXPECT_EQ(ExpandFileNameTemplate("%J %P", 2012, 1, 1, 23, 0, 0, ""), "11 PM");
    EXPECT_EQ(ExpandFileNameTemplate("%H", 2012, 1, 1, 0, 0, 0, ""), "00");
}

TEST(ExpandFileNameTemplate, PercentSignsInTheNameAreNotExpanded)
{
    EXPECT_EQ(ExpandFileNameTemplate("%Y %N", 2012, 1, 27, 10, 46, 15, "100%Y_%D"), "2012 100%Y_%D");
}

TEST(ExpandFileNameTemplate, TagsAreReplacedOneAfterTheOtherOverTheWholeText)
{
    // %A becomes "Jan" before %J is looked for, so the leading % and the name's "J" form a new tag.
    EXPECT_EQ(ExpandFileNameTemplate("%%A", 2012, 1, 27, 22, 0, 0, ""), "10an");
    // A percent sign in front of a number is left as it is.
    EXPECT_EQ(ExpandFileNameTemplate("%%D", 2012, 1, 27, 0, 0, 0, ""), "%27");
}

TEST(BuildSubfolderPath, DefaultsGiveThreeLevels)
{
    EXPECT_EQ(BuildSubfolderPath(Defaults(), {2012, 1, 27}), "2012\\2012_01\\2012_01_27\\");
}

TEST(BuildSubfolderPath, EachSwitchAddsOrDropsItsLevel)
{
    OrganizeOptions options = Defaults();
    options.CreateDayFolder = 0;
    EXPECT_EQ(BuildSubfolderPath(options, {2012, 1, 27}), "2012\\2012_01\\");
    options.CreateYearFolder = 0;
    EXPECT_EQ(BuildSubfolderPath(options, {2012, 1, 27}), "2012_01\\");
    options.CreateMonthFolder = 0;
    EXPECT_EQ(BuildSubfolderPath(options, {2012, 1, 27}), "");
    options.CreateDayFolder = 1;
    EXPECT_EQ(BuildSubfolderPath(options, {2012, 1, 27}), "2012_01_27\\");
}

TEST(BuildSubfolderPath, AnEmptyTemplateWithItsSwitchOnAddsNoLevel)
{
    OrganizeOptions options = Defaults();
    options.DayFolderFormat.clear();
    EXPECT_EQ(BuildSubfolderPath(options, {2012, 1, 27}), "2012\\2012_01\\");
    options.MonthFolderFormat.clear();
    EXPECT_EQ(BuildSubfolderPath(options, {2012, 1, 27}), "2012\\");
}

TEST(BuildSubfolderPath, MonthTemplateKeepsDayTagLiterally)
{
    OrganizeOptions options = Defaults();
    options.MonthFolderFormat = "%Y_%M_%D";
    options.CreateDayFolder = 0;
    EXPECT_EQ(BuildSubfolderPath(options, {2012, 1, 27}), "2012\\2012_01_%D\\");
}

TEST(BuildSubfolderPath, ALiteralMonthTemplatePutsEveryDateIntoOneFolder)
{
    OrganizeOptions options = Defaults();
    options.MonthFolderFormat = "Photos";
    options.CreateDayFolder = 0;
    EXPECT_EQ(BuildSubfolderPath(options, {2012, 1, 27}), "2012\\Photos\\");
    EXPECT_EQ(BuildSubfolderPath(options, {2013, 8, 2}), "2013\\Photos\\");
}

TEST(BuildTargetName, WithoutRenamingIsTheSourceName)
{
    EXPECT_EQ(BuildTargetName(Defaults(), "C:\\Pics\\IMG_0001.JPG", {2012, 1, 27, 10, 46, 15}),
              "IMG_0001.JPG");
}

TEST(BuildTargetName, RenamesByTheTemplateAndKeepsTheExtensionsCase)
{
    EXPECT_EQ(BuildTargetName(Renaming("%Y-%M-%D %H_%I_%S %N"), "C:\\Pics\\IMG_0001.JPG",
                              {2012, 1, 27, 10, 46, 15}),
              "2012-01-27 10_46_15 IMG_0001.JPG");
    EXPECT_EQ(BuildTargetName(Renaming("%Y-%M-%D %J_%I %P %N"), "C:\\Pics\\IMG_0001.JPG",
                              {2012, 1, 27, 10, 46, 15}),
              "2012-01-27 10_46 AM IMG_0001.JPG");
}

TEST(BuildTargetName, SplitsAtTheLastDot)
{
    EXPECT_EQ(BuildTargetName(Renaming("%N-%Y"), "C:\\p\\a.b.jpg", {2012, 1, 27, 0, 0, 0}), "a.b-2012.jpg");
    EXPECT_EQ(BuildTargetName(Renaming("%N-%Y"), "C:\\p\\pic.", {2012, 1, 27, 0, 0, 0}), "pic-2012.");
}

TEST(BuildTargetName, ANameWithoutDotGetsNoExtension)
{
    EXPECT_EQ(BuildTargetName(Renaming("%Y %N"), "C:\\p\\README", {2012, 1, 27, 0, 0, 0}), "2012 README");
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(BuildTargetName(Renaming("%Y %N"), "C:\\x.y\\photo", {2012, 1, 27, 0, 0, 0}), "2012 photo");
}

TEST(BuildTargetName, AnEmptyTemplateKeepsTheSourceName)
{
    EXPECT_EQ(BuildTargetName(Renaming(""), "C:\\p\\IMG.JPG", {2012, 1, 27, 0, 0, 0}), "IMG.JPG");
}

TEST(BuildTargetName, ExtensionAndOrientationModesIgnoreTheTemplate)
{
    OrganizeOptions options = Renaming("%Y %N");
    options.Mode = OrganizeMode::Extension;
    EXPECT_EQ(BuildTargetName(options, "C:\\p\\IMG.JPG", {2012, 1, 27, 0, 0, 0}), "IMG.JPG");
    options.Mode = OrganizeMode::Orientation;
    EXPECT_EQ(BuildTargetName(options, "C:\\p\\IMG.JPG", {2012, 1, 27, 0, 0, 0}), "IMG.JPG");
    for (const auto& entry : kOrganizeModes) {
        if (entry.value == OrganizeMode::Extension || entry.value == OrganizeMode::Orientation)
            continue;
        options.Mode = entry.value;
        EXPECT_EQ(BuildTargetName(options, "C:\\p\\IMG.JPG", {2012, 1, 27, 0, 0, 0}), "2012 IMG.JPG")
                << entry.windowText;
    }
}

TEST(ExampleLineText, WithTheDefaults)
{
    EXPECT_EQ(ExampleLineText(Defaults()), "Example: D:\\Output\\2012\\2012_01\\2012_01_27\\OrgFileName.jpg");
}

TEST(ExampleLineText, WithRenamingAndTheDefaultTemplate)
{
    OrganizeOptions options = Defaults();
    options.RenameTargetFileName = 1;
    EXPECT_EQ(ExampleLineText(options),
              "Example: D:\\Output\\2012\\2012_01\\2012_01_27\\2012-01-27 10_46_15 OrgFileName.jpg");
}

TEST(ExampleLineText, ExtensionAndOrientationModesShowTheirFolder)
{
    OrganizeOptions options = Defaults();
    options.RenameTargetFileName = 1;
    options.Mode = OrganizeMode::Extension;
    EXPECT_EQ(ExampleLineText(options), "Example: D:\\Output\\JPG\\");
    options.Mode = OrganizeMode::Orientation;
    EXPECT_EQ(ExampleLineText(options), "Example: D:\\Output\\Rotate 90 CW\\");
}

TEST(ExampleLineText, FollowsTheSwitchesAndTemplates)
{
    OrganizeOptions options = Defaults();
    options.Mode = OrganizeMode::Modified;
    options.CreateYearFolder = 0;
    options.MonthFolderFormat = "%L";
    options.CreateDayFolder = 0;
    options.RenameTargetFileName = 1;
    options.TargetFilenameFormat = "%D %J_%I %P %N";
    EXPECT_EQ(ExampleLineText(options), "Example: D:\\Output\\January\\27 10_46 AM OrgFileName.jpg");
}

TEST(TemplatePresets, ListsInTheirOrder)
{
    ASSERT_EQ(kMonthTemplatePresets.size(), 9u);
    EXPECT_STREQ(kMonthTemplatePresets.front(), "%M");
    EXPECT_STREQ(kMonthTemplatePresets.back(), "%L-%Y");
    ASSERT_EQ(kDayTemplatePresets.size(), 16u);
    EXPECT_STREQ(kDayTemplatePresets[4], "%Y-%M-%D");
    EXPECT_STREQ(kDayTemplatePresets.back(), "%D %L %Y");
    ASSERT_EQ(kFileNameTemplatePresets.size(), 21u);
    EXPECT_STREQ(kFileNameTemplatePresets[9], "%Y-%M-%D %H_%I_%S %N");
    EXPECT_STREQ(kFileNameTemplatePresets.back(), "%D-%M-%Y %J_%I %P %N");
}

TEST(TemplatePresets, TheDefaultsAreNotAmongThem)
{
    const OrganizeOptions options = Defaults();
    for (const char* preset : kMonthTemplatePresets)
        EXPECT_NE(options.MonthFolderFormat, preset);
    for (const char* preset : kDayTemplatePresets)
        EXPECT_NE(options.DayFolderFormat, preset);
}

TEST(TagHelp, TextsAreExactlyWhatTheButtonsShow)
{
    const std::string places = "%C: Country where the picture was taken (e.g. Australia)\n%R: Region: state, "
                               "province (e.g. New South Wales)\n%T: Town or city (e.g. Sydney)\nA file "
                               "without a position, or far from any town, gets \"Unknown place\".\nPlace "
                               "names from GeoNames (geonames.org), CC BY 4.0";
    EXPECT_EQ(kMonthTagHelp, "You could use the following tags here.\n\n%Y: Year (e.g. 2010)\n%M: Month "
                             "(01-12)\n%A: Abbreviated month name (Jan, Feb, Mar, ...)\n%L: Full month "
                             "name (January, February, March, ...)\n" +
                                     places);
    EXPECT_EQ(kDayTagHelp, "You could use the following tags here.\n\n%Y: Year (e.g. 2010)\n%M: Month "
                           "(01-12)\n%A: Abbreviated month name (Jan, Feb, Mar, ...)\n%L: Full month name "
                           "(January, February, March, ...)\n%D: Day (01-31)\n" +
                                   places);
    EXPECT_EQ(
            kFileNameTagHelp,
            "You could use the following tags here.\n\n%N: Name of original file\n%Y: Year (e.g. 2010)\n%M: "
            "Month (01-12)\n%A: Abbreviated month name (Jan, Feb, Mar, ...)\n%L: Full month name (January, "
            "February, March, ...)\n%D: Day (01-31)\n%H: Hour in 24-hour format (00-23)\n%J: Hour in 12-hour "
            "format (01-12)\n%I: Minute (00-59)\n%S: Second (00-59)\n%P: AM or PM\n" +
                    places);
}

TEST(ExampleLineText, AnotherFolderStartsTheLineWithIt)
{
    OrganizeOptions options = Defaults();
    options.CustomTargetFolder = "E:\\Sorted";
    EXPECT_EQ(ExampleLineText(options), "Example: D:\\Output\\2012\\2012_01\\2012_01_27\\OrgFileName.jpg");
    options.OutputFolderType = 1;
    EXPECT_EQ(ExampleLineText(options), "Example: E:\\Sorted\\2012\\2012_01\\2012_01_27\\OrgFileName.jpg");
    options.CustomTargetFolder = "\\\\server\\share\\";
    options.Mode = OrganizeMode::Extension;
    EXPECT_EQ(ExampleLineText(options), "Example: \\\\server\\share\\JPG\\");
    options.CustomTargetFolder.clear();
    EXPECT_EQ(ExampleLineText(options), "Example: D:\\Output\\JPG\\");
}
