// Paths longer than the 260 characters of the plain file functions, through the real program: deep
// sources and output folders are listed, previewed, copied, moved and undone alike; the lengths
// around CreateDirectory's own limit work; a name longer than 255 fails its row and leaves nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/PathUtils.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"
#include "tests/win/cli/CliWorkspace.h"

namespace {

// A folder below base (which ends with a backslash) whose path is exactly length characters long,
// made of parts of at most 60 characters; nothing is created.
std::string Deep(const std::string& base, std::size_t length, char letter = 'd')
{
    std::string path = base;
    while (path.size() < length) {
        if (path.back() != '\\')
            path += '\\';
        const std::size_t left = length - path.size();
        // Two characters at least stay for the next part and its backslash.
        path.append(left <= 60 ? left : std::min<std::size_t>(60, left - 2), letter);
    }
    return path;
}

bool MakeTree(const std::string& folder)
{
    return MakeFolders(SystemFileOps(), folder).Ok();
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(CliLongPaths, DeepSourcesIntoADeepOutputArePreviewedRunAndUndoneAlike)
{
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        Workspace w;
        const std::string src300 = Deep(w.Src(""), 305, 's');
        const std::string src360 = Deep(w.Src(""), 360, 't');
        const std::string out = Deep(w.Out(), 310, 'o');
        ASSERT_EQ(src360.size(), 360u);
        ASSERT_TRUE(MakeTree(src300) && MakeTree(src360) && MakeTree(out));
        const auto first = JpegTaken("2012:01:27 10:00:00", "first", 300000);
        const auto second = JpegTaken("2013:05:02 08:00:00", "second", 5000);
        ASSERT_TRUE(WriteData(src300 + "\\a.jpg", first));
        ASSERT_TRUE(WriteData(src360 + "\\b.jpg", second));
        // The journal goes into a folder of 300 characters too.
        const std::string runs = Deep(w.Runs(), 300, 'j') + "\\";
        ASSERT_TRUE(SetEnvironmentVariableA(kRunsFolderVariable, runs.c_str()));
        const auto before = Snapshot(w.Data());

        const std::vector<std::string> args {"organize", move ? "--move" : "--copy", "--out", out, w.Src("")};
        std::vector<std::string> preview = args;
        preview.insert(preview.begin() + 1, "--dry-run");
        const CliOutcome dry = RunCli(preview);
        ASSERT_EQ(dry.exitCode, 0u) << dry.out << dry.err;
        EXPECT_EQ(Snapshot(w.Data()), before);

        const CliOutcome run = RunCli(args);
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
        const std::string firstTarget = out + "\\2012\\2012_01\\2012_01_27\\a.jpg";
        const std::string secondTarget = out + "\\2013\\2013_05\\2013_05_02\\b.jpg";
        EXPECT_EQ(Sorted(Lines(run.out)), Sorted({src300 + "\\a.jpg\t" + firstTarget + "\tOK",
                                                  src360 + "\\b.jpg\t" + secondTarget + "\tOK"}));
        EXPECT_EQ(Sorted(Lines(dry.out)), Sorted(Lines(run.out)));
        EXPECT_EQ(ReadText(firstTarget), std::string(first.begin(), first.end()));
        EXPECT_EQ(ReadText(secondTarget), std::string(second.begin(), second.end()));
        EXPECT_EQ(Exists(src300 + "\\a.jpg"), !move);
        EXPECT_EQ(Exists(src360 + "\\b.jpg"), !move);
        EXPECT_EQ(KeptJournals(runs).size(), 1u);

        const CliOutcome undo = RunCli({"undo"});
        EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
        EXPECT_EQ(Snapshot(w.Data()), before) << undo.out;
    }
}

// Windows refuses CreateDirectory from 248 characters on without the long form, which Wine takes:
// the run gives it the long form there, so that it creates such folders as its preview says.
TEST(CliLongPaths, FoldersOf248To259CharactersAreCreatedAsPreviewed)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    const auto photo = ReadText(w.Src("a.jpg"));
    for (std::size_t length = 248; length <= 259; ++length) {
        SCOPED_TRACE(length);
        // The year folder the run creates is length characters long.
        const std::string out = Deep(w.Out(std::to_string(length) + "\\"), length - 5, 'f');
        const std::vector<std::string> args {"organize", "--copy", "--no-month",  "--no-day",
                                             "--out",    out,      w.Src("a.jpg")};
        std::vector<std::string> preview = args;
        preview.insert(preview.begin() + 1, "--dry-run");
        const CliOutcome dry = RunCli(preview);
        const CliOutcome run = RunCli(args);
        const std::string target = out + "\\2012\\a.jpg";
        ASSERT_EQ((out + "\\2012").size(), length);
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_EQ(run.out, w.Src("a.jpg") + "\t" + target + "\tOK\n");
        EXPECT_EQ(dry.out, run.out);
        EXPECT_EQ(ReadText(target), photo);
    }
}

