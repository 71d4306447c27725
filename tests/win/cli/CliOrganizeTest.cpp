#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "QuillmereVersion.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"
#include "tests/win/cli/CliProcess.h"
#include "tests/support/TempTree.h"

namespace {

std::vector<unsigned char> JpegTaken(const std::string& date, uint16_t orientation = 1)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, orientation).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

class CliOrganize : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src\\sub").c_str(), nullptr));
    }

    std::string Src(const std::string& name) const { return tree.Path("src\\" + name); }
    std::string Out(const std::string& name = "") const { return tree.Path("out\\" + name); }
    void Put(const std::string& name, const std::string& date)
    {
        ASSERT_TRUE(WriteData(Src(name), JpegTaken(date)));
    }

    TempTree tree;
};

TEST_F(CliOrganize, VersionHelpAndUsageErrors)
{
    const CliOutcome version = RunCli({"--version"});
    ASSERT_TRUE(version.started);
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_EQ(version.out.rfind("quillmere-cli " QM_VERSION_TEXT "\n", 0), 0u) << version.out;

    const CliOutcome help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.out.find("quillmere-cli organize [options] PATH..."), std::string::npos);
    EXPECT_NE(help.out.find("--dry-run"), std::string::npos);

    const CliOutcome bad = RunCli({"organize", "--mode", "sideways", Src("")});
    EXPECT_EQ(bad.exitCode, 2u);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(Lines(bad.err), (std::vector<std::string> {"quillmere-cli: unknown mode \"sideways\"",
                                                         "Try \"quillmere-cli --help\"."}));

    EXPECT_EQ(RunCli({}).exitCode, 2u);
    EXPECT_EQ(RunCli({"organize", "--move", "--copy", Src("")}).exitCode, 2u);
}

TEST_F(CliOrganize, CopiesIntoDateFoldersAndPrintsTheWindowsColumns)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    Put("sub\\b.jpg", "2013:11:03 08:30:00");
    const auto before = Snapshot(tree.Path("src\\"));

    const CliOutcome run = RunCli({"organize", "--out", Out(), Src("")});
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Sorted(Lines(run.out)),
              Sorted({Src("a.jpg") + "\t" + Out("2012\\2012_01\\2012_01_27\\a.jpg") + "\tOK",
                      Src("sub\\b.jpg") + "\t" + Out("2013\\2013_11\\2013_11_03\\b.jpg") + "\tOK"}));
    EXPECT_EQ(run.err, "2 files, 2 OK, 0 skipped, 0 failed\n");
    EXPECT_EQ(Snapshot(tree.Path("src\\")), before);
    EXPECT_EQ(ReadText(Out("2012\\2012_01\\2012_01_27\\a.jpg")), before.at("a.jpg"));
    EXPECT_EQ(ReadText(Out("2013\\2013_11\\2013_11_03\\b.jpg")), before.at("sub\\b.jpg"));
}

