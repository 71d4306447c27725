// The organize run on real folders and files: preparation checks, every mode, the three
// target-exists policies, the log byte for byte, cancel and the progress window.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <regex>

#include "engine/FileTransfer.h"
#include "engine/LibraryRun.h"
#include "engine/OrganizeRun.h"
#include "base/PathText.h"
#include "engine/PathUtils.h"
#include "engine/ProgressText.h"
#include "engine/RunJournal.h"
#include "engine/RunUndo.h"
#include "engine/RunsFolder.h"
#include "metadata/MetaLookup.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/StatusCheck.h"
#include "tests/support/TempTree.h"
#include "tests/support/ZipBuilder.h"
#include "tests/support/ZoneCases.h"
#include "tests/win/run/RunFixture.h"
#include "tests/win/run/TestRunHost.h"
#include "resource.h"

namespace {

std::vector<unsigned char> JpegTaken(const std::string& date, uint16_t orientation = 1)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, orientation).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

// The log with its two time stamps replaced, so that it can be compared byte for byte.
std::string WithoutTimes(const std::string& log)
{
    static const std::regex stamp(
            "(Start|Finish) at: (Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), [0-9]{2} "
            "(January|February|March|April|May|June|July|August|September|October|November|December) "
            "[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\r\n");
    return std::regex_replace(log, stamp, "$1 at: T\r\n");
}

const std::string kRule(67, '=');

class OrganizeRunTest : public RunFixture { };

}  // namespace

TEST_F(OrganizeRunTest, EmptyOutputFolderStopsBeforeAnythingHappens)
{
    host.settings.CustomTargetFolder = "";
    const std::string src = Source("IMG_1.JPG", JpegTaken("2012:01:27 10:46:15"));
    host.Run(true);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Please choose an output folder.");
    EXPECT_EQ(host.messages[0].icon, MessageKind::Warning);
    EXPECT_EQ(host.focused, RunField::OutputFolder);
    EXPECT_EQ(host.savedCount, 0);
    EXPECT_EQ(host.pumps, 0);
    EXPECT_TRUE(Exists(src));
    EXPECT_EQ(host.Result(0), "");
}

TEST_F(OrganizeRunTest, OutputFolderThatCannotBeCreatedIsReported)
{
    ASSERT_TRUE(WriteText(tree.Path("blocker"), "a file, not a folder"));
    host.settings.CustomTargetFolder = tree.Path("blocker\\out");
    Source("IMG_1.JPG", JpegTaken("2012:01:27 10:46:15"));
    host.Run(false);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("Failed to create folder \"" + tree.Path("blocker\\out\\") + "\". ",
                                          0),
              0u)
            << host.messages[0].text;
    EXPECT_EQ(host.focused, RunField::OutputFolder);
    EXPECT_EQ(host.savedCount, 0);
}

TEST_F(OrganizeRunTest, TemplateCharactersAreCheckedOnlyWhenTheirSwitchIsOn)
{
    Source("a.jpg", JpegTaken("2012:01:27 10:46:15"));
    const std::string refusal =
            "Folder and file name cannot contain any of the following characters:\n\\/:*?\"<>|";
    for (const char* bad : {"%Y\\%M", "a/b", "a:b", "a*", "a?", "a\"", "a<", "a>", "a|"}) {
        host.messages.clear();
        host.settings.CreateMonthFolder = 1;
        host.settings.MonthFolderFormat = bad;
        host.Run(false);
        ASSERT_EQ(host.messages.size(), 1u) << bad;
        const char character = std::string(bad).substr(std::string(bad).find_first_of("\\/:*?\"<>|"))[0];
        EXPECT_EQ(host.messages[0].text,
                  refusal + "\n\nMonth folder template: \"" + character + "\" is not allowed.");
        EXPECT_EQ(host.focused, RunField::MonthFolder);
    }
    // Switched off: not checked. The day and file-name templates follow their own switches.
    host.messages.clear();
    host.settings.CreateMonthFolder = 0;
    host.settings.DayFolderFormat = "x|y";
    host.settings.CreateDayFolder = 0;
    host.settings.TargetFilenameFormat = "%N?";
    host.settings.RenameTargetFileName = 0;
    host.Run(false);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.Result(0), "OK");
    // The check does not depend on the mode.
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.RenameTargetFileName = 1;
    host.Run(false);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, refusal + "\n\nFile name template: \"?\" is not allowed.");
    EXPECT_EQ(host.focused, RunField::FileName);
}

// NUL.%Y names the null device with any extension: every numbered name "exists", so the run would
// never end. Such templates are refused before anything is touched.
TEST_F(OrganizeRunTest, TemplatesGivingNamesWindowsRefusesStopTheRunBeforeItStarts)
{
    const std::string source = Source("a.jpg", JpegTaken("2012:01:27 10:46:15"));
    host.settings.RenameTargetFileName = 1;
    host.settings.TargetFilenameFormat = "NUL.%Y";
    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    host.Run(false);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "The file name template \"NUL.%Y\" gives names such as \"NUL.2014\" (a name "
              "Windows reserves for a device).\nPlease change the template.");
    EXPECT_EQ(host.messages[0].icon, MessageKind::Warning);
    EXPECT_EQ(host.Result(0), "");
    EXPECT_TRUE(Exists(source));
    host.messages.clear();
    host.settings.TargetFilenameFormat = "%N";
    host.settings.CreateDayFolder = 1;
    host.settings.DayFolderFormat = "%Y_%M_%D ";
    host.Run(false);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("(a name may not end in a dot or a space)"), std::string::npos)
            << host.messages[0].text;
    EXPECT_TRUE(Exists(source));
    EXPECT_FALSE(Exists(tree.Path("out\\2012")));
}

TEST_F(OrganizeRunTest, OutputFolderGetsItsTrailingBackslashAndIsCreated)
{
    host.settings.CustomTargetFolder = tree.Path("new\\deeper");
    const std::string src = Source("IMG_1.JPG", JpegTaken("2012:01:27 10:46:15"));
    host.Run(false);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.Target(0), tree.Path("new\\deeper\\2012\\2012_01\\IMG_1.JPG"));
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_TRUE(Exists(src));
    EXPECT_EQ(host.savedCount, 1);
    EXPECT_TRUE(host.inputEnabled);
}

TEST_F(OrganizeRunTest, DateTakenModeMovesIntoDateFolders)
{
    const std::string src = Source("IMG_1.JPG", JpegTaken("2012:01:27 10:46:15"));
    Source("nodate.jpg", "not a jpeg at all");
    host.Run(true);
    EXPECT_EQ(host.Target(0), tree.Path("out\\2012\\2012_01\\IMG_1.JPG"));
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_FALSE(Exists(src));
    EXPECT_TRUE(Exists(tree.Path("out\\2012\\2012_01\\IMG_1.JPG")));
    EXPECT_EQ(host.Target(1), "");
    EXPECT_EQ(host.Result(1), "Failed to get date picture taken. Maybe no EXIF info in the file");
    // The rows keep their source even after the move; a second run finds the file gone.
    EXPECT_EQ(host.Rows().Source(0), src);
    host.Run(true);
    EXPECT_EQ(host.Result(0), "The file is not there any more");
    EXPECT_EQ(host.Target(0), tree.Path("out\\2012\\2012_01\\IMG_1.JPG"));
}

TEST_F(OrganizeRunTest, RenamingByTemplateKeepsTheExtensionCase)
{
    host.settings.RenameTargetFileName = 1;
    host.settings.TargetFilenameFormat = "%Y-%M-%D %J_%I %P %N";
    Source("IMG_0001.JPG", JpegTaken("2012:01:27 10:46:15"));
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("out\\2012\\2012_01\\2012-01-27 10_46 AM IMG_0001.JPG"));
    EXPECT_EQ(host.Result(0), "OK");
}