TEST(CliLongPaths, ANameLongerThan255FailsItsRowAsPreviewedAndLeavesNothing)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    ASSERT_TRUE(w.Put(w.Src("b.jpg"), "2013:05:02 08:00:00", "b"));
    const std::string out = Deep(w.Out(), 300, 'o');
    ASSERT_TRUE(MakeTree(out));
    const auto before = Snapshot(w.Data());
    // 248 letters and the year: a.jpg's name takes 256 characters, one too many, b's as many.
    const std::string name = std::string(248, 'n') + "%Y";
    const std::vector<std::string> args {"organize", "--copy",   "--no-month", "--no-day",    "--out",
                                         out,        "--rename", name,         w.Src("a.jpg")};
    std::vector<std::string> preview = args;
    preview.insert(preview.begin() + 1, "--dry-run");
    const CliOutcome dry = RunCli(preview);
    const CliOutcome run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1u) << run.out << run.err;
    std::string reason;
    ASSERT_TRUE(SystemErrorText(ERROR_FILENAME_EXCED_RANGE, reason));
    EXPECT_EQ(run.out, w.Src("a.jpg") + "\t" + out + "\\2012\\" + std::string(248, 'n') +
                               "2012.jpg\tFailure (" + reason + ")\n");
    EXPECT_EQ(dry.out, run.out);
    EXPECT_EQ(Snapshot(w.Data()), before);
    EXPECT_TRUE(w.Journals().empty());

    // A folder name of 256 characters from the month template: the same, for the run and its preview.
    const std::string month = std::string(254, 'm') + "%M";
    const std::vector<std::string> folderArgs {"organize", "--copy", "--no-day", "--month-format",
                                               month,      "--out",  out,        w.Src("a.jpg")};
    std::vector<std::string> folderPreview = folderArgs;
    folderPreview.insert(folderPreview.begin() + 1, "--dry-run");
    const CliOutcome folderDry = RunCli(folderPreview);
    const CliOutcome folderRun = RunCli(folderArgs);
    EXPECT_EQ(folderRun.exitCode, 1u) << folderRun.out << folderRun.err;
    EXPECT_EQ(folderRun.out, w.Src("a.jpg") + "\t" + out + "\\2012\\" + std::string(254, 'm') +
                                     "01\\a.jpg\tFailure (" + reason + ")\n");
    EXPECT_EQ(folderDry.out, folderRun.out);
    EXPECT_EQ(Snapshot(w.Data()), before);

    // One character less fits, in a folder of 300 characters.
    const std::string fits = std::string(247, 'n') + "%Y";
    const CliOutcome placed = RunCli(
            {"organize", "--copy", "--no-month", "--no-day", "--out", out, "--rename", fits, w.Src("b.jpg")});
    EXPECT_EQ(placed.exitCode, 0u) << placed.out << placed.err;
    EXPECT_EQ(ReadText(out + "\\2013\\" + std::string(247, 'n') + "2013.jpg"), ReadText(w.Src("b.jpg")));
}

// A JPEG read in the program itself and a video read by the metadata tool, both in a folder of 330
// characters.
TEST(CliLongPaths, LookupReadsFilesInDeepFolders)
{
    Workspace w;
    const std::string deep = Deep(w.Src(""), 330);
    ASSERT_TRUE(MakeTree(deep));
    ASSERT_TRUE(w.Put(deep + "\\a.jpg", "2012:01:27 10:00:00", "a"));
    const auto videoDate = uint32_t(qmtest::MovieSeconds(2019, 6, 15, 12, 0, 0));
    ASSERT_TRUE(WriteData(deep + "\\clip.mov", qmtest::BuildMovie("qt  ", videoDate, videoDate)));

    const CliOutcome lookup = RunCli({"lookup", "--explain", deep + "\\a.jpg", deep + "\\clip.mov"});
    EXPECT_EQ(lookup.exitCode, 0u) << lookup.out << lookup.err;
    const auto lines = FirstColumns(lookup.out, 3);
    ASSERT_EQ(lines.size(), 2u) << lookup.out;
    EXPECT_EQ(lines[0], deep + "\\a.jpg\t2012:01:27 10:00:00\tDate/Time Original");
    EXPECT_EQ(lines[1].rfind(deep + "\\clip.mov\t2019:06:15 ", 0), 0u) << lines[1];
}

// Relative parts, "." and ".." and forward slashes in a long path name the folder they lead to.
TEST(CliLongPaths, ARelativeDeepOutputFolderIsMadeFullFirst)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    const std::string deep = Deep(w.Out(), 300);
    ASSERT_TRUE(MakeTree(deep));
    // From the deep folder: up two levels and down again, with forward slashes.
    const std::string tail = deep.substr(w.Out().size());
    std::string spelled = w.Out() + "x\\..\\" + tail + "\\./../" + deep.substr(deep.rfind('\\') + 1);
    std::replace(spelled.begin(), spelled.end(), '\\', '/');
    const CliOutcome run =
            RunCli({"organize", "--copy", "--no-month", "--no-day", "--out", spelled, w.Src("a.jpg")});
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(ReadText(deep + "\\2012\\a.jpg"), ReadText(w.Src("a.jpg")));
    EXPECT_FALSE(Exists(w.Out("x")));
}

}  // namespace
