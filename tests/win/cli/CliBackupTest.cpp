// A second copy of every file a run places, through the real program: at the same place below the
// backup folder, with the library copy's bytes and time, for copies, moves and companions; a backup
// that cannot be made leaves its file's row OK and says why; a taken name follows the run's policy;
// undo removes both copies; a dry run shows what the run does; folders that cannot be backups are
// refused before anything is touched.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/FileOps.h"
#include "tests/win/cli/CliProcess.h"
#include "tests/win/cli/CliWorkspace.h"

namespace {

std::string Backup(const Workspace& w, const std::string& name = "")
{
    return w.Data("backup\\" + name);
}

// The file's last-write time, 0 when it cannot be read.
unsigned long long LastWrite(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

// A photo with an old last-write time, so that a copy that gave the backup a new one shows.
void PutOld(Workspace& w, const std::string& path, const std::string& date, const std::string& maker)
{
    ASSERT_TRUE(w.Put(path, date, maker));
    const HANDLE file = CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME old {0x12345678, 0x01D00000};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &old));
    CloseHandle(file);
}

std::vector<std::string> Organize(const Workspace& w, std::vector<std::string> extra,
                                  const std::vector<std::string>& sources, CliOutcome& run)
{
    std::vector<std::string> args {"organize", "--no-month", "--no-day", "--out",
                                   w.Out(),    "--backup",   Backup(w)};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), sources.begin(), sources.end());
    run = RunCli(args);
    return Lines(run.out);
}

TEST(CliBackup, CopiesAndMovesAreBackedUpAtTheSamePlaceWithTheSameBytesAndTime)
{
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        Workspace w;
        PutOld(w, w.Src("a.jpg"), "2012:01:27 10:20:30", "a");
        PutOld(w, w.Src("b.jpg"), "2013:02:28 11:00:00", "b");
        const std::string a = ReadText(w.Src("a.jpg"));
        const unsigned long long aTime = LastWrite(w.Src("a.jpg"));
        CliOutcome run;
        const auto lines = Organize(w, {move ? "--move" : "--copy"}, {w.Src("a.jpg"), w.Src("b.jpg")}, run);
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_EQ(lines, (std::vector<std::string> {w.Src("a.jpg") + "\t" + w.Out("2012\\a.jpg") +
                                                            "\tOK; backup to " + Backup(w, "2012\\a.jpg"),
                                                    w.Src("b.jpg") + "\t" + w.Out("2013\\b.jpg") +
                                                            "\tOK; backup to " + Backup(w, "2013\\b.jpg")}));
        EXPECT_EQ(ReadText(w.Out("2012\\a.jpg")), a);
        EXPECT_EQ(ReadText(Backup(w, "2012\\a.jpg")), a);
        EXPECT_EQ(LastWrite(Backup(w, "2012\\a.jpg")), aTime);
        EXPECT_EQ(Exists(w.Src("a.jpg")), !move);
        EXPECT_EQ(FilesBelow(Backup(w)).size(), 2u);
        EXPECT_EQ(run.err.find("backup failed"), std::string::npos) << run.err;
    }
}

TEST(CliBackup, CompanionsAreBackedUpBesideTheirPhotoUnderItsNewName)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("IMG_1.JPG"), "2012:01:27 10:46:15", "a"));
    ASSERT_TRUE(WriteText(w.Src("IMG_1.xmp"), "<x:xmpmeta/>"));
    CliOutcome run;
    Organize(w, {"--move", "--companions", "--rename", "%Y-%M-%D"}, {w.Src("IMG_1.JPG"), w.Src("IMG_1.xmp")},
             run);
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(ReadText(Backup(w, "2012\\2012-01-27.xmp")), "<x:xmpmeta/>");
    EXPECT_EQ(ReadText(Backup(w, "2012\\2012-01-27.JPG")), ReadText(w.Out("2012\\2012-01-27.JPG")));
    EXPECT_NE(run.out.find("\\IMG_1.xmp\t" + w.Out("2012\\2012-01-27.xmp") + "\tOK; backup to " +
                           Backup(w, "2012\\2012-01-27.xmp")),
              std::string::npos)
            << run.out;
}