TEST_F(CliOrganize, MovesBesideTheSourceWithRenamingAndFolderSwitches)
{
    Put("a.jpg", "2012:01:27 10:20:30");
    const std::string content = ReadText(Src("a.jpg"));
    const CliOutcome run = RunCli({"organize", "--move", "--no-month", "--day-format", "%D.%M", "--rename",
                                   "%Y-%M-%D %H_%I_%S %N", "--no-subfolders", Src("a.jpg")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const std::string target = Src("2012\\27.01\\2012-01-27 10_20_30 a.jpg");
    EXPECT_EQ(Lines(run.out), std::vector<std::string> {Src("a.jpg") + "\t" + target + "\tOK"});
    EXPECT_FALSE(Exists(Src("a.jpg")));
    EXPECT_EQ(ReadText(target), content);
}

TEST_F(CliOrganize, ExtensionFilterAndSubfolderSwitchChooseTheFiles)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    Put("b.tif", "2012:01:27 10:00:00");
    Put("sub\\c.jpg", "2012:01:27 10:00:00");
    const CliOutcome run = RunCli({"organize", "--dry-run", "--ext", " JPG ; jpeg", "--no-subfolders",
                                   "--mode", "extension", "--out", Out(), Src(""), Src("b.tif")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Lines(run.out), std::vector<std::string> {Src("a.jpg") + "\t" + Out("JPG\\a.jpg") + "\tOK"});
}

TEST_F(CliOrganize, FolderArgumentsLeaveOutWhatTheSystemKeepsForItself)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    for (const char* name : {"desktop.ini", "Thumbs.db", "hidden.jpg"})
        Put(name, "2012:01:27 10:00:00");
    const DWORD systemHidden = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN;
    ASSERT_TRUE(SetFileAttributesA(Src("desktop.ini").c_str(), systemHidden));
    ASSERT_TRUE(SetFileAttributesA(Src("Thumbs.db").c_str(), systemHidden));
    ASSERT_TRUE(SetFileAttributesA(Src("hidden.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN));
    // The folder is scanned (the filter lets all three kinds through); desktop.ini is also named
    // on its own, and so is taken.
    const CliOutcome run = RunCli({"organize", "--dry-run", "--ext", "jpg;ini;db", "--no-subfolders",
                                   "--mode", "extension", "--out", Out(), Src(""), Src("desktop.ini")});
    for (const char* name : {"desktop.ini", "Thumbs.db", "hidden.jpg"})
        SetFileAttributesA(Src(name).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Sorted(Lines(run.out)), Sorted({Src("a.jpg") + "\t" + Out("JPG\\a.jpg") + "\tOK",
                                              Src("hidden.jpg") + "\t" + Out("JPG\\hidden.jpg") + "\tOK",
                                              Src("desktop.ini") + "\t" + Out("INI\\desktop.ini") + "\tOK"}));
}

TEST_F(CliOrganize, ExitStatusCountsSkipsAsDoneAndFailuresAsFailed)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    // Beside the source without folders and names: the target is the source itself.
    const std::vector<std::string> inPlace {"organize", "--no-year", "--no-month", "--no-day", "--exists"};
    auto args = inPlace;
    args.insert(args.end(), {"skip", Src("a.jpg")});
    const CliOutcome skipped = RunCli(args);
    EXPECT_EQ(skipped.exitCode, 0u);
    EXPECT_EQ(Lines(skipped.out), std::vector<std::string> {Src("a.jpg") + "\t" + Src("a.jpg") +
                                                            "\tTarget file exists; skipped"});
    EXPECT_EQ(skipped.err, "1 files, 0 OK, 1 skipped, 0 failed\n");

    args = inPlace;
    args.insert(args.end(), {"overwrite", Src("a.jpg")});
    const CliOutcome same = RunCli(args);
    EXPECT_EQ(same.exitCode, 0u);
    EXPECT_EQ(Lines(same.out),
              std::vector<std::string> {Src("a.jpg") + "\t" + Src("a.jpg") + "\tSame folder and name"});

    ASSERT_TRUE(WriteText(Src("plain.jpg"), "no exif"));
    const CliOutcome failed = RunCli({"organize", "--out", Out(), Src("a.jpg"), Src("plain.jpg")});
    EXPECT_EQ(failed.exitCode, 1u);
    EXPECT_EQ(failed.err, "2 files, 1 OK, 0 skipped, 1 failed\n");
    EXPECT_EQ(Lines(failed.out)[1],
              Src("plain.jpg") + "\t\tFailed to get date picture taken. Maybe no EXIF info in the file");
}

TEST_F(CliOrganize, PreparationProblemsPrintTheWindowsMessageAndTouchNothing)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    const auto before = Snapshot(tree.Root());

    const CliOutcome badTemplate = RunCli({"organize", "--move", "--rename", "%Y:%N", Src("")});
    EXPECT_EQ(badTemplate.exitCode, 2u);
    EXPECT_EQ(badTemplate.out, "");
    EXPECT_EQ(badTemplate.err, "Folder and file name cannot contain any of the following characters:\n"
                               "\\/:*?\"<>|\n\nFile name template: \":\" is not allowed.\n");
    EXPECT_EQ(Snapshot(tree.Root()), before);

    ASSERT_TRUE(WriteText(tree.Path("blocker"), "a file"));
    const auto withBlocker = Snapshot(tree.Root());
    const CliOutcome badOut = RunCli({"organize", "--move", "--out", tree.Path("blocker\\out"), Src("")});
    EXPECT_EQ(badOut.exitCode, 2u);
    EXPECT_EQ(badOut.out, "");
    EXPECT_EQ(badOut.err.rfind("Failed to create folder \"" + tree.Path("blocker\\out\\") + "\". ", 0), 0u)
            << badOut.err;
    EXPECT_EQ(Snapshot(tree.Root()), withBlocker);

    // A folder where the log file should be cannot be opened as a log.
    ASSERT_TRUE(CreateDirectoryA(tree.Path("logdir").c_str(), nullptr));
    const auto withLogDir = Snapshot(tree.Root());
    const CliOutcome badLog = RunCli({"organize", "--move", "--log", tree.Path("logdir"), Src("")});
    EXPECT_EQ(badLog.exitCode, 2u);
    EXPECT_EQ(badLog.out, "");
    EXPECT_NE(badLog.err.find("However, the program failed to create the following log file."),
              std::string::npos)
            << badLog.err;
    EXPECT_EQ(Snapshot(tree.Root()), withLogDir);
}

TEST_F(CliOrganize, LogRecordsTheRunAndADryRunWritesNone)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    const std::string log = tree.Path("logs\\run.txt");
    const CliOutcome dry = RunCli({"organize", "--dry-run", "--log", log, "--out", Out(), Src("")});
    EXPECT_EQ(dry.exitCode, 0u);
    EXPECT_FALSE(Exists(tree.Path("logs")));
    const CliOutcome real = RunCli({"organize", "--log", log, "--out", Out(), Src("")});
    EXPECT_EQ(real.exitCode, 0u);
    const std::string text = ReadText(log);
    EXPECT_NE(text.find(Src("a.jpg")), std::string::npos);
    EXPECT_NE(text.find(Out("2012\\2012_01\\2012_01_27\\a.jpg")), std::string::npos);
}

TEST_F(CliOrganize, AFileThatIsNoLogIsRefusedAndLeftAsItIs)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    // A photo named as the log, and a text file of the user's (in the old code page, which a log
    // would be converted from).
    const std::vector<unsigned char> photo = JpegTaken("2011:05:05 05:05:05");
    ASSERT_TRUE(WriteData(tree.Path("photo.jpg"), photo));
    ASSERT_TRUE(WriteText(tree.Path("notes.txt"), "Caf\xE9 opening times\r\n"));
    const auto before = Snapshot(tree.Root());
    for (const char* name : {"photo.jpg", "notes.txt"}) {
        SCOPED_TRACE(name);
        const CliOutcome run =
                RunCli({"organize", "--move", "--log", tree.Path(name), "--out", Out(), Src("")});
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("is not a log file of Quillmere"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(tree.Path(name)), std::string::npos) << run.err;
        EXPECT_EQ(Snapshot(tree.Root()), before);
    }
    EXPECT_EQ(ReadText(tree.Path("photo.jpg")), std::string(photo.begin(), photo.end()));
}