// A name counts characters as the system does, and may be 255 long; one character more fails its
// row before anything is copied, with the system's reason. The path, in a Cyrillic folder, is far
// beyond MAX_PATH. (The Linux file system below Wine takes at most 255 bytes a name.)
TEST_F(OrganizeRunTest, TemplateNamesFitByCharactersAndOneTooLongFailsOnlyItsRow)
{
    const auto zhe = [](std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text += "\xD0\x96";  // Ж: two bytes, one character
        return text;
    };
    host.settings.CreateYearFolder = 0;
    host.settings.CreateMonthFolder = 0;
    host.settings.RenameTargetFileName = 1;
    const std::string out = tree.Path(zhe(100) + "\\" + zhe(100) + "\\");
    host.settings.CustomTargetFolder = out;
    const std::size_t fill = kMaxNameLength - std::string("a.jpg").size();
    host.settings.TargetFilenameFormat = std::string(fill, 'n') + "%N";
    const std::string tooLong = Source("ab.jpg", JpegTaken("2012:01:27 10:46:15"));
    const std::string fits = Source("a.jpg", JpegTaken("2012:01:28 10:46:15"));
    host.Run(false);
    std::string reason;
    ASSERT_TRUE(SystemErrorText(ERROR_FILENAME_EXCED_RANGE, reason));
    EXPECT_EQ(host.Result(0), "Failure (" + reason + ")");
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_EQ(host.Target(1), out + std::string(fill, 'n') + "a.jpg");
    EXPECT_GT(SystemLength(host.Target(1)), static_cast<std::size_t>(MAX_PATH));
    const std::map<std::string, std::string> written = FilesBelow(out);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written.begin()->first, std::string(fill, 'n') + "a.jpg");
    EXPECT_TRUE(Exists(tooLong));
    EXPECT_TRUE(Exists(fits));
}

TEST_F(OrganizeRunTest, FileTimeModesUseTheLocalModifiedTime)
{
    // A file read in-process, so that its lookup needs no metadata tool.
    const std::string src = Source("notes.jpg", "text");
    HANDLE h = CreateFileA(src.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SYSTEMTIME local {2009, 3, 0, 14, 23, 30, 0, 0}, utc;
    FILETIME utcFt;
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &utcFt));
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &utcFt));
    CloseHandle(h);
    host.settings.Mode = OrganizeMode::TakenElseModified;  // no EXIF date: falls back to the modified time
    host.settings.CreateDayFolder = 1;
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("out\\2009\\2009_03\\2009_03_14\\notes.jpg"));
    EXPECT_EQ(host.Result(0), "OK");
}

TEST_F(OrganizeRunTest, FallBackModeFailsARowWhoseLookupCouldNotBeMade)
{
    // No metadata tool lies beside the test program: the lookup of a file the tool must read
    // cannot be made, and the row fails with that reason instead of taking the file time.
    const std::string src = Source("clip.mov", "movie");
    host.settings.Mode = OrganizeMode::TakenElseModified;
    host.Run(true);
    EXPECT_EQ(host.Target(0), "");
    EXPECT_EQ(host.Result(0), "Failed to read the file's metadata (the metadata tool could not be started)");
    EXPECT_TRUE(Exists(src));
}

// Run with TZ set to zones with and without daylight saving (see the CTest entries).
TEST_F(OrganizeRunTest, FileTimeModesPutNearMidnightTimesInTheirOwnDay)
{
    std::string zone;
    const std::vector<qmtest::ZoneCase> cases = qmtest::NearMidnightCases(zone);
    if (cases.empty())
        GTEST_SKIP() << "no expected local times for this time zone: " << zone;
    for (int i = 0; i < int(cases.size()); ++i)
        ASSERT_TRUE(qmtest::SetAllFileTimes(Source("night" + std::to_string(i) + ".txt", "text"),
                                            cases[size_t(i)].utc));
    host.settings.Mode = OrganizeMode::Modified;
    host.settings.CreateDayFolder = 1;
    host.Run(false);
    for (int i = 0; i < int(cases.size()); ++i) {
        char day[32];
        wsprintfA(day, "%04d\\%04d_%02d\\%04d_%02d_%02d\\", cases[size_t(i)].year, cases[size_t(i)].year,
                  cases[size_t(i)].month, cases[size_t(i)].year, cases[size_t(i)].month,
                  cases[size_t(i)].day);
        EXPECT_EQ(host.Target(i),
                  tree.Path("out\\" + std::string(day) + "night" + std::to_string(i) + ".txt"));
        EXPECT_EQ(host.Result(i), "OK");
    }
}

TEST_F(OrganizeRunTest, ExtensionModeFolders)
{
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.RenameTargetFileName = 1;  // ignored in this mode
    Source("pic.jpeg", "1");
    Source("README", "2");
    Source("odd.", "3");
    host.AddRow(tree.Path("gone.png"));
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPEG\\pic.jpeg"));
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), "No file extension");
    EXPECT_EQ(host.Target(1), "");
    EXPECT_EQ(host.Target(2), tree.Path("out\\odd."));
    // A missing source still gets its extension folder; the copy then fails with the reason.
    EXPECT_TRUE(Exists(tree.Path("out\\PNG")));
    EXPECT_EQ(host.Result(3).rfind("Failure (", 0), 0u) << host.Result(3);
}

TEST_F(OrganizeRunTest, OrientationModeFolders)
{
    host.settings.Mode = OrganizeMode::Orientation;
    Source("up.jpg", JpegTaken("2012:01:27 10:46:15", 1));
    Source("right.jpg", JpegTaken("2012:01:27 10:46:15", 6));
    Source("left.jpg", JpegTaken("2012:01:27 10:46:15", 8));
    Source("down.jpg", JpegTaken("2012:01:27 10:46:15", 3));
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("out\\Horizontal (normal)\\up.jpg"));
    EXPECT_EQ(host.Target(1), tree.Path("out\\Rotate 90 CW\\right.jpg"));
    EXPECT_EQ(host.Target(2), tree.Path("out\\Rotate 90 CCW\\left.jpg"));
    EXPECT_EQ(host.Result(3), "Failed to get orientation information. Maybe no EXIF info in the file");
}

TEST_F(OrganizeRunTest, PoliciesForAnExistingTarget)
{
    host.settings.Mode = OrganizeMode::Extension;
    CreateDirectoryA(tree.Path("out").c_str(), nullptr);
    CreateDirectoryA(tree.Path("out\\JPG").c_str(), nullptr);
    ASSERT_TRUE(WriteText(tree.Path("out\\JPG\\a.jpg"), "old a"));
    ASSERT_TRUE(WriteText(tree.Path("out\\JPG\\a_1.jpg"), "old a_1"));
    Source("a.jpg", "new a");

    host.settings.TargetExistsOpt = TargetExistsPolicy::Skip;
    host.Run(false);
    EXPECT_EQ(host.Result(0), "Target file exists; skipped");
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\a.jpg"));

    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\a_2.jpg"));
    EXPECT_EQ(ReadText(tree.Path("out\\JPG\\a_2.jpg")), "new a");

    host.settings.TargetExistsOpt = static_cast<TargetExistsPolicy>(47);  // unknown values rename too
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\a_3.jpg"));

    host.settings.TargetExistsOpt = TargetExistsPolicy::Overwrite;
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\a.jpg"));
    EXPECT_EQ(ReadText(tree.Path("out\\JPG\\a.jpg")), "new a");
    EXPECT_EQ(ReadText(tree.Path("out\\JPG\\a_1.jpg")), "old a_1");
}