// A file where the backup's folder must go: the backup cannot be made, the library copy stands,
// and a move's source went only because the library copy is whole.
TEST(CliBackup, ABackupThatCannotBeMadeLeavesTheRowOkAndSaysWhy)
{
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        Workspace w;
        ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
        ASSERT_TRUE(w.Put(w.Src("b.jpg"), "2013:02:28 11:00:00", "b"));
        const std::string a = ReadText(w.Src("a.jpg"));
        CreateDirectoryA(Backup(w).c_str(), nullptr);
        ASSERT_TRUE(WriteText(Backup(w, "2012"), "not a folder"));
        const std::string report = w.Data("report.csv");
        CliOutcome run;
        const auto lines = Organize(w, {move ? "--move" : "--copy", "--report", report},
                                    {w.Src("a.jpg"), w.Src("b.jpg")}, run);
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        ASSERT_EQ(lines.size(), 2u);
        // The reason is the system's own for the folder it could not make.
        EXPECT_EQ(lines[0], w.Src("a.jpg") + "\t" + w.Out("2012\\a.jpg") +
                                    "\tOK, backup failed: " + FileErrorText(ERROR_ALREADY_EXISTS));
        EXPECT_EQ(lines[1], w.Src("b.jpg") + "\t" + w.Out("2013\\b.jpg") + "\tOK; backup to " +
                                    Backup(w, "2013\\b.jpg"));
        EXPECT_EQ(ReadText(w.Out("2012\\a.jpg")), a);
        EXPECT_EQ(ReadText(Backup(w, "2012")), "not a folder");
        EXPECT_NE(run.err.find("2 OK, 0 skipped, 0 failed, 1 backup failed"), std::string::npos) << run.err;
        const auto csv = Lines(ReadText(report));
        ASSERT_EQ(csv.size(), 3u);
        EXPECT_EQ(csv[0], "\xEF\xBB\xBFsource,target,result,date,date source,place,hash,backup");
        EXPECT_NE(csv[1].find(",failed: "), std::string::npos) << csv[1];
        EXPECT_NE(csv[2].find("," + Backup(w, "2013\\b.jpg")), std::string::npos) << csv[2];
    }
}

TEST(CliBackup, ABackupOnAFullDriveFailsOnlyTheBackup)
{
    const char* drive = std::getenv("QM_SMALL_DRIVE");
    if (drive == nullptr || *drive == '\0')
        GTEST_SKIP() << "no small drive: run as root through with_test_drives.sh to fill a real drive";
    Workspace w;
    // Larger than the whole small drive.
    ASSERT_TRUE(w.Put(w.Src("big.jpg"), "2012:01:27 10:20:30", "big", 800 * 1024));
    const std::string bytes = ReadText(w.Src("big.jpg"));
    const std::string backup = std::string(drive) + "qm_backup\\";
    const CliOutcome run = RunCli({"organize", "--move", "--no-month", "--no-day", "--out", w.Out(),
                                   "--backup", backup, w.Src("big.jpg")});
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("\tOK, backup failed: "), std::string::npos) << run.out;
    EXPECT_EQ(ReadText(w.Out("2012\\big.jpg")), bytes);
    EXPECT_TRUE(FilesBelow(backup).empty());
    RemoveTree(backup);
}