TEST_F(CliOrganize, AnEmptyFileIsUsedAsTheLog)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    const std::string log = tree.Path("empty.txt");
    ASSERT_TRUE(WriteText(log, ""));
    const CliOutcome run = RunCli({"organize", "--log", log, "--out", Out(), Src("")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const std::string text = ReadText(log);
    EXPECT_EQ(text.rfind("This is a log file created by Quillmere.\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("[Source] " + Src("a.jpg") + "\r\n"), std::string::npos) << text;
    // The next run appends.
    const CliOutcome again = RunCli({"organize", "--log", log, "--out", Out(), Src("")});
    EXPECT_EQ(again.exitCode, 0u) << again.err;
    EXPECT_EQ(ReadText(log).rfind(text, 0), 0u);
}

TEST_F(CliOrganize, AnOldCodePageLogIsConvertedAndAppendedTo)
{
    char digits[8] = "";
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits);
    if (std::string(digits) != "1252")
        GTEST_SKIP() << "the old log is written in code page 1252; this system's is " << digits;
    Put("a.jpg", "2012:01:27 10:00:00");
    const std::string log = tree.Path("old.txt");
    ASSERT_TRUE(WriteText(log, "[Source] C:\\caf\xE9.jpg\r\n[Target] D:\\caf\xE9.jpg\r\n[Copy] OK\r\n\r\n"));
    const CliOutcome run = RunCli({"organize", "--log", log, "--out", Out(), Src("")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const std::string text = ReadText(log);
    EXPECT_EQ(text.rfind("[Source] C:\\caf\xC3\xA9.jpg\r\n[Target] D:\\caf\xC3\xA9.jpg\r\n[Copy] OK\r\n\r\n" +
                                 std::string(67, '=') + "\r\nStart at: ",
                         0),
              0u)
            << text;
    EXPECT_NE(text.find("[Source] " + Src("a.jpg") + "\r\n"), std::string::npos) << text;
}

TEST_F(CliOrganize, APathTypedWithABackslashBeforeItsClosingQuoteIsFound)
{
    ASSERT_TRUE(CreateDirectoryA(tree.Path("My Photos").c_str(), nullptr));
    ASSERT_TRUE(WriteData(tree.Path("My Photos\\a.jpg"), JpegTaken("2012:01:27 10:00:00")));
    const std::string warning = "\" ends in a quote; taken as \"";
    const std::string advice =
            "\" (a backslash before a closing quote escapes it: leave it out or double it)";
    // As typed in cmd: the last backslash escapes the closing quote, so the program gets
    // ...\My Photos" (the quote stays open to the end of the line, so only a last argument can
    // come out this way).
    const std::string start = CliCommandLine({"organize", "--no-year", "--no-month", "--no-day"});
    const CliOutcome run = RunCommandLine(start + " --out \"" + tree.Path("Sorted") + "\" \"" +
                                          tree.Path("My Photos\\") + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out, tree.Path("My Photos\\a.jpg") + "\t" + tree.Path("Sorted\\a.jpg") + "\tOK\n");
    EXPECT_EQ(Lines(run.err),
              (std::vector<std::string> {"quillmere-cli: warning: \"" + tree.Path("My Photos\"") + warning +
                                                 tree.Path("My Photos") + advice,
                                         "1 files, 1 OK, 0 skipped, 0 failed"}));

    // The output folder typed last the same way.
    const CliOutcome out = RunCommandLine(start + " --dry-run \"" + tree.Path("My Photos") + "\" --out \"" +
                                          tree.Path("Other\\") + "\"");
    EXPECT_EQ(out.exitCode, 0u) << out.err;
    EXPECT_EQ(out.out, tree.Path("My Photos\\a.jpg") + "\t" + tree.Path("Other\\a.jpg") + "\tOK\n");
    EXPECT_EQ(Lines(out.err).at(0),
              "quillmere-cli: warning: \"" + tree.Path("Other\"") + warning + tree.Path("Other") + advice);
}

// The dry run must report what the real run then does, line for line, and change nothing.
void ExpectDryRunMatchesRealRun(const std::string& root, const std::vector<std::string>& args)
{
    const auto before = Snapshot(root);
    std::vector<std::string> dryArgs = args;
    dryArgs.insert(dryArgs.begin() + 1, "--dry-run");
    const CliOutcome dry = RunCli(dryArgs);
    ASSERT_TRUE(dry.started);
    EXPECT_EQ(Snapshot(root), before) << "the dry run changed the tree";
    const CliOutcome real = RunCli(args);
    EXPECT_EQ(dry.out, real.out);
    EXPECT_EQ(dry.exitCode, real.exitCode);
    EXPECT_NE(Snapshot(root), before) << "the real run changed nothing; the comparison proves little";
}

TEST_F(CliOrganize, DryRunMatchesRealRunWithRenameNumbering)
{
    for (const char* name : {"a.jpg", "sub\\a.jpg"})
        Put(name, "2012:01:27 10:00:00");
    ASSERT_TRUE(CreateDirectoryA(tree.Path("sub2").c_str(), nullptr));
    ASSERT_TRUE(WriteData(tree.Path("sub2\\a.jpg"), JpegTaken("2012:01:27 11:00:00")));
    // One target exists before the run, another run's number is taken by a folder.
    ASSERT_TRUE(CreateDirectoryA(Out().c_str(), nullptr));
    for (const char* folder :
         {"2012", "2012\\2012_01", "2012\\2012_01\\2012_01_27", "2012\\2012_01\\2012_01_27\\a_2.jpg"})
        ASSERT_TRUE(CreateDirectoryA(Out(folder).c_str(), nullptr));
    ASSERT_TRUE(WriteText(Out("2012\\2012_01\\2012_01_27\\a.jpg"), "older"));
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        ExpectDryRunMatchesRealRun(tree.Root(), {"organize", move ? "--move" : "--copy", "--out", Out(),
                                                 Src(""), tree.Path("sub2\\a.jpg"), Src("missing.jpg")});
    }
    // Copy, then move: a_1, (a_2 is a folder) a_3, a_4, then a_5 to a_7: every file got a new number.
    EXPECT_TRUE(Exists(Out("2012\\2012_01\\2012_01_27\\a_7.jpg")));
    EXPECT_FALSE(Exists(Out("2012\\2012_01\\2012_01_27\\a_8.jpg")));
}

TEST_F(CliOrganize, DryRunMatchesRealRunUnderSkipAndOverwrite)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    Put("sub\\b.jpg", "2012:01:27 10:00:00");
    Put("sub\\a.jpg", "2013:01:27 10:00:00");
    const std::string folder = "2012\\2012_01\\2012_01_27\\";
    ASSERT_TRUE(CreateDirectoryA(Out().c_str(), nullptr));
    for (const char* f : {"2012", "2012\\2012_01", "2012\\2012_01\\2012_01_27"})
        ASSERT_TRUE(CreateDirectoryA(Out(f).c_str(), nullptr));
    ASSERT_TRUE(WriteText(Out(folder + "a.jpg"), "older a"));
    ASSERT_TRUE(CreateDirectoryA(Out(folder + "b.jpg").c_str(), nullptr));  // a folder is in the way

    ExpectDryRunMatchesRealRun(tree.Root(), {"organize", "--exists", "skip", "--out", Out(), Src("")});
    ExpectDryRunMatchesRealRun(tree.Root(), {"organize", "--exists", "overwrite", "--move", "--out", Out(),
                                             Src(""), Src("gone.jpg")});
    // Overwrite replaced the older file with the moved one and could not replace the folder.
    const auto moved = JpegTaken("2012:01:27 10:00:00");
    EXPECT_EQ(ReadText(Out(folder + "a.jpg")), std::string(moved.begin(), moved.end()));
    EXPECT_TRUE(Exists(Src("sub\\b.jpg")));
}

TEST_F(CliOrganize, DryRunMatchesRealRunForAMissingSourceByExtension)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    // By extension a missing source still gets its folder and fails at the move, with the reason.
    const std::vector<std::string> args {"organize", "--move", "--mode",     "extension",
                                         "--out",    Out(),    Src("a.jpg"), Src("missing.png")};
    ExpectDryRunMatchesRealRun(tree.Root(), args);
    const CliOutcome again = RunCli(
            {"organize", "--dry-run", "--move", "--mode", "extension", "--out", Out(), Src("missing.png")});
    EXPECT_EQ(again.exitCode, 1u);
    EXPECT_EQ(again.out.rfind(Src("missing.png") + "\t" + Out("PNG\\missing.png") + "\tFailure (", 0), 0u)
            << again.out;
}

TEST_F(CliOrganize, DryRunCreatesNoOutputFolder)
{
    Put("a.jpg", "2012:01:27 10:00:00");
    const CliOutcome dry = RunCli({"organize", "--dry-run", "--move", "--out", Out(), Src("")});
    EXPECT_EQ(dry.exitCode, 0u);
    EXPECT_FALSE(Exists(Out()));
    EXPECT_EQ(dry.err, "1 files, 1 OK, 0 skipped, 0 failed (dry run: nothing was changed)\n");
}

TEST_F(CliOrganize, LookupPrintsWhatTheRunWouldUse)
{
    ASSERT_TRUE(WriteData(Src("r.jpg"), JpegTaken("2010:07:15 14:03:09", 6)));
    ASSERT_TRUE(WriteText(Src("plain.jpeg"), "no exif"));

    const CliOutcome dates = RunCli({"lookup", Src("r.jpg"), Src("plain.jpeg")});
    EXPECT_EQ(dates.exitCode, 1u);
    EXPECT_EQ(Lines(dates.out),
              (std::vector<std::string> {
                      Src("r.jpg") + "\t2010:07:15 14:03:09",
                      Src("plain.jpeg") +
                              "\tFailed to get date picture taken. Maybe no EXIF info in the file"}));

    const CliOutcome orientation = RunCli({"lookup", "--mode", "orientation", Src("r.jpg")});
    EXPECT_EQ(orientation.exitCode, 0u);
    EXPECT_EQ(orientation.out, Src("r.jpg") + "\tRotate 90 CW\n");

    const CliOutcome ext = RunCli({"lookup", "--mode", "500", Src("r.jpg"), Src("plain.jpeg"), Src("sub")});
    EXPECT_EQ(ext.exitCode, 1u);
    EXPECT_EQ(Lines(ext.out), (std::vector<std::string> {Src("r.jpg") + "\tJPG", Src("plain.jpeg") + "\tJPEG",
                                                         Src("sub") + "\tNo file extension"}));

    const CliOutcome fallback = RunCli({"lookup", "--mode", "taken-else-modified", Src("plain.jpeg")});
    EXPECT_EQ(fallback.exitCode, 0u);
    EXPECT_EQ(fallback.out.size(), Src("plain.jpeg").size() + 1 + 19 + 1) << fallback.out;
}

// One tool process in batch mode for all the files of a lookup, started again after a file it
// crashed on; the stand-in tool beside a copy of the program logs every start and every path.
TEST_F(CliOrganize, LookupAsksOneToolProcessForAllItsFiles)
{
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::string selfPath(self, length);
    const std::string fakeTool = selfPath.substr(0, selfPath.find_last_of('\\') + 1) + "fake_metaprobe.exe";
    ASSERT_TRUE(CreateDirectoryA(tree.Path("bin").c_str(), nullptr));
    const std::string program = tree.Path("bin\\quillmere-cli.exe");
    ASSERT_TRUE(CopyFileA(CliProgram().c_str(), program.c_str(), TRUE));
    ASSERT_TRUE(CopyFileA(fakeTool.c_str(), tree.Path("bin\\metaprobe.exe").c_str(), TRUE));
    ASSERT_TRUE(WriteText(Src("a.tif"), "out Date/Time Original : 2001:02:03 04:05:06\\n\n"));
    ASSERT_TRUE(WriteText(Src("b.mov"), "out Create Date : 2002:03:04 05:06:07\\n\n"));
    ASSERT_TRUE(WriteText(Src("c.cr2"), "out Make : partial\\n\ncrash\n"));
    const std::string log = tree.Path("tool.log");
    ASSERT_TRUE(SetEnvironmentVariableA("QM_TOOL_LOG", log.c_str()));
    const CliOutcome run =
            RunCliProgram(program, {"lookup", Src("a.tif"), Src("b.mov"), Src("c.cr2"), Src("a.tif")});
    SetEnvironmentVariableA("QM_TOOL_LOG", nullptr);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string> {
                      Src("a.tif") + "\t2001:02:03 04:05:06", Src("b.mov") + "\t2002:03:04 05:06:07",
                      Src("c.cr2") +
                              "\tFailed to read the file's metadata (the metadata tool ended abnormally)",
                      Src("a.tif") + "\t2001:02:03 04:05:06"}));
    bool logRead = false;
    const std::string logText = ReadText(log, &logRead);
    ASSERT_TRUE(logRead);
    std::vector<std::string> starts, paths;
    for (const std::string& line : Lines(logText))
        (line.rfind("path|", 0) == 0 ? paths : starts).push_back(line);
    // Two batch starts (the second after the crash), never a one-file start.
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0], "2|--batch");
    EXPECT_EQ(starts[1], "2|--batch");
    EXPECT_EQ(paths, (std::vector<std::string> {"path|" + Src("a.tif"), "path|" + Src("b.mov"),
                                                "path|" + Src("c.cr2"), "path|" + Src("a.tif")}));
}