// A batch's targets are looked for when it is planned, not again before each step: a name another
// program takes meanwhile is refused by the step itself, and the row is placed by its policy as
// if the name had been taken all along; the other program's file is never replaced.
TEST_F(OrganizeRunTest, ATargetTakenBetweenPlanAndStepIsPlannedAgain)
{
    host.settings.Mode = OrganizeMode::Extension;
    Source("a.jpg", "new a");
    Source("b.jpg", "new b");
    const std::string taken = tree.Path("out\\JPG\\b.jpg");
    // Row 1, before its work: both rows were planned with row 0.
    host.onPump = [&](int pump) {
        if (pump == 2 * 1 + 2) {
            ASSERT_TRUE(WriteText(taken, "other"));
        }
    };
    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    host.Run(false);
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_EQ(host.Target(1), tree.Path("out\\JPG\\b_1.jpg"));
    EXPECT_EQ(ReadText(tree.Path("out\\JPG\\b_1.jpg")), "new b");
    EXPECT_EQ(ReadText(taken), "other");

    ASSERT_TRUE(DeleteFileA(taken.c_str()));
    ASSERT_TRUE(DeleteFileA(tree.Path("out\\JPG\\b_1.jpg").c_str()));
    ASSERT_TRUE(DeleteFileA(tree.Path("out\\JPG\\a.jpg").c_str()));
    host.settings.TargetExistsOpt = TargetExistsPolicy::Skip;
    host.pumps = 0;  // the pumps of this run are counted from its start
    host.Run(true);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), "Target file exists; skipped");
    EXPECT_EQ(ReadText(taken), "other");
    EXPECT_EQ(ReadText(tree.Path("src\\b.jpg")), "new b");
}

class NothingLeft : public UndoSink {
public:
    std::vector<std::string> left;
    void FileUndone(const std::string& target, const std::string&, const std::string&, bool wasLeft) override
    {
        if (wasLeft)
            left.push_back(target);
    }
};

// Undoes the runs folder's latest run, which must give every file back and leave none behind.
void UndoLatestRun(const std::string& label)
{
    const std::string journal = LatestJournal(SystemFileOps(), RunsFolder());
    NothingLeft sink;
    UndoTally tally;
    ASSERT_TRUE(Succeeded(UndoRun(SystemFileOps(), journal, false, "now", sink, tally))) << label;
    EXPECT_TRUE(sink.left.empty()) << label;
}

// A name another program takes between a batch's plan and its step, in a folder the run made and
// in one that was there and that the run listed, is never written over by the step planned on it:
// the step's own create or rename refuses it, and the row is placed again by its policy, which
// now sees the file. Only Overwrite replaces it, keeping it for undo as any file it replaces.
TEST_F(OrganizeRunTest, ANameTakenMeanwhileIsRefusedByItsStepAndPlacedAgainByEachPolicy)
{
    TempTree runs;
    ASSERT_TRUE(SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str()));
    host.settings.Mode = OrganizeMode::Extension;
    const std::string taken = tree.Path("out\\JPG\\b.jpg");
    const std::string numbered = tree.Path("out\\JPG\\b_1.jpg");
    const std::string source = tree.Path("src\\b.jpg");
    Source("a.jpg", "new a");
    host.AddRow(source);
    for (const bool listed : {false, true}) {
        for (const bool move : {false, true}) {
            for (const TargetExistsPolicy policy :
                 {TargetExistsPolicy::RenameAutomatically, TargetExistsPolicy::RenameUnlessIdentical,
                  TargetExistsPolicy::Skip, TargetExistsPolicy::Overwrite}) {
                const std::string label = std::string(listed ? "listed" : "made") +
                                          (move ? " move" : " copy") + " policy " +
                                          std::to_string(static_cast<int>(policy));
                for (const std::string& file :
                     {taken, numbered, tree.Path("out\\JPG\\a.jpg"), tree.Path("out\\JPG\\x.jpg")})
                    DeleteFileA(file.c_str());
                RemoveDirectoryA(tree.Path("out\\JPG").c_str());
                RemoveDirectoryA(tree.Path("out").c_str());
                ASSERT_TRUE(WriteText(tree.Path("src\\a.jpg"), "new a")) << label;
                ASSERT_TRUE(WriteText(source, "new b")) << label;
                if (listed) {
                    ASSERT_TRUE(CreateDirectoryA(tree.Path("out").c_str(), nullptr)) << label;
                    ASSERT_TRUE(CreateDirectoryA(tree.Path("out\\JPG").c_str(), nullptr)) << label;
                    ASSERT_TRUE(WriteText(tree.Path("out\\JPG\\x.jpg"), "there before")) << label;
                }
                // Row 1, before its work: both rows were planned with row 0.
                host.pumps = 0;
                host.onPump = [&](int pump) {
                    if (pump == 2 * 1 + 2) {
                        ASSERT_TRUE(WriteText(taken, "other"));
                    }
                };
                host.settings.TargetExistsOpt = policy;
                host.Run(move);
                host.onPump = nullptr;
                EXPECT_EQ(host.Result(0), "OK") << label;
                if (policy == TargetExistsPolicy::Skip) {
                    EXPECT_EQ(host.Result(1), "Target file exists; skipped") << label;
                    EXPECT_EQ(ReadText(taken), "other") << label;
                    EXPECT_EQ(ReadText(source), "new b") << label;
                    continue;
                }
                EXPECT_EQ(host.Result(1), "OK") << label;
                EXPECT_EQ(Exists(source), !move) << label;
                if (policy != TargetExistsPolicy::Overwrite) {
                    EXPECT_EQ(host.Target(1), numbered) << label;
                    EXPECT_EQ(ReadText(numbered), "new b") << label;
                    EXPECT_EQ(ReadText(taken), "other") << label;
                    continue;
                }
                EXPECT_EQ(host.Target(1), taken) << label;
                EXPECT_EQ(ReadText(taken), "new b") << label;
                EXPECT_FALSE(Exists(numbered)) << label;
                // The replaced file is the run's to give back.
                ASSERT_NO_FATAL_FAILURE(UndoLatestRun(label));
                EXPECT_EQ(ReadText(taken), "other") << label;
                EXPECT_EQ(ReadText(source), "new b") << label;
            }
        }
    }
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
}

// The real file system, on which another program writes a file at taken right after the run
// made the folder it lies in: after the run decided a photo's group, before its first step.
class TakenAfterTheDecision : public RealFileSystem {
public:
    std::string taken;
    Status EnsureFolder(const std::string& folder) override
    {
        std::string takenFolder;
        Status made = RealFileSystem::EnsureFolder(folder);
        if (made && !written_ && FolderOf(taken, takenFolder) && Exists(takenFolder)) {
            written_ = true;
            EXPECT_TRUE(WriteText(taken, "other")) << taken;
        }
        return made;
    }

private:
    bool written_ = false;
};