TEST(CliBackup, ANameTakenInTheBackupFolderFollowsThePolicy)
{
    struct Case {
        const char* policy;
        const char* result;  // after "OK"
        const char* atName;  // what the taken name holds afterwards: "old" or "new"
        bool numbered;  // a numbered backup was made
        bool same = false;  // the taken name holds the photo's very bytes
    };
    const Case cases[] = {
            {"skip", ", backup failed: \"BACKUP\" exists; skipped", "old", false},
            {"rename", "; backup to NUMBERED", "old", true},
            {"identical", "; backup to NUMBERED", "old", true},
            // The backup is there already: nothing is copied.
            {"identical", "; backup to BACKUP", "old", false, true},
            {"overwrite", "; backup to BACKUP", "new", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.policy) + (c.same ? " same" : ""));
        Workspace w;
        ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
        ASSERT_TRUE(c.same ? w.Put(Backup(w, "2012\\a.jpg"), "2012:01:27 10:20:30", "a")
                           : w.Put(Backup(w, "2012\\a.jpg"), "2001:01:01 00:00:00", "another photo"));
        const std::string old = ReadText(Backup(w, "2012\\a.jpg"));
        const std::string fresh = ReadText(w.Src("a.jpg"));
        CliOutcome run;
        const auto lines = Organize(w, {"--exists", c.policy}, {w.Src("a.jpg")}, run);
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        std::string result = std::string("OK") + c.result;
        const std::string taken = Backup(w, "2012\\a.jpg");
        const std::string numbered = Backup(w, "2012\\a_1.jpg");
        for (const auto& [mark, path] : {std::pair {"NUMBERED", numbered}, std::pair {"BACKUP", taken}})
            if (const auto at = result.find(mark); at != std::string::npos)
                result.replace(at, std::string(mark).size(), path);
        EXPECT_EQ(lines,
                  (std::vector<std::string> {w.Src("a.jpg") + "\t" + w.Out("2012\\a.jpg") + "\t" + result}));
        EXPECT_EQ(ReadText(taken), std::string(c.atName) == "old" ? old : fresh);
        EXPECT_EQ(Exists(numbered), c.numbered);
        if (c.numbered) {
            EXPECT_EQ(ReadText(numbered), fresh);
        }
        // Overwrite keeps the file it replaced, and undo puts it back.
        const CliOutcome undo = RunCli({"undo"});
        EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
        EXPECT_EQ(ReadText(taken), old);
        EXPECT_FALSE(Exists(numbered));
        EXPECT_FALSE(Exists(w.Out("2012\\a.jpg")));
    }
}

// Only what the run places is backed up: a file the run skips or fails is not.
TEST(CliBackup, AFileTheRunDoesNotPlaceGetsNoBackup)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
    ASSERT_TRUE(w.Put(w.Out("2012\\a.jpg"), "2001:01:01 00:00:00", "already in the library"));
    ASSERT_TRUE(WriteText(w.Src("b.jpg"), "no photo"));
    CliOutcome run;
    const auto lines = Organize(w, {"--exists", "skip"}, {w.Src("a.jpg"), w.Src("b.jpg")}, run);
    ASSERT_EQ(lines.size(), 2u) << run.out << run.err;
    EXPECT_EQ(lines[0], w.Src("a.jpg") + "\t" + w.Out("2012\\a.jpg") + "\tTarget file exists; skipped");
    EXPECT_EQ(lines[1].find("backup"), std::string::npos) << lines[1];
    EXPECT_TRUE(FilesBelow(Backup(w)).empty());
}

TEST(CliBackup, UndoRemovesBothCopiesAndLeavesAChangedBackup)
{
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        Workspace w;
        ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
        ASSERT_TRUE(w.Put(w.Src("b.jpg"), "2013:02:28 11:00:00", "b"));
        const auto before = Snapshot(w.Src(""));
        CliOutcome run;
        Organize(w, {move ? "--move" : "--copy"}, {w.Src("a.jpg"), w.Src("b.jpg")}, run);
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
        // The backup of b is changed since the run: undo leaves it, and says so.
        ASSERT_TRUE(WriteText(Backup(w, "2013\\b.jpg"), "edited since"));
        const CliOutcome undo = RunCli({"undo"});
        EXPECT_EQ(undo.exitCode, 1u) << undo.out << undo.err;
        EXPECT_EQ(Snapshot(w.Src("")), before);
        EXPECT_FALSE(Exists(w.Out("2012\\a.jpg")));
        EXPECT_FALSE(Exists(w.Out("2013\\b.jpg")));
        EXPECT_FALSE(Exists(Backup(w, "2012\\a.jpg")));
        EXPECT_FALSE(Exists(Backup(w, "2012")));
        EXPECT_EQ(ReadText(Backup(w, "2013\\b.jpg")), "edited since");
        EXPECT_NE(undo.out.find(Backup(w, "2013\\b.jpg") + "\t" + w.Out("2013\\b.jpg") + "\tTarget changed"),
                  std::string::npos)
                << undo.out;
    }
}