// The window's saved settings, in the current user's registry.
class SavedSettings {
public:
    SavedSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmere"); }
    ~SavedSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmere"); }
    bool SetDword(const char* name, DWORD value)
    {
        return RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillmere\\Options", name, REG_DWORD, &value,
                               sizeof value) == ERROR_SUCCESS;
    }
    bool SetText(const char* name, const std::string& value)
    {
        return RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillmere\\Options", name, REG_SZ, value.c_str(),
                               static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }
    bool HasKey(const char* subKey)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
};

TEST_F(CliOrganize, SavedSettingsAreReadNeverWrittenAndFlagsWin)
{
    SavedSettings saved;
    Put("a.jpg", "2012:01:27 10:00:00");
    ASSERT_TRUE(saved.SetDword("MoveType", 500));
    ASSERT_TRUE(saved.SetDword("OutputFolderType", 1));
    ASSERT_TRUE(saved.SetText("CustomTargetFolder", Out()));
    ASSERT_TRUE(saved.SetDword("TargetExistsOpt", 33));

    const CliOutcome fromSaved = RunCli({"organize", "--dry-run", "--saved", Src("a.jpg")});
    EXPECT_EQ(fromSaved.exitCode, 0u) << fromSaved.err;
    EXPECT_EQ(fromSaved.out, Src("a.jpg") + "\t" + Out("JPG\\a.jpg") + "\tOK\n");

    const CliOutcome overridden =
            RunCli({"organize", "--saved", "--mode", "taken", "--no-day", Src("a.jpg")});
    EXPECT_EQ(overridden.exitCode, 0u) << overridden.err;
    EXPECT_EQ(overridden.out, Src("a.jpg") + "\t" + Out("2012\\2012_01\\a.jpg") + "\tOK\n");
    EXPECT_FALSE(saved.HasKey("Software\\Quillmere\\OutputFolder")) << "a history was written";

    // Without --saved the registry is not read: the defaults apply (beside the source).
    const CliOutcome defaults = RunCli({"organize", "--dry-run", Src("a.jpg")});
    EXPECT_EQ(defaults.out, Src("a.jpg") + "\t" + Src("2012\\2012_01\\2012_01_27\\a.jpg") + "\tOK\n");
}

}  // namespace