// A photo's name another program takes after the run decided its group's names is refused by the
// photo's step, and the group is decided again by its policy, which now sees that file: every
// member numbered together, the whole group skipped, or the file replaced and kept for undo.
// Undo gives the tree back as it was, the other program's file included.
TEST_F(OrganizeRunTest, APhotosNameTakenMeanwhileDecidesItsGroupAgain)
{
    TempTree runs;
    ASSERT_TRUE(SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str()));
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.CompanionFiles = 1;
    const std::string photo = Source("a.jpg", "new a");
    const std::string sidecar = Source("a.xmp", "new sidecar");
    int n = 0;
    for (const bool move : {false, true}) {
        for (const TargetExistsPolicy policy :
             {TargetExistsPolicy::RenameAutomatically, TargetExistsPolicy::RenameUnlessIdentical,
              TargetExistsPolicy::Skip, TargetExistsPolicy::Overwrite}) {
            const std::string label = std::string(move ? "move" : "copy") + " policy " +
                                      std::to_string(static_cast<int>(policy));
            const std::string out = tree.Path("out" + std::to_string(n++));
            const std::string folder = out + "\\JPG\\";
            TakenAfterTheDecision fs;
            fs.taken = folder + "a.jpg";
            host.fileSystem = &fs;
            host.settings.CustomTargetFolder = out;
            host.settings.TargetExistsOpt = policy;
            host.Run(move);
            host.fileSystem = nullptr;
            EXPECT_EQ(ReadText(fs.taken), policy == TargetExistsPolicy::Overwrite ? "new a" : "other")
                    << label;
            if (policy == TargetExistsPolicy::Skip) {
                EXPECT_EQ(host.Result(0), "Target file exists; skipped") << label;
                EXPECT_EQ(host.Result(1), "Stays with its photo (a.jpg exists; skipped)") << label;
                EXPECT_EQ(FilesBelow(out), (std::map<std::string, std::string> {{"JPG\\a.jpg", "other"}}))
                        << label;
                EXPECT_EQ(ReadText(photo), "new a") << label;
                EXPECT_EQ(ReadText(sidecar), "new sidecar") << label;
                continue;
            }
            const std::string base = policy == TargetExistsPolicy::Overwrite ? "a" : "a_1";
            EXPECT_EQ(host.Result(0), "OK") << label;
            EXPECT_EQ(host.Result(1), "OK") << label;
            EXPECT_EQ(host.Target(0), folder + base + ".jpg") << label;
            EXPECT_EQ(host.Target(1), folder + base + ".xmp") << label;
            EXPECT_EQ(ReadText(folder + base + ".jpg"), "new a") << label;
            EXPECT_EQ(ReadText(folder + base + ".xmp"), "new sidecar") << label;
            EXPECT_EQ(Exists(photo), !move) << label;
            EXPECT_EQ(Exists(sidecar), !move) << label;
            EXPECT_EQ(FilesBelow(out).size(), policy == TargetExistsPolicy::Overwrite ? 2u : 3u) << label;

            ASSERT_NO_FATAL_FAILURE(UndoLatestRun(label));
            EXPECT_EQ(FilesBelow(out), (std::map<std::string, std::string> {{"JPG\\a.jpg", "other"}}))
                    << label;
            EXPECT_EQ(ReadText(photo), "new a") << label;
            EXPECT_EQ(ReadText(sidecar), "new sidecar") << label;
        }
    }
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
}

// A companion's name another program takes after its photo was placed cannot change with the
// group's base name any more: Overwrite replaces the file and keeps it for undo, every other
// policy leaves the companion where it is and says which name was taken. Nothing is written over
// that undo cannot give back.
TEST_F(OrganizeRunTest, ACompanionsNameTakenAfterItsPhotoWasPlacedReplacesOrStays)
{
    TempTree runs;
    ASSERT_TRUE(SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str()));
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.CompanionFiles = 1;
    const std::string photo = Source("a.jpg", "new a");
    const std::string sidecar = Source("a.xmp", "new sidecar");
    int n = 0;
    for (const bool move : {false, true}) {
        for (const TargetExistsPolicy policy :
             {TargetExistsPolicy::RenameAutomatically, TargetExistsPolicy::RenameUnlessIdentical,
              TargetExistsPolicy::Skip, TargetExistsPolicy::Overwrite}) {
            const std::string label = std::string(move ? "move" : "copy") + " policy " +
                                      std::to_string(static_cast<int>(policy));
            const std::string out = tree.Path("out" + std::to_string(n++));
            const std::string folder = out + "\\JPG\\";
            const std::string taken = folder + "a.xmp";
            // At the first pump after the photo took its name: the group was decided before it.
            host.onPump = [&](int) {
                if (Exists(folder + "a.jpg") && !Exists(taken)) {
                    EXPECT_TRUE(WriteText(taken, "other"));
                }
            };
            host.settings.CustomTargetFolder = out;
            host.settings.TargetExistsOpt = policy;
            host.Run(move);
            host.onPump = nullptr;
            EXPECT_EQ(host.Result(0), "OK") << label;
            EXPECT_EQ(host.Target(0), folder + "a.jpg") << label;
            EXPECT_EQ(ReadText(folder + "a.jpg"), "new a") << label;
            EXPECT_EQ(Exists(photo), !move) << label;
            EXPECT_EQ(host.Target(1), taken) << label;
            if (policy == TargetExistsPolicy::Overwrite) {
                EXPECT_EQ(host.Result(1), "OK") << label;
                EXPECT_EQ(ReadText(taken), "new sidecar") << label;
                EXPECT_EQ(Exists(sidecar), !move) << label;
            } else {
                EXPECT_EQ(host.Result(1), policy == TargetExistsPolicy::RenameAutomatically
                                                  ? "Stays with its photo (a.xmp appeared meanwhile; skipped)"
                                                  : "Stays with its photo (a.xmp exists; skipped)")
                        << label;
                EXPECT_EQ(ReadText(taken), "other") << label;
                EXPECT_EQ(ReadText(sidecar), "new sidecar") << label;
            }
            EXPECT_EQ(FilesBelow(out).size(), 2u) << label;

            ASSERT_NO_FATAL_FAILURE(UndoLatestRun(label));
            EXPECT_EQ(FilesBelow(out), (std::map<std::string, std::string> {{"JPG\\a.xmp", "other"}}))
                    << label;
            EXPECT_EQ(ReadText(photo), "new a") << label;
            EXPECT_EQ(ReadText(sidecar), "new sidecar") << label;
        }
    }
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
}

// A row planned by the names the run knows, not told ahead (its name was another row's), is
// placed again too when another program takes the name it was given first.
TEST_F(OrganizeRunTest, ANumberedNameTakenMeanwhileIsPlannedAgain)
{
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    Source("a.jpg", "first a");
    ASSERT_TRUE(CreateDirectoryA(tree.Path("src\\two").c_str(), nullptr));
    ASSERT_TRUE(WriteText(tree.Path("src\\two\\a.jpg"), "second a"));
    host.AddRow(tree.Path("src\\two\\a.jpg"));
    const std::string taken = tree.Path("out\\JPG\\a_1.jpg");
    host.onPump = [&](int pump) {
        if (pump == 2 * 1 + 2) {
            ASSERT_TRUE(WriteText(taken, "other"));
        }
    };
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_EQ(host.Target(1), tree.Path("out\\JPG\\a_2.jpg"));
    EXPECT_EQ(ReadText(tree.Path("out\\JPG\\a_2.jpg")), "second a");
    EXPECT_EQ(ReadText(taken), "other");
}

// A move asks no folder it is about to make what identifies it (to tell whether a source lies
// there): a folder that is not there holds no source.
TEST_F(OrganizeRunTest, AMoveAsksNoFolderItMakesWhatIdentifiesIt)
{
    struct IdentitiesAsked : RealFileSystem {
        std::vector<std::string> asked;
        bool Identity(const std::string& path, FileIdentity& identity) override
        {
            asked.push_back(path);
            return RealFileSystem::Identity(path, identity);
        }
    } fs;
    host.fileSystem = &fs;
    host.settings.Mode = OrganizeMode::Extension;
    Source("a.jpg", "a");
    Source("b.txt", "b");
    host.Run(true);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_EQ(ReadText(tree.Path("out\\TXT\\b.txt")), "b");
    for (const std::string& path : fs.asked)
        EXPECT_EQ(path.rfind(tree.Path("out"), 0), std::string::npos) << path;
}

// The real file system, keeping every path the run looks for by name and every folder it lists.
class ExistsCounting : public RealFileSystem {
public:
    std::vector<std::string> asked;
    std::vector<std::string> listed;
    bool Exists(const std::string& path) override
    {
        asked.push_back(path);
        return RealFileSystem::Exists(path);
    }
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override
    {
        listed.push_back(folder);
        return RealFileSystem::ListNames(folder, names);
    }
    long Asked(const std::string& path) const { return std::count(asked.begin(), asked.end(), path); }
    long Listed(const std::string& folder) const { return std::count(listed.begin(), listed.end(), folder); }
};

