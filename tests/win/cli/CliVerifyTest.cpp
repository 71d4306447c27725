// Verified copies through the real program: each copy read back and compared before it takes its
// name, a move that deletes its source only after that, and the report's hash of every copy.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/cli/CliProcess.h"
#include "tests/win/cli/CliWorkspace.h"

namespace {

// The report's rows after its header, each split at its commas (no name here holds one).
std::vector<std::vector<std::string>> ReportRows(const std::string& path)
{
    std::vector<std::vector<std::string>> rows;
    const auto lines = Lines(ReadText(path));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t comma; (comma = lines[i].find(',', start)) != std::string::npos; start = comma + 1)
            fields.push_back(lines[i].substr(start, comma - start));
        fields.push_back(lines[i].substr(start));
        rows.push_back(fields);
    }
    return rows;
}

bool NoUnfinishedCopyBelow(const std::string& folder)
{
    for (const auto& [path, bytes] : Snapshot(folder))
        if (path.find(".qmpart") != std::string::npos)
            return false;
    return true;
}

TEST(CliVerify, AVerifiedCopyIsPlacedAndTheReportGivesTheHashOfItsBytes)
{
    Workspace w;
    // Larger than a read block, so that the read-back goes on past its first one.
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a", 3 * 1024 * 1024 + 17));
    ASSERT_TRUE(w.Put(w.Src("b.jpg"), "2013:02:28 11:00:00", "b"));
    const std::string report = w.Data("report.csv");
    const CliOutcome run = RunCli({"organize", "--verify", "--no-month", "--no-day", "--out", w.Out(),
                                   "--report", report, w.Src("a.jpg"), w.Src("b.jpg")});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string> {w.Src("a.jpg") + "\t" + w.Out("2012\\a.jpg") + "\tOK",
                                         w.Src("b.jpg") + "\t" + w.Out("2013\\b.jpg") + "\tOK"}));
    EXPECT_EQ(ReadText(w.Out("2012\\a.jpg")), ReadText(w.Src("a.jpg")));
    const auto rows = ReportRows(report);
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[0].size(), 7u);
    EXPECT_EQ(rows[0][6], ReportHashOf(w.Src("a.jpg")));
    EXPECT_EQ(rows[1][6], ReportHashOf(w.Src("b.jpg")));
    EXPECT_NE(rows[0][6], rows[1][6]);
    EXPECT_TRUE(NoUnfinishedCopyBelow(w.Out()));
}

// A companion copied with its photo is a copy like any other: the report gives its hash too.
TEST(CliVerify, ACompanionCopiedWithItsPhotoHasTheHashOfItsBytes)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
    ASSERT_TRUE(WriteText(w.Src("a.xmp"), "<x:xmpmeta>a</x:xmpmeta>"));
    const std::string report = w.Data("report.csv");
    const CliOutcome run = RunCli({"organize", "--companions", "--no-month", "--no-day", "--out", w.Out(),
                                   "--report", report, w.Src("a.jpg"), w.Src("a.xmp")});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string> {w.Src("a.jpg") + "\t" + w.Out("2012\\a.jpg") + "\tOK",
                                         w.Src("a.xmp") + "\t" + w.Out("2012\\a.xmp") + "\tOK"}));
    const auto rows = ReportRows(report);
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[1].size(), 7u);
    EXPECT_EQ(rows[0][6], ReportHashOf(w.Src("a.jpg")));
    EXPECT_EQ(rows[1][6], ReportHashOf(w.Src("a.xmp")));
}

TEST(CliVerify, AMoveOnOneDriveIsARenameAndGivesNoHash)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
    const std::string bytes = ReadText(w.Src("a.jpg"));
    const std::string report = w.Data("report.csv");
    const CliOutcome run = RunCli({"organize", "--verify", "--move", "--no-month", "--no-day", "--out",
                                   w.Out(), "--report", report, w.Src("a.jpg")});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(ReadText(w.Out("2012\\a.jpg")), bytes);
    EXPECT_FALSE(Exists(w.Src("a.jpg")));
    const auto rows = ReportRows(report);
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 7u);
    EXPECT_EQ(rows[0][2], "OK");
    EXPECT_EQ(rows[0][6], "");
}

TEST(CliVerify, AVerifiedMoveAcrossDrivesDeletesItsSourceAndIsUndone)
{
    // A second device (made by the test's wrapper): the move copies the bytes across.
    char drive[MAX_PATH] = "";
    if (GetEnvironmentVariableA("QM_CARD_DRIVE", drive, sizeof drive) == 0)
        GTEST_SKIP() << "no second device to move across";
    Workspace w;
    const std::string card = std::string(drive) + "VERIFY\\";
    ASSERT_TRUE(w.Put(card + "a.jpg", "2021:06:01 10:00:00", "card", 200000));
    const std::string bytes = ReadText(card + "a.jpg");
    const std::string report = w.Data("report.csv");
    const CliOutcome run = RunCli({"organize", "--verify", "--move", "--no-month", "--no-day", "--out",
                                   w.Out(), "--report", report, card + "a.jpg"});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(ReadText(w.Out("2021\\a.jpg")), bytes);
    EXPECT_FALSE(Exists(card + "a.jpg"));
    const auto rows = ReportRows(report);
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 7u);
    EXPECT_EQ(rows[0][6], ReportHashOf(w.Out("2021\\a.jpg")));
    const CliOutcome undo = RunCli({"undo"});
    EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
    EXPECT_EQ(ReadText(card + "a.jpg"), bytes);
    EXPECT_FALSE(Exists(w.Out("2021\\a.jpg")));
    DeleteFileA((card + "a.jpg").c_str());
    RemoveDirectoryA(card.c_str());
}

TEST(CliVerify, APreviewShowsAVerifiedCopyAsTheCopyItWouldBe)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
    const CliOutcome plain = RunCli({"organize", "--dry-run", "--out", w.Out(), w.Src("a.jpg")});
    const CliOutcome verified =
            RunCli({"organize", "--dry-run", "--verify", "--out", w.Out(), w.Src("a.jpg")});
    ASSERT_EQ(verified.exitCode, 0u) << verified.err;
    EXPECT_EQ(verified.out, plain.out);
    EXPECT_NE(verified.out.find("\tOK"), std::string::npos) << verified.out;
    EXPECT_FALSE(Exists(w.Out()));
}

TEST(CliVerify, TheHelpSaysWhatIsVerified)
{
    const CliOutcome help = RunCli({"--help"});
    EXPECT_NE(help.out.find("--verify"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("on one drive is a rename"), std::string::npos) << help.out;
}

}  // namespace
