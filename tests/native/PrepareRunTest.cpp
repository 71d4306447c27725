#include "engine/PrepareRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string kBadCharacters = "Folder and file name cannot contain any of "
                                   "the following characters:\n\\/:*?\"<>|\n\n";

OrganizeOptions IntoFolder(const std::string& folder)
{
    OrganizeOptions options;
    options.SetDefaults("C:\\Users\\me\\Documents");
    options.OutputFolderType = kOutputToCustomFolder;
    options.CustomTargetFolder = folder;
    return options;
}

struct Case {
    const char* name;
    std::function<void(OrganizeOptions&)> change;
    std::string refusal;  // empty: the run may start
    RunField field;
    std::string folder;  // the output folder as the run takes it
};

TEST(PrepareRun, RefusalsAndTheReadyRequest)
{
    const Case cases[] = {
            {"a folder gets its backslash", [](OrganizeOptions&) {}, "", RunField::None, "D:\\Out\\"},
            {"one backslash only", [](OrganizeOptions& o) { o.CustomTargetFolder = "D:\\Out\\"; }, "",
             RunField::None, "D:\\Out\\"},
            {"no output folder", [](OrganizeOptions& o) { o.CustomTargetFolder.clear(); },
             "Please choose an output folder.", RunField::OutputFolder, ""},
            {"beside the sources no folder is needed",
             [](OrganizeOptions& o) {
                 o.OutputFolderType = kOutputBesideSource;
                 o.CustomTargetFolder = "D:\\Kept";
             },
             "", RunField::None, "D:\\Kept"},
            {"month template",
             [](OrganizeOptions& o) {
                 o.CreateMonthFolder = 1;
                 o.MonthFolderFormat = "%Y/%M";
             },
             kBadCharacters + "Month folder template: \"/\" is not allowed.", RunField::MonthFolder,
             "D:\\Out\\"},
            {"day template",
             [](OrganizeOptions& o) {
                 o.CreateDayFolder = 1;
                 o.DayFolderFormat = "%D|";
             },
             kBadCharacters + "Day folder template: \"|\" is not allowed.", RunField::DayFolder, "D:\\Out\\"},
            {"file-name template",
             [](OrganizeOptions& o) {
                 o.RenameTargetFileName = 1;
                 o.TargetFilenameFormat = "%N?";
             },
             kBadCharacters + "File name template: \"?\" is not allowed.", RunField::FileName, "D:\\Out\\"},
            {"templates whose switch is off",
             [](OrganizeOptions& o) {
                 o.CreateMonthFolder = 0;
                 o.MonthFolderFormat = "a:b";
                 o.CreateDayFolder = 0;
                 o.DayFolderFormat = "a*b";
                 o.RenameTargetFileName = 0;
                 o.TargetFilenameFormat = "a<b";
             },
             "", RunField::None, "D:\\Out\\"},
            {"a name Windows reserves",
             [](OrganizeOptions& o) {
                 o.RenameTargetFileName = 1;
                 o.TargetFilenameFormat = "NUL.%Y";
             },
             "The file name template \"NUL.%Y\" gives names such as \"NUL.2014\" (a "
             "name Windows reserves for a "
             "device).\nPlease change the template.",
             RunField::None, "D:\\Out\\"},
            {"the output folder first",
             [](OrganizeOptions& o) {
                 o.CustomTargetFolder.clear();
                 o.RenameTargetFileName = 1;
                 o.TargetFilenameFormat = "%N?";
             },
             "Please choose an output folder.", RunField::OutputFolder, ""},
            {"bad characters before reserved names",
             [](OrganizeOptions& o) {
                 o.CreateDayFolder = 1;
                 o.DayFolderFormat = "NUL";
                 o.RenameTargetFileName = 1;
                 o.TargetFilenameFormat = "%N>";
             },
             kBadCharacters + "File name template: \">\" is not allowed.", RunField::FileName, "D:\\Out\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrganizeOptions options = IntoFolder("D:\\Out");
        c.change(options);
        const PreparedRun prepared = PrepareRun(options);
        if (c.refusal.empty()) {
            EXPECT_FALSE(prepared.refusal) << prepared.refusal->text;
        } else {
            ASSERT_TRUE(prepared.refusal);
            EXPECT_EQ(prepared.refusal->text, c.refusal);
            EXPECT_EQ(prepared.refusal->field, c.field);
        }
        EXPECT_EQ(prepared.options.CustomTargetFolder, c.folder);
    }
}

}  // namespace