// A move looks for none of its targets ahead: its rename never replaces, and a name it finds taken
// is placed by the policy as one taken meanwhile. A copy looks first, as it would write the whole
// file before its name is refused; in a folder that was there, by name while it places few files.
TEST_F(OrganizeRunTest, AMoveLooksForNoTargetAheadAndPlacesATakenOneByItsPolicy)
{
    ExistsCounting fs;
    host.fileSystem = &fs;
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    Source("a.jpg", "new a");
    Source("b.jpg", "new b");
    CreateDirectoryA(tree.Path("out").c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA(tree.Path("out\\JPG").c_str(), nullptr));
    const std::string taken = tree.Path("out\\JPG\\b.jpg");
    ASSERT_TRUE(WriteText(taken, "other"));
    host.Run(true);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_EQ(host.Target(1), tree.Path("out\\JPG\\b_1.jpg"));
    EXPECT_EQ(ReadText(taken), "other");
    EXPECT_EQ(ReadText(tree.Path("out\\JPG\\a.jpg")), "new a");
    EXPECT_EQ(ReadText(tree.Path("out\\JPG\\b_1.jpg")), "new b");
    EXPECT_FALSE(Exists(tree.Path("src\\b.jpg")));
    EXPECT_EQ(fs.Asked(tree.Path("out\\JPG\\a.jpg")), 0);
    // Looked for once: when its rename had found it taken.
    EXPECT_EQ(fs.Asked(taken), 1);
    EXPECT_EQ(fs.Listed(tree.Path("out\\JPG")), 0);

    fs.asked.clear();
    fs.listed.clear();
    host.ClearRows();
    Source("c.jpg", "new c");
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(fs.Asked(tree.Path("out\\JPG\\c.jpg")), 1);
    EXPECT_EQ(fs.Listed(tree.Path("out\\JPG")), 0);
}

// A name that always "exists" (a device name reached through a share, a file system that
// answers yes to everything) fails its row after a bound instead of numbering for ever. A copy:
// it looks for its target ahead, where a move leaves that to its rename. Such a file system's
// folders cannot be listed, so each name is asked of it.
TEST_F(OrganizeRunTest, NumberingStopsWhenEveryNameExists)
{
    struct EveryADotJpgExists : RealFileSystem {
        int asked = 0;
        bool Exists(const std::string& path) override
        {
            ++asked;
            return FileNameOf(path).rfind("a", 0) == 0 || RealFileSystem::Exists(path);
        }
        bool ListNames(const std::string&, std::vector<std::string>&) override { return false; }
    } fs;
    host.fileSystem = &fs;
    // Folders the run makes itself hold only what it puts there: these were there.
    ASSERT_TRUE(CreateDirectoryA(tree.Path("out").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(tree.Path("out\\JPG").c_str(), nullptr));
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    Source("a.jpg", "new a");
    Source("b.jpg", "new b");
    host.Run(false);
    EXPECT_EQ(host.Result(0), "Failure (no free name: the first 10000 numbered names all exist)");
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\a.jpg"));
    EXPECT_EQ(ReadText(tree.Path("src\\a.jpg")), "new a");
    EXPECT_FALSE(Exists(tree.Path("out\\JPG\\a_10000.jpg")));
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_GT(fs.asked, 10000);
}

TEST_F(OrganizeRunTest, RenameNumbersNamesWithoutExtension)
{
    host.settings.OutputFolderType = 0;
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.CreateYearFolder = 0;
    host.settings.CreateMonthFolder = 0;
    // "notes" has no extension: the row fails before any target; a folder named like the target
    // counts as an existing target, so the dotted name gets numbered.
    Source("notes", "n");
    Source("pics.d", "d");
    CreateDirectoryA(tree.Path("src\\D").c_str(), nullptr);
    CreateDirectoryA(tree.Path("src\\D\\pics.d").c_str(), nullptr);
    host.Run(false);
    EXPECT_EQ(host.Result(0), "No file extension");
    EXPECT_EQ(host.Target(1), tree.Path("src\\D\\pics_1.d"));
    EXPECT_EQ(host.Result(1), "OK");
}

TEST_F(OrganizeRunTest, SameFolderWithoutSubfoldersByPolicy)
{
    host.settings.OutputFolderType = 0;
    host.settings.Mode = OrganizeMode::Modified;
    host.settings.CreateYearFolder = 0;
    host.settings.CreateMonthFolder = 0;
    const std::string src = Source("photo.jpg", "content");

    host.settings.TargetExistsOpt = TargetExistsPolicy::Skip;
    host.Run(true);
    EXPECT_EQ(host.Result(0), "Target file exists; skipped");

    host.settings.TargetExistsOpt = TargetExistsPolicy::Overwrite;
    host.Run(true);
    EXPECT_EQ(host.Result(0), "Same folder and name");
    EXPECT_EQ(ReadText(src), "content");

    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    host.Run(true);
    EXPECT_EQ(host.Target(0), tree.Path("src\\photo_1.jpg"));
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(ReadText(tree.Path("src\\photo_1.jpg")), "content");
    EXPECT_FALSE(Exists(src));
}

TEST_F(OrganizeRunTest, OverwriteNeverDeletesTheSourceReachedByAnotherSpelling)
{
    host.settings.OutputFolderType = 1;
    host.settings.CustomTargetFolder = tree.Path("src");
    host.settings.Mode = OrganizeMode::Modified;
    host.settings.CreateYearFolder = 0;
    host.settings.CreateMonthFolder = 0;
    host.settings.TargetExistsOpt = TargetExistsPolicy::Overwrite;
    ASSERT_TRUE(WriteText(tree.Path("src\\photo.jpg"), "the only copy"));
    CreateDirectoryA(tree.Path("src\\sub").c_str(), nullptr);
    host.AddRow(tree.Path("src\\sub\\..\\photo.jpg"));
    host.Run(true);
    EXPECT_EQ(host.Result(0), "Same folder and name");
    EXPECT_EQ(ReadText(tree.Path("src\\photo.jpg")), "the only copy");

    // The short (8.3) spelling of a long folder name reaches the same file too.
    CreateDirectoryA(tree.Path("Long Folder Name").c_str(), nullptr);
    ASSERT_TRUE(WriteText(tree.Path("Long Folder Name\\photo.jpg"), "only copy 2"));
    char shortPath[MAX_PATH];
    const DWORD n = GetShortPathNameA(tree.Path("Long Folder Name\\photo.jpg").c_str(), shortPath, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    // Windows makes no short names on volumes where they are turned off (the default for new
    // volumes other than the system drive since Windows 8); Wine always has them.
    if (std::string(shortPath) == tree.Path("Long Folder Name\\photo.jpg"))
        GTEST_SKIP() << "this volume has no 8.3 names";
    host.settings.CustomTargetFolder = tree.Path("Long Folder Name");
    host.ClearRows();
    host.AddRow(shortPath);
    host.Run(true);
    EXPECT_EQ(host.Result(0), "Same folder and name");
    EXPECT_EQ(ReadText(tree.Path("Long Folder Name\\photo.jpg")), "only copy 2");
}

// The real file system, counting the files asked one by one what identifies them (folders, asked
// once each, do not count); its folder listings can give a name to a second file too, as a folder
// that tells letter case apart does.
class IdentityCounting : public RealFileSystem {
public:
    int asked = 0;
    std::string twinOf;  // the listed name also given, in capitals, to another file

    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        if (path.empty() || path.back() != '\\')
            ++asked;
        return RealFileSystem::Identity(path, identity);
    }
    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        if (!RealFileSystem::FolderIdentities(folder, files))
            return false;
        for (const ListedIdentity& file : files) {
            if (file.name != twinOf)
                continue;
            ListedIdentity twin = file;
            twin.name = PathKey(file.name);
            twin.shortName.clear();
            twin.identity.index ^= 1ull << 60;
            files.insert(files.begin(), twin);
            break;
        }
        return true;
    }
};