TEST(CliBackup, ADryRunShowsWhatTheRunDoes)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
    ASSERT_TRUE(w.Put(w.Src("b.jpg"), "2012:01:27 10:20:30", "b"));
    ASSERT_TRUE(w.Put(Backup(w, "2012\\b.jpg"), "2001:01:01 00:00:00", "another photo"));
    const auto before = Snapshot(w.Data());
    CliOutcome dry;
    const auto preview = Organize(w, {"--dry-run", "--move"}, {w.Src("a.jpg"), w.Src("b.jpg")}, dry);
    ASSERT_EQ(dry.exitCode, 0u) << dry.out << dry.err;
    EXPECT_EQ(Snapshot(w.Data()), before);
    CliOutcome run;
    const auto done = Organize(w, {"--move"}, {w.Src("a.jpg"), w.Src("b.jpg")}, run);
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(preview, done);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_NE(done[1].find("; backup to " + Backup(w, "2012\\b_1.jpg")), std::string::npos) << done[1];
}

TEST(CliBackup, FoldersThatCannotHoldTheBackupAreRefusedBeforeAnythingIsTouched)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
    ASSERT_TRUE(WriteText(w.Data("file"), "a file"));
    struct Case {
        std::string backup;
        std::string refusal;
    };
    const Case cases[] = {
            {w.Out(), "is the output folder"},
            {w.Out("inner"), "lies inside the output folder"},
            {w.Data(), "holds the output folder"},
            {w.Src(""), "is the folder of"},
            {w.Src("inner"), "lies inside the folder of"},
            {w.Data("file\\backup"), "Failed to create the backup folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.backup);
        const auto before = Snapshot(w.Data());
        const CliOutcome run =
                RunCli({"organize", "--move", "--out", w.Out(), "--backup", c.backup, w.Src("a.jpg")});
        EXPECT_EQ(run.exitCode, 2u) << run.out << run.err;
        EXPECT_NE(run.err.find(c.refusal), std::string::npos) << run.err;
        EXPECT_EQ(Snapshot(w.Data()), before);
        // Refused by its checks, the run kept no journal (a folder it failed to make may be in one).
        if (c.refusal.rfind("Failed", 0) != 0) {
            EXPECT_TRUE(w.Journals().empty());
        }
    }
    // Held by the backup folder: the source's own folder lies inside it.
    Workspace inside;
    ASSERT_TRUE(inside.Put(inside.Data("cards\\src\\a.jpg"), "2012:01:27 10:20:30", "a"));
    const CliOutcome held = RunCli({"organize", "--out", inside.Out(), "--backup", inside.Data("cards"),
                                    inside.Data("cards\\src\\a.jpg")});
    EXPECT_EQ(held.exitCode, 2u) << held.out << held.err;
    EXPECT_NE(held.err.find("holds the folder of"), std::string::npos) << held.err;
    // Without an output folder a file has no place below it.
    const CliOutcome beside = RunCli({"organize", "--backup", Backup(w), w.Src("a.jpg")});
    EXPECT_EQ(beside.exitCode, 2u) << beside.out << beside.err;
    EXPECT_NE(beside.err.find("needs an output folder"), std::string::npos) << beside.err;
}

// A backup folder given relative to the current folder is taken from there, as --out is.
TEST(CliBackup, ARelativeBackupFolderIsTakenFromTheCurrentFolder)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
    char current[MAX_PATH] = "";
    ASSERT_NE(GetCurrentDirectoryA(sizeof current, current), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(w.Data().c_str()));
    const CliOutcome run = RunCli(
            {"organize", "--no-month", "--no-day", "--out", "out", "--backup", "backup", w.Src("a.jpg")});
    SetCurrentDirectoryA(current);
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(Lines(run.out), (std::vector<std::string> {w.Src("a.jpg") + "\t" + w.Out("2012\\a.jpg") +
                                                         "\tOK; backup to " + Backup(w, "2012\\a.jpg")}));
    EXPECT_EQ(ReadText(Backup(w, "2012\\a.jpg")), ReadText(w.Src("a.jpg")));
}

TEST(CliBackup, TheHelpNamesTheOption)
{
    const CliOutcome help = RunCli({"--help"});
    EXPECT_NE(help.out.find("--backup FOLDER"), std::string::npos) << help.out;
}

}  // namespace