namespace {

// Saved settings may hold rules and a day's start no dialog checked (an edited registry).
TEST(PrepareRun, ClockRulesAreReadAndBadOnesOrABadDayStartRefused)
{
    OrganizeOptions options = IntoFolder("D:\\Out");
    options.ClockRules = "Canon EOS 5D=+01:00\r\n\r\n*=-1d\n";
    options.DayBegins = "04:30";
    const PreparedRun ready = PrepareRun(options);
    ASSERT_FALSE(ready.refusal) << ready.refusal->text;
    ASSERT_EQ(ready.clockRules.size(), 2u);
    EXPECT_EQ(ready.clockRules[0].text, "Canon EOS 5D=+01:00");
    EXPECT_EQ(ready.clockRules[1].seconds, -86400);

    options.ClockRules = "*=+00:01\nCanon EOS 5D+01:00";
    const PreparedRun badRule = PrepareRun(options);
    ASSERT_TRUE(badRule.refusal);
    EXPECT_EQ(badRule.refusal->text,
              "Not a clock rule: \"Canon EOS 5D+01:00\" (write CAMERA=SHIFT, the camera as "
              "a model, Model#Serial or *)");

    options.ClockRules.clear();
    options.DayBegins = "25:00";
    const PreparedRun badDay = PrepareRun(options);
    ASSERT_TRUE(badDay.refusal);
    EXPECT_EQ(badDay.refusal->text,
              "Not a time of day for \"Day begins at\": \"25:00\" (write HH:MM, 00:00 to 23:59)");

    // A template refusal comes first.
    options.RenameTargetFileName = 1;
    options.TargetFilenameFormat = "%N?";
    EXPECT_EQ(PrepareRun(options).refusal->field, RunField::FileName);
}

}  // namespace

namespace {

// A backup mirrors the output folder on another disk: it needs one, and can be neither it nor
// inside it nor around it, nor (checked against the run's files) where the files come from.
TEST(PrepareRun, BackupFoldersThatCannotHoldTheBackupAreRefused)
{
    struct BackupCase {
        const char* name;
        std::string backup;
        bool besideSource;  // no output folder
        std::string refusal;  // empty: the run may start
    };
    const BackupCase cases[] = {
            {"another disk", "E:\\Backup", false, ""},
            {"a sibling folder", "D:\\Outside", false, ""},
            {"a name the output folder begins with", "D:\\Out2", false, ""},
            {"the same name on another disk", "E:\\Out", false, ""},
            {"none chosen", "", false, "Please choose a backup folder."},
            {"no output folder", "E:\\Backup", true,
             "A backup copy needs an output folder: choose one, or turn the backup off."},
            {"the output folder", "d:\\out\\", false,
             "The backup folder \"d:\\out\\\" is the output folder: choose another disk or folder."},
            {"the output folder spelt otherwise", "D:\\Out\\.\\", false,
             "The backup folder \"D:\\Out\\.\\\" is the output folder: choose another disk or folder."},
            {"inside the output folder", "D:\\Out\\Backup", false,
             "The backup folder \"D:\\Out\\Backup\\\" lies inside the output folder \"D:\\Out\\\"."},
            {"around the output folder", "D:\\", false,
             "The backup folder \"D:\\\" holds the output folder \"D:\\Out\\\"."},
    };
    for (const BackupCase& c : cases) {
        SCOPED_TRACE(c.name);
        OrganizeOptions options = IntoFolder("D:\\Out");
        if (c.besideSource)
            options.OutputFolderType = kOutputBesideSource;
        options.MakeBackup = 1;
        options.BackupFolder = c.backup;
        const PreparedRun prepared = PrepareRun(options);
        if (c.refusal.empty()) {
            EXPECT_FALSE(prepared.refusal) << prepared.refusal->text;
            EXPECT_EQ(prepared.options.BackupFolder, c.backup + "\\");
        } else {
            ASSERT_TRUE(prepared.refusal);
            EXPECT_EQ(prepared.refusal->text, c.refusal);
            EXPECT_EQ(prepared.refusal->field, RunField::BackupFolder);
        }
        // With backups off the folder is never looked at.
        options.MakeBackup = 0;
        EXPECT_FALSE(PrepareRun(options).refusal);
    }
}

TEST(PrepareRun, ABackupFolderWhereTheFilesComeFromIsRefused)
{
    OrganizeOptions options = IntoFolder("D:\\Out");
    options.MakeBackup = 1;
    const std::vector<std::string> files = {"E:\\DCIM\\100CANON\\IMG_1.JPG", "F:\\Phone\\a.jpg"};
    struct SourceCase {
        std::string backup;
        std::string refusal;
    };
    const SourceCase cases[] = {
            {"G:\\Backup\\", ""},
            {"E:\\DCIM\\100CANO\\", ""},
            {"E:\\DCIM\\100CANON\\", "The backup folder \"E:\\DCIM\\100CANON\\\" is the folder of "
                                     "\"E:\\DCIM\\100CANON\\IMG_1.JPG\", which this run organizes: choose "
                                     "another folder."},
            {"f:\\phone\\backup\\", "The backup folder \"f:\\phone\\backup\\\" lies inside the folder of "
                                    "\"F:\\Phone\\a.jpg\", which this run organizes: choose another folder."},
            {"E:\\DCIM\\", "The backup folder \"E:\\DCIM\\\" holds the folder of "
                           "\"E:\\DCIM\\100CANON\\IMG_1.JPG\", which this run organizes: choose another "
                           "folder."},
    };
    for (const SourceCase& c : cases) {
        SCOPED_TRACE(c.backup);
        options.BackupFolder = c.backup;
        const auto refusal = BackupSourceRefusal(options, files);
        if (c.refusal.empty()) {
            EXPECT_FALSE(refusal) << refusal->text;
        } else {
            ASSERT_TRUE(refusal);
            EXPECT_EQ(refusal->text, c.refusal);
            EXPECT_EQ(refusal->field, RunField::BackupFolder);
        }
    }
    options.MakeBackup = 0;
    options.BackupFolder = "E:\\DCIM\\";
    EXPECT_FALSE(BackupSourceRefusal(options, files));
}

}  // namespace