TEST_F(OrganizeRunTest, AFileListedUnderAnyOfItsNamesIsOrganizedOnce)
{
    IdentityCounting files;
    host.fileSystem = &files;
    CreateDirectoryA(tree.Path("src\\sub").c_str(), nullptr);
    CreateDirectoryA(tree.Path("src\\Long Folder Name").c_str(), nullptr);
    CreateDirectoryA(tree.Path("src\\links").c_str(), nullptr);
    const std::string a = Source("a.jpg", JpegTaken("2012:01:27 10:00:00"));
    host.AddRow(tree.Path("src\\A.JPG"));
    const std::string b = Source("b.jpg", JpegTaken("2013:02:27 10:00:00"));
    host.AddRow(tree.Path("src\\sub\\..\\b.jpg"));
    host.AddRow(tree.Path("src\\.\\b.jpg"));
    const std::string longPath = tree.Path("src\\Long Folder Name\\Long Photo Name.jpg");
    ASSERT_TRUE(WriteData(longPath, JpegTaken("2014:03:27 10:00:00")));
    host.AddRow(longPath);
    char shortPath[MAX_PATH];
    const DWORD n = GetShortPathNameA(longPath.c_str(), shortPath, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    host.AddRow(shortPath);
    const std::string c = Source("c.jpg", JpegTaken("2015:04:27 10:00:00"));
    const std::string link = tree.Path("src\\links\\c second name.jpg");
    ASSERT_TRUE(CreateHardLinkA(link.c_str(), c.c_str(), nullptr));
    host.AddRow(link);
    // Two files alike in bytes and time are still two files.
    const std::string d = Source("d.jpg", JpegTaken("2016:05:27 10:00:00"));
    ASSERT_TRUE(CopyFileA(d.c_str(), tree.Path("src\\links\\d.jpg").c_str(), TRUE));
    host.AddRow(tree.Path("src\\links\\d.jpg"));
    host.Run(true);

    const std::vector<std::pair<std::string, std::string>> expected {
            {a, "OK"},
            {tree.Path("src\\A.JPG"), DuplicateText(a)},
            {b, "OK"},
            {tree.Path("src\\sub\\..\\b.jpg"), DuplicateText(b)},
            {tree.Path("src\\.\\b.jpg"), DuplicateText(b)},
            {longPath, "OK"},
            {shortPath, DuplicateText(longPath)},
            {c, "OK"},
            {link, DuplicateText(c)},
            {d, "OK"},
            {tree.Path("src\\links\\d.jpg"), "OK"},
    };
    for (std::size_t row = 0; row < expected.size(); ++row) {
        EXPECT_EQ(host.Rows().Source(static_cast<int>(row)), expected[row].first);
        EXPECT_EQ(host.Result(static_cast<int>(row)), expected[row].second) << expected[row].first;
    }
    EXPECT_TRUE(Exists(tree.Path("out\\2012\\2012_01\\a.jpg")));
    EXPECT_TRUE(Exists(tree.Path("out\\2014\\2014_03\\Long Photo Name.jpg")));
    // Each folder's listing named every file: none was opened for its identity.
    EXPECT_EQ(files.asked, 0);
}

TEST_F(OrganizeRunTest, ANameTwoListedFilesAnswerToAsksTheFileItself)
{
    IdentityCounting files;
    files.twinOf = "c.jpg";
    host.fileSystem = &files;
    CreateDirectoryA(tree.Path("src\\links").c_str(), nullptr);
    const std::string c = Source("c.jpg", JpegTaken("2015:04:27 10:00:00"));
    const std::string link = tree.Path("src\\links\\c second name.jpg");
    ASSERT_TRUE(CreateHardLinkA(link.c_str(), c.c_str(), nullptr));
    host.AddRow(link);
    host.Run(true);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), DuplicateText(c));
    EXPECT_EQ(files.asked, 1);
}

TEST_F(OrganizeRunTest, FailedOverwriteKeepsTheOldTarget)
{
    host.settings.Mode = OrganizeMode::Extension;
    CreateDirectoryA(tree.Path("out").c_str(), nullptr);
    CreateDirectoryA(tree.Path("out\\JPG").c_str(), nullptr);
    ASSERT_TRUE(WriteText(tree.Path("out\\JPG\\a.jpg"), "old target"));
    host.settings.TargetExistsOpt = TargetExistsPolicy::Overwrite;
    // The source vanished after it was listed, and another is locked by a program.
    host.AddRow(tree.Path("src\\a.jpg"));
    for (bool move : {true, false}) {
        host.Run(move);
        EXPECT_EQ(host.Result(0).rfind("Failure (", 0), 0u) << host.Result(0);
        EXPECT_EQ(ReadText(tree.Path("out\\JPG\\a.jpg")), "old target");
    }
    ASSERT_TRUE(WriteText(tree.Path("src\\a.jpg"), "locked source"));
    HANDLE lock =
            CreateFileA(tree.Path("src\\a.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    for (bool move : {true, false}) {
        host.Run(move);
        EXPECT_EQ(host.Result(0).rfind("Failure (", 0), 0u) << host.Result(0);
        EXPECT_EQ(ReadText(tree.Path("out\\JPG\\a.jpg")), "old target");
    }
    CloseHandle(lock);
    EXPECT_EQ(ReadText(tree.Path("src\\a.jpg")), "locked source");
    // No temporary file is left behind.
    EXPECT_EQ(FilesBelow(tree.Path("out")).size(), 1u);
}

TEST_F(OrganizeRunTest, TargetFolderThatCannotBeCreatedFailsTheRowOnly)
{
    host.settings.Mode = OrganizeMode::Extension;
    CreateDirectoryA(tree.Path("out").c_str(), nullptr);
    ASSERT_TRUE(WriteText(tree.Path("out\\TXT"), "a file where the folder should go"));
    Source("a.txt", "a");
    Source("b.jpg", "b");
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("out\\TXT\\a.txt"));
    EXPECT_EQ(host.Result(0).rfind("Failed to create folder \"" + tree.Path("out\\TXT\\") + "\"", 0), 0u)
            << host.Result(0);
    EXPECT_EQ(host.Result(1), "OK");
}

TEST_F(OrganizeRunTest, LogIsWrittenByteForByte)
{
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.SaveToLog = 1;
    host.settings.LogFile = tree.Path("logs\\deep\\log.txt");
    Source("a.jpg", "a");
    Source("b", "b");
    host.Run(true);
    host.Run(true);
    const std::string expected = "This is a log file created by Quillmere.\r\n\r\n" + kRule +
                                 "\r\nStart at: T\r\n\r\n"
                                 "[Source] " +
                                 tree.Path("src\\a.jpg") + "\r\n[Target] " + tree.Path("out\\JPG\\a.jpg") +
                                 "\r\n[Move] OK\r\n\r\n"
                                 "[Source] " +
                                 tree.Path("src\\b") +
                                 "\r\n[Target] \r\n[Move] No file extension\r\n\r\n"
                                 "Finish at: T\r\n" +
                                 kRule + "\r\n\r\n\r\n" + kRule +
                                 "\r\nStart at: T\r\n\r\n"
                                 "[Source] " +
                                 tree.Path("src\\a.jpg") + "\r\n[Target] " + tree.Path("out\\JPG\\a.jpg") +
                                 "\r\n[Move] Failure (";
    const std::string log = WithoutTimes(ReadText(tree.Path("logs\\deep\\log.txt")));
    EXPECT_EQ(log.substr(0, expected.size()), expected);
    EXPECT_NE(log.find(")\r\n\r\n[Source] " + tree.Path("src\\b") +
                       "\r\n[Target] \r\n[Move] No file extension\r\n\r\n"
                       "Finish at: T\r\n" +
                       kRule + "\r\n\r\n\r\n"),
              std::string::npos)
            << log;
}

TEST_F(OrganizeRunTest, LogThatCannotBeOpenedStopsTheRun)
{
    host.settings.SaveToLog = 1;
    CreateDirectoryA(tree.Path("logdir").c_str(), nullptr);
    host.settings.LogFile = tree.Path("logdir");  // a folder: cannot be opened as a file
    const std::string src = Source("a.jpg", JpegTaken("2012:01:27 10:46:15"));
    host.Run(true);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("Quillmere keeps a log of its runs, as chosen in Options.\n"
                                          "However, the program failed to create the following log file. ",
                                          0),
              0u);
    EXPECT_NE(host.messages[0].text.find("\n\n" + tree.Path("logdir")), std::string::npos);
    EXPECT_EQ(host.savedCount, 0);
    EXPECT_TRUE(Exists(src));

    // A log whose folder cannot be made names the folder.
    host.messages.clear();
    ASSERT_TRUE(WriteText(tree.Path("blocker"), "x"));
    host.settings.LogFile = tree.Path("blocker\\sub\\log.txt");
    host.Run(true);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("Quillmere keeps a log of its runs, as chosen in Options.\n"
                                          "However, the program failed to create folder \"" +
                                                  tree.Path("blocker\\sub\\") +
                                                  "\" for the following log file. ",
                                          0),
              0u)
            << host.messages[0].text;
    // On with an empty path: no log, no message.
    host.messages.clear();
    host.settings.LogFile = "";
    host.Run(false);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.Result(0), "OK");
}

TEST_F(OrganizeRunTest, AJournalThatCannotBeCreatedStopsTheRunWithTheSystemsReason)
{
    // A file stands where the runs folder's parent would be: no folder can be made below it.
    ASSERT_TRUE(WriteText(tree.Path("blocker"), "x"));
    const std::string runs = tree.Path("blocker\\runs\\");
    ASSERT_TRUE(SetEnvironmentVariableA(kRunsFolderVariable, runs.c_str()));
    const std::string src = Source("a.jpg", JpegTaken("2012:01:27 10:46:15"));
    host.Run(true);
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, MessageKind::Warning);
    EXPECT_EQ(host.messages[0].text, "Failed to write the run's journal in \"" + runs + "\". " +
                                             FileErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(host.savedCount, 0);
    EXPECT_TRUE(Exists(src));
    EXPECT_FALSE(Exists(tree.Path("out")));
}

TEST_F(OrganizeRunTest, AJournalOnAWriteProtectedDriveIsASystemFailureWithItsNumber)
{
    const char* card = std::getenv("QM_READONLY_DRIVE");
    if (card == nullptr || *card == '\0')
        GTEST_SKIP() << "no write-protected drive: run as root through with_test_drives.sh";
    RunJournal journal(SystemFileOps());
    const Status opened = journal.Open(card, "run", JournalHeader {}, 50);
    ASSERT_FALSE(opened.Ok());
    EXPECT_EQ(opened.Kind(), FailureKind::System);
    EXPECT_TRUE(opened.Code() == static_cast<std::uint32_t>(ERROR_WRITE_PROTECT) ||
                opened.Code() == static_cast<std::uint32_t>(ERROR_ACCESS_DENIED))
            << opened.Code();
    EXPECT_EQ(opened.Reason(), "Failed to write the run's journal in \"" + std::string(card) + "\". " +
                                       FileErrorText(opened.Code()));
    EXPECT_FALSE(Exists(std::string(card) + "run.qmj"));
}

TEST_F(OrganizeRunTest, ADamagedLibraryIndexIsReadAgainFromTheFilesAndStoredAnew)
{
    TempTree runs;
    ASSERT_TRUE(SetEnvironmentVariableA(kRunsFolderVariable, runs.Root().c_str()));
    const std::vector<unsigned char> photo = JpegTaken("2012:01:27 10:46:15");
    CreateDirectoryA(tree.Path("out").c_str(), nullptr);
    CreateDirectoryA(tree.Path("out\\old").c_str(), nullptr);
    ASSERT_TRUE(WriteData(tree.Path("out\\old\\kept.jpg"), photo));
    const std::string index = LibraryIndexFile(tree.Path("out"));
    ASSERT_TRUE(WriteText(index, "Quillmere library index 1\tnot this library\n"));
    LibraryIndex damaged(tree.Path("out\\"));
    ASSERT_EQ(LoadLibraryIndex(SystemFileOps(), index, damaged).Kind(), FailureKind::Damaged);

    host.settings.SkipKnownFiles = 1;
    const std::string src = Source("a.jpg", photo);
    host.Run(false);
    SetEnvironmentVariableA(kRunsFolderVariable, nullptr);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.Result(0), "Already in the library: " + tree.Path("out\\old\\kept.jpg"));
    LibraryIndex stored(tree.Path("out\\"));
    EXPECT_TRUE(Succeeded(LoadLibraryIndex(SystemFileOps(), index, stored)));
    EXPECT_EQ(stored.FileCount(), 1u);
}

TEST_F(OrganizeRunTest, EmptyListShowsAndClosesTheProgressWindow)
{
    host.settings.SaveToLog = 1;
    host.settings.LogFile = tree.Path("log.txt");
    host.Run(false);
    ASSERT_NE(host.progressWindow, nullptr);
    EXPECT_FALSE(IsWindow(host.progressWindow));
    EXPECT_EQ(WithoutTimes(ReadText(tree.Path("log.txt"))),
              "This is a log file created by Quillmere.\r\n\r\n" + kRule +
                      "\r\nStart at: T\r\n\r\nFinish at: T\r\n" + kRule + "\r\n\r\n\r\n");
}

TEST_F(OrganizeRunTest, CancelClickedDuringARowStopsAfterIt)
{
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.SaveToLog = 1;
    host.settings.LogFile = tree.Path("log.txt");
    for (int i = 0; i < 5; ++i)
        Source("f" + std::to_string(i) + ".txt", "x");
    // Earlier results in rows 3 and 4 must survive the cancelled run.
    host.Rows().SetResult(3, {RowOutcome::Failed, "earlier"});
    host.Rows().SetTarget(4, "earlier target");
    std::string textDuringRow2;
    host.onPump = [&](int pump) {
        if (pump == 2 * 2 + 2) {  // row 2, before its work: a real click on Cancel
            HWND cancel = GetDlgItem(host.progressWindow, IDC_PROGRESS_CANCEL);
            char text[512];
            GetDlgItemTextA(host.progressWindow, IDC_PROGRESS_TEXT, text, sizeof text);
            textDuringRow2 = text;
            PostMessageA(cancel, BM_CLICK, 0, 0);
        }
    };
    host.Run(true);
    EXPECT_EQ(textDuringRow2, "[3/5] Moving " + tree.Path("src\\f2.txt") + "...");
    EXPECT_EQ(host.Result(2), "OK");
    EXPECT_EQ(host.Result(3), "earlier");
    EXPECT_EQ(host.Target(4), "earlier target");
    EXPECT_TRUE(Exists(tree.Path("src\\f3.txt")));
    const std::string log = ReadText(tree.Path("log.txt"));
    EXPECT_NE(log.find("f2.txt\r\n[Target]"), std::string::npos);
    EXPECT_EQ(log.find("f3.txt"), std::string::npos);
    EXPECT_NE(log.find("Finish at: "), std::string::npos);
    EXPECT_FALSE(IsWindow(host.progressWindow));
    EXPECT_TRUE(host.inputEnabled);
}

TEST_F(OrganizeRunTest, CloseRequestFromTheUserCountsAsCancelAndKeepsTheWindow)
{
    host.settings.Mode = OrganizeMode::Extension;
    for (int i = 0; i < 3; ++i)
        Source("f" + std::to_string(i) + ".txt", "x");
    bool aliveAfterClose = false;
    host.onPump = [&](int pump) {
        if (pump == 2) {
            // Enter and Escape change nothing; Alt+F4's close request cancels.
            SendMessageA(host.progressWindow, WM_COMMAND, IDOK, 0);
            SendMessageA(host.progressWindow, WM_COMMAND, IDCANCEL, 0);
            EXPECT_TRUE(IsWindow(host.progressWindow));
            SendMessageA(host.progressWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
            aliveAfterClose = IsWindow(host.progressWindow) != 0;
        }
    };
    host.Run(false);
    EXPECT_TRUE(aliveAfterClose);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), "");
    EXPECT_FALSE(IsWindow(host.progressWindow));
}

TEST_F(OrganizeRunTest, RunFollowsTheRowsDisplayOrderAndOverwritesEarlierCells)
{
    host.settings.Mode = OrganizeMode::Extension;
    Source("b.txt", "b");
    Source("a.txt", "a");
    host.Rows().SetResult(0, {RowOutcome::Failed, "stale"});
    std::vector<std::string> order;
    host.onPump = [&](int pump) {
        if (pump % 2 == 0 && pump >= 2) {
            char text[512];
            GetDlgItemTextA(host.progressWindow, IDC_PROGRESS_TEXT, text, sizeof text);
            order.push_back(text);
        }
    };
    host.Run(false);
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], "[1/2] Copying " + tree.Path("src\\b.txt") + "...");
    EXPECT_EQ(order[1], "[2/2] Copying " + tree.Path("src\\a.txt") + "...");
    EXPECT_EQ(host.Result(0), "OK");
}

// A copy run copies a batch's files when it plans the batch, before their rows: once the first row
// is done, the second row's copy stands under its unfinished name, and a source removed then is still
// placed whole. A move takes each source at its own row.
TEST_F(OrganizeRunTest, ACopyRunCopiesItsBatchBeforeItsRows)
{
    host.settings.Mode = OrganizeMode::Extension;
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        Source("a.txt", "a");
        Source("b.txt", "b");
        int unfinished = -1;
        host.onPump = [&](int) {
            if (unfinished >= 0 || host.Result(0).empty())
                return;
            unfinished = 0;
            for (const auto& [path, content] : FilesBelow(tree.Path("out")))
                unfinished += path.find(".qmpart") != std::string::npos ? 1 : 0;
            ASSERT_TRUE(DeleteFileA(tree.Path("src\\b.txt").c_str()));
        };
        host.Run(move);
        EXPECT_EQ(unfinished, move ? 0 : 1);
        EXPECT_EQ(host.Result(0), "OK");
        if (move) {
            EXPECT_NE(host.Result(1), "OK");
            EXPECT_FALSE(Exists(tree.Path("out\\TXT\\b.txt")));
        } else {
            EXPECT_EQ(host.Result(1), "OK");
            EXPECT_EQ(ReadText(tree.Path("out\\TXT\\b.txt")), "b");
        }
        for (const auto& [path, content] : FilesBelow(tree.Path("out")))
            EXPECT_EQ(path.find(".qmpart"), std::string::npos) << path;
        RemoveTree(tree.Path("out"));
        host.ClearRows();
    }
}

// Answers as a MetaLookup does, and records what the run tells it ahead: the first file, how
// many, and how many rows had ended then.
class AheadRecorder : public DateLookup {
public:
    struct Told {
        std::string first;
        std::size_t count;
        int rowsEnded;
        bool operator==(const Told&) const = default;
    };

    explicit AheadRecorder(std::function<int()> rowsEnded) : rowsEnded_(std::move(rowsEnded)) { }

    Result<std::optional<FoundDate>> DateFrom(const std::string& path, const DateSources& sources) override
    {
        return inner_.DateFrom(path, sources);
    }
    Result<std::optional<std::string>> OrientationText(const std::string& path) override
    {
        return inner_.OrientationText(path);
    }
    Result<std::optional<GeoPosition>> PositionOf(const std::string& path) override
    {
        return inner_.PositionOf(path);
    }
    Result<std::optional<std::string>> ContentIdentifier(const std::string& path) override
    {
        return inner_.ContentIdentifier(path);
    }
    Result<std::optional<TakeoutRole>> TakeoutRoleOf(const std::string& path) override
    {
        return inner_.TakeoutRoleOf(path);
    }
    void SetWaitHook(std::function<bool()> hook) override { inner_.SetWaitHook(std::move(hook)); }
    void Ahead(const std::vector<std::string>& paths) override
    {
        told.push_back({paths.empty() ? std::string() : paths.front(), paths.size(), rowsEnded_()});
        inner_.Ahead(paths);
    }

    std::vector<Told> told;

private:
    MetaLookup inner_;
    std::function<int()> rowsEnded_;
};

// The files of the next batch are told to the lookup once this batch is planned, before its steps,
// so that they are read while this batch's files are placed; they are told again at their batch.
// Every file is placed by its own date.
TEST_F(OrganizeRunTest, TheNextBatchIsReadAheadWhileThisOneIsPlaced)
{
    host.settings.Mode = OrganizeMode::Taken;
    std::vector<std::string> sources;
    for (int i = 0; i < 70; ++i)
        sources.push_back(Source("p" + std::to_string(100 + i) + ".jpg",
                                 JpegTaken("20" + std::to_string(10 + i % 3) + ":07:15 14:03:09")));
    AheadRecorder lookup([&] {
        int ended = 0;
        for (int row = 0; row < 70; ++row)
            ended += host.Result(row).empty() ? 0 : 1;
        return ended;
    });
    host.lookup = &lookup;
    host.Run(false);
    host.lookup = nullptr;
    EXPECT_EQ(lookup.told, (std::vector<AheadRecorder::Told> {
                                   {sources[0], 64, 0}, {sources[64], 6, 0}, {sources[64], 6, 64}}));
    for (int row = 0; row < 70; ++row) {
        EXPECT_EQ(host.Result(row), "OK") << row;
        const std::string year = "20" + std::to_string(10 + row % 3);
        EXPECT_EQ(host.Target(row),
                  tree.Path("out\\" + year + "\\" + year + "_07\\p" + std::to_string(100 + row) + ".jpg"));
    }
}

TEST_F(OrganizeRunTest, FilesInsideAnArchiveCountWithTheirSizeUncompressed)
{
    host.settings.Mode = OrganizeMode::Extension;
    ZipBuilder zip;
    zip.Add("a.jpg", std::string(3u << 20, 'a'));
    zip.Add("DCIM/b.jpg", std::string(1u << 20, 'b'), true);  // deflated to a few kilobytes
    const std::string archive = tree.Path("src\\t.zip");
    const std::string bytes = zip.Build();
    ASSERT_TRUE(WriteData(archive, std::vector<unsigned char>(bytes.begin(), bytes.end())));
    host.AddRow(archive + "\\a.jpg");
    host.AddRow(archive + "\\DCIM\\b.jpg");
    std::vector<std::string> details;
    host.onPump = [&](int) {
        if (!host.Result(0).empty())
            return;
        char text[256] = "";
        GetDlgItemTextA(host.progressWindow, IDC_PROGRESS_DETAIL, text, sizeof text);
        details.push_back(text);
    };
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), "OK");
    // Before the first file's row ends, both are copied out ahead, each counted as it is when
    // copied out.
    const std::string bothCopied = BytesText(4u << 20) + " of " + BytesText(4u << 20);
    std::string shown;
    for (const std::string& detail : details)
        shown += detail + "\n";
    EXPECT_TRUE(std::any_of(details.begin(), details.end(), [&](const std::string& detail) {
        return detail.rfind(bothCopied, 0) == 0;
    })) << shown;
}
