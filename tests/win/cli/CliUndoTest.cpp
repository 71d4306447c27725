// Run, then undo, through the real program: the journal of every run, the tree put back byte for
// byte, what changed since the run left and reported, a killed run undone for the files it
// finished, damaged journals refused, the list of runs and the report.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/PathUtils.h"
#include "engine/RunsFolder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"
#include "tests/win/cli/CliWorkspace.h"

namespace {

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> UndoLines(const CliOutcome& undo)
{
    return Sorted(Lines(undo.out));
}

TEST(CliUndo, RunThenUndoRestoresTheTreeUnderEveryPolicyForMovesAndCopies)
{
    for (const bool move : {false, true}) {
        for (const char* policy : {"rename", "overwrite", "skip"}) {
            for (const bool rename : {false, true}) {
                SCOPED_TRACE(std::string(move ? "move " : "copy ") + policy + (rename ? " renamed" : ""));
                Workspace w;
                ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "first a"));
                ASSERT_TRUE(w.Put(w.Src("sub\\a.jpg"), "2012:01:27 10:00:00", "second a"));
                ASSERT_TRUE(w.Put(w.Src("b.jpg"), "2013:05:02 08:00:00", "b"));
                CreateDirectoryA(w.Out().c_str(), nullptr);
                // A target that is there before the run, so that the policy is asked.
                ASSERT_TRUE(w.Put(w.Out(rename ? "2012\\20120127.jpg" : "2012\\a.jpg"), "2001:01:01 00:00:00",
                                  "was there"));
                const auto before = Snapshot(w.Data());

                std::vector<std::string> args {"organize",   move ? "--move" : "--copy",
                                               "--no-month", "--no-day",
                                               "--exists",   policy,
                                               "--out",      w.Out()};
                if (rename)
                    args.insert(args.end(), {"--rename", "%Y%M%D"});
                args.push_back(w.Src(""));
                const CliOutcome run = RunCli(args);
                ASSERT_EQ(run.exitCode, 0u) << run.err;
                ASSERT_NE(Snapshot(w.Data()), before);
                ASSERT_EQ(w.Journals().size(), 1u);

                const CliOutcome undo = RunCli({"undo"});
                EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
                EXPECT_EQ(Snapshot(w.Data()), before) << undo.out;
                const bool skip = std::string(policy) == "skip";
                EXPECT_EQ(Lines(undo.out).size(), skip ? 1u : 3u) << undo.out;
                for (const std::string& line : Lines(undo.out)) {
                    const bool moved =
                            line.find(move ? "\tMoved back" : "\tCopy deleted") != std::string::npos;
                    EXPECT_TRUE(moved) << line;
                }
                EXPECT_NE(undo.err.find(skip ? "1 files, 1 undone, 0 left" : "3 files, 3 undone, 0 left"),
                          std::string::npos)
                        << undo.err;
                // Kept replaced files went back: the kept folder is empty.
                const auto kept = Snapshot(KeptFolderOf(w.Journals().front()));
                EXPECT_TRUE(kept.empty());

                const CliOutcome again = RunCli({"undo"});
                EXPECT_EQ(again.exitCode, 2u);
                EXPECT_NE(again.err.find("was undone already"), std::string::npos) << again.err;
                EXPECT_EQ(Snapshot(w.Data()), before);
            }
        }
    }
}

// A folder on another drive, removed at the end. Under Wine, Z:\dev\shm is a memory file system
// beside the disk that holds the prefix, so moves between it and the temporary folder cross
// devices as they cross drives on Windows; where there is no such folder the test is skipped.
class OtherDrive {
public:
    OtherDrive()
    {
        const std::string base = "Z:\\dev\\shm\\";
        if (GetFileAttributesA(base.c_str()) == INVALID_FILE_ATTRIBUTES)
            return;
        root_ = base + "qm-undo-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount()) + "\\";
        if (!CreateDirectoryA(root_.c_str(), nullptr))
            root_.clear();
    }
    ~OtherDrive()
    {
        if (!root_.empty())
            RemoveTree(root_);
    }
    OtherDrive(const OtherDrive&) = delete;
    OtherDrive& operator=(const OtherDrive&) = delete;

    // Empty when there is no other drive, or a move to it does not cross devices.
    const std::string& Root() const { return root_; }
    bool CrossesDevicesFrom(const std::string& folder) const
    {
        const std::string probe = folder + "probe.txt";
        if (root_.empty() || !WriteText(probe, "probe"))
            return false;
        const bool crosses = !MoveFileExA(probe.c_str(), (root_ + "probe.txt").c_str(), 0) &&
                             GetLastError() == ERROR_NOT_SAME_DEVICE;
        DeleteFileA(probe.c_str());
        DeleteFileA((root_ + "probe.txt").c_str());
        return crosses;
    }

private:
    std::string root_;
};

TEST(CliUndo, AcrossDrivesMovesAndCopiesGoBackAndReplacedFilesAreRestored)
{
    for (const bool move : {false, true}) {
        for (const bool outputAway : {true, false}) {
            SCOPED_TRACE(std::string(move ? "move" : "copy") + (outputAway ? " to" : " from") +
                         " the other drive");
            Workspace w;
            OtherDrive other;
            if (!other.CrossesDevicesFrom(w.Data()))
                GTEST_SKIP() << "no second drive on another device";
            // Sources on one drive, the output on the other; the journal stays beside the sources'
            // drive or the output's, so a replaced file is kept by a copy in one direction and a
            // rename in the other.
            const std::string src = outputAway ? w.Src("") : other.Root() + "src\\";
            const std::string out = outputAway ? other.Root() + "out\\" : w.Out();
            ASSERT_TRUE(w.Put(src + "a.jpg", "2012:01:27 10:00:00", "a"));
            ASSERT_TRUE(w.Put(src + "b.jpg", "2013:05:02 08:00:00", "b"));
            CreateDirectoryA(out.c_str(), nullptr);
            ASSERT_TRUE(w.Put(out + "2012\\a.jpg", "2001:01:01 00:00:00", "was there"));
            const auto beforeHere = Snapshot(w.Data());
            const auto beforeThere = Snapshot(other.Root());

            const CliOutcome run = RunCli({"organize", move ? "--move" : "--copy", "--no-month", "--no-day",
                                           "--exists", "overwrite", "--out", out, src});
            ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
            ASSERT_NE(Snapshot(outputAway ? other.Root() : w.Data()), outputAway ? beforeThere : beforeHere);
            EXPECT_EQ(FilesBelow(KeptFolderOf(w.Journals().front())).size(), 1u);

            const CliOutcome undo = RunCli({"undo"});
            EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
            EXPECT_NE(undo.out.find("replaced file restored"), std::string::npos) << undo.out;
            EXPECT_EQ(Snapshot(w.Data()), beforeHere);
            EXPECT_EQ(Snapshot(other.Root()), beforeThere);
        }
    }
}

TEST(CliUndo, BesideTheSourceTheCreatedFoldersGoAgain)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    ASSERT_TRUE(w.Put(w.Src("sub\\b.jpg"), "2013:01:27 10:00:00", "b"));
    const auto before = Snapshot(w.Data());
    const CliOutcome run = RunCli({"organize", "--move", w.Src("")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(Exists(w.Src("2012\\2012_01\\2012_01_27\\a.jpg"))) << run.out << run.err;
    ASSERT_EQ(w.Journals().size(), 1u) << run.out << run.err;

    const CliOutcome undo = RunCli({"undo", w.Journals().front()});
    EXPECT_EQ(undo.exitCode, 0u) << undo.err;
    EXPECT_EQ(Snapshot(w.Data()), before);
}

TEST(CliUndo, WhatChangedSinceTheRunIsLeftAndReported)
{
    Workspace w;
    for (const char* name : {"a", "b", "c", "d"})
        ASSERT_TRUE(w.Put(w.Src(std::string(name) + ".jpg"), "2012:01:27 10:00:00", name));
    const CliOutcome run =
            RunCli({"organize", "--move", "--no-month", "--no-day", "--out", w.Out(), w.Src("")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const auto target = [&](const char* name) { return w.Out("2012\\" + std::string(name) + ".jpg"); };

    const std::string edited = ReadText(target("a")) + "edited";
    ASSERT_TRUE(WriteText(target("a"), edited));
    ASSERT_TRUE(DeleteFileA(target("b").c_str()));
    ASSERT_TRUE(WriteText(w.Src("c.jpg"), "a new file at the old place"));
    const std::string dContent = ReadText(target("d"));

    const CliOutcome undo = RunCli({"undo"});
    EXPECT_EQ(undo.exitCode, 1u);
    EXPECT_EQ(UndoLines(undo),
              Sorted({target("a") + "\t" + w.Src("a.jpg") + "\tTarget changed since the run; left",
                      target("b") + "\t" + w.Src("b.jpg") + "\tTarget missing; left",
                      target("c") + "\t" + w.Src("c.jpg") + "\tSource path taken; left",
                      target("d") + "\t" + w.Src("d.jpg") + "\tMoved back"}));
    EXPECT_NE(undo.err.find("4 files, 1 undone, 3 left"), std::string::npos) << undo.err;
    EXPECT_EQ(ReadText(target("a")), edited);
    EXPECT_FALSE(Exists(w.Src("a.jpg")));
    EXPECT_EQ(ReadText(w.Src("c.jpg")), "a new file at the old place");
    EXPECT_TRUE(Exists(target("c")));
    EXPECT_EQ(ReadText(w.Src("d.jpg")), dContent);
    EXPECT_FALSE(Exists(target("d")));
    // The output folder still holds files: it stays.
    EXPECT_TRUE(Exists(w.Out("2012\\")));

    // A copy is deleted only while its source still holds the same bytes.
    Workspace c;
    ASSERT_TRUE(c.Put(c.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    ASSERT_TRUE(c.Put(c.Src("b.jpg"), "2012:01:27 10:00:00", "b"));
    ASSERT_EQ(RunCli({"organize", "--no-month", "--no-day", "--out", c.Out(), c.Src("")}).exitCode, 0u);
    ASSERT_TRUE(WriteText(c.Src("a.jpg"), "changed"));
    ASSERT_TRUE(DeleteFileA(c.Src("b.jpg").c_str()));
    const CliOutcome copies = RunCli({"undo"});
    EXPECT_EQ(copies.exitCode, 1u);
    EXPECT_EQ(UndoLines(copies),
              Sorted({c.Out("2012\\a.jpg") + "\t" + c.Src("a.jpg") + "\tSource missing or changed; copy kept",
                      c.Out("2012\\b.jpg") + "\t" + c.Src("b.jpg") +
                              "\tSource missing or changed; copy kept"}));
    EXPECT_TRUE(Exists(c.Out("2012\\a.jpg")));
    EXPECT_TRUE(Exists(c.Out("2012\\b.jpg")));
}

TEST(CliUndo, DryRunChangesNothingAndLeavesTheJournalToUndo)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    const auto before = Snapshot(w.Data());
    ASSERT_EQ(RunCli({"organize", "--move", "--out", w.Out(), w.Src("")}).exitCode, 0u);
    const auto after = Snapshot(w.Data());
    const std::string journal = ReadText(w.Journals().front());

    const CliOutcome dry = RunCli({"undo", "--dry-run"});
    EXPECT_EQ(dry.exitCode, 0u) << dry.err;
    EXPECT_EQ(Lines(dry.out).size(), 1u);
    EXPECT_NE(dry.out.find("\tMoved back"), std::string::npos);
    EXPECT_NE(dry.err.find("(dry run: nothing was changed)"), std::string::npos);
    EXPECT_EQ(Snapshot(w.Data()), after);
    EXPECT_EQ(ReadText(w.Journals().front()), journal);

    EXPECT_EQ(RunCli({"undo"}).exitCode, 0u);
    EXPECT_EQ(Snapshot(w.Data()), before);
}

TEST(CliUndo, AJournalThatCannotBeReadIsRefusedAndNothingIsTouched)
{
    Workspace w;
    const CliOutcome none = RunCli({"undo"});
    EXPECT_EQ(none.exitCode, 2u);
    EXPECT_NE(none.err.find("no run to undo"), std::string::npos) << none.err;
    EXPECT_EQ(RunCli({"undo", w.Data("missing.qmj")}).exitCode, 2u);
    EXPECT_EQ(RunCli({"undo", "a", "b"}).exitCode, 2u);
    EXPECT_EQ(RunCli({"undo", "--move"}).exitCode, 2u);

    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(w.Put(w.Src(std::string(name) + ".jpg"), "2012:01:27 10:00:00", name));
    ASSERT_EQ(RunCli({"organize", "--move", "--out", w.Out(), w.Src("")}).exitCode, 0u);
    const auto after = Snapshot(w.Data());
    const std::string path = w.Journals().front();
    std::string text = ReadText(path);
    // A byte in the middle of the journal (the path of the second file) changed.
    const std::size_t at = text.find("b.jpg");
    ASSERT_NE(at, std::string::npos);
    text[at] = 'x';
    ASSERT_TRUE(WriteText(path, text));
    const CliOutcome damaged = RunCli({"undo"});
    EXPECT_EQ(damaged.exitCode, 2u);
    EXPECT_NE(damaged.err.find("of the journal is damaged"), std::string::npos) << damaged.err;
    EXPECT_EQ(damaged.out, "");
    EXPECT_EQ(Snapshot(w.Data()), after);

    ASSERT_TRUE(WriteText(w.Data("other.qmj"), "just text\n"));
    const CliOutcome foreign = RunCli({"undo", w.Data("other.qmj")});
    EXPECT_EQ(foreign.exitCode, 2u);
    EXPECT_NE(foreign.err.find("not a run journal"), std::string::npos) << foreign.err;
}

TEST(CliUndo, AKilledRunIsUndoneExactlyForTheFilesItFinished)
{
    Workspace w;
    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(w.Put(w.Src("f" + std::to_string(i) + ".jpg"), "2012:01:27 10:00:00", std::to_string(i)));
    const auto before = Snapshot(w.Data());

    std::string commandLine =
            CliCommandLine({"organize", "--move", "--no-month", "--no-day", "--out", w.Out(), w.Src("")});
    HANDLE process = StartCliToEndByForce(commandLine);
    ASSERT_NE(process, nullptr);
    // Ended by force once some files are done.
    bool killed = false;
    for (int wait = 0; wait < 60000 && !killed; wait += 2) {
        const auto journals = w.Journals();
        if (!journals.empty()) {
            const std::string text = ReadText(journals.front());
            std::size_t done = 0;
            for (std::size_t at = text.find("\nD\t"); at != std::string::npos;
                 at = text.find("\nD\t", at + 1))
                ++done;
            if (done >= 20)
                killed = TerminateProcess(process, 99) != 0;
        }
        if (WaitForSingleObject(process, killed ? 10000 : 2) == WAIT_OBJECT_0 && !killed)
            break;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    ASSERT_TRUE(killed) << "the run ended before it could be killed";
    ASSERT_EQ(code, 99u);
    const std::size_t moved = FilesBelow(w.Out()).size();
    EXPECT_GT(moved, 0u);
    EXPECT_LT(moved, 400u);

    const CliOutcome undo = RunCli({"undo"});
    EXPECT_EQ(undo.exitCode, 0u) << undo.err;
    EXPECT_EQ(Snapshot(w.Data()), before);
    std::size_t movedBack = 0;
    for (const std::string& row : Lines(undo.out))
        movedBack += row.find("\tMoved back") != std::string::npos ? 1 : 0;
    EXPECT_EQ(movedBack, moved);
}

TEST(CliUndo, StepsAPowerLossLeftWithoutOutcomeAreJudgedByTheFiles)
{
    // An outcome record reaches the disk with the next step's record; after a power loss the
    // journal may lack the last ones. Here every outcome is gone.
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        Workspace w;
        ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
        ASSERT_TRUE(w.Put(w.Src("b.jpg"), "2013:05:02 08:00:00", "b"));
        CreateDirectoryA(w.Out().c_str(), nullptr);
        ASSERT_TRUE(w.Put(w.Out("2012\\a.jpg"), "2001:01:01 00:00:00", "was there"));
        const auto before = Snapshot(w.Data());
        ASSERT_EQ(RunCli({"organize", move ? "--move" : "--copy", "--no-month", "--no-day", "--exists",
                          "overwrite", "--out", w.Out(), w.Src("")})
                          .exitCode,
                  0u);
        const std::string journal = w.Journals().front();
        std::string kept;
        for (const std::string& line : Lines(ReadText(journal)))
            if (line.rfind("D\t", 0) != 0)
                kept += line + "\n";
        ASSERT_LT(kept.size(), ReadText(journal).size());
        ASSERT_TRUE(WriteText(journal, kept));

        const CliOutcome undo = RunCli({"undo"});
        EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
        EXPECT_EQ(Lines(undo.out).size(), 2u) << undo.out;
        EXPECT_EQ(Snapshot(w.Data()), before) << undo.out;
    }
}

TEST(CliUndo, RunsListsTheKeptJournalsAndTheOldestGoWithTheirKeptFiles)
{
    Workspace w;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillmere\\Options", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD keep = 2;
    ASSERT_EQ(RegSetValueExA(key, kKeepRunsValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&keep),
                             sizeof keep),
              ERROR_SUCCESS);

    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    std::vector<std::string> seen;
    for (int run = 0; run < 3; ++run) {
        ASSERT_EQ(RunCli({"organize", "--exists", "overwrite", "--no-month", "--no-day", "--out", w.Out(),
                          w.Src("")})
                          .exitCode,
                  0u);
        seen.push_back(w.Journals().back());
    }
    RegDeleteValueA(key, kKeepRunsValue);
    RegCloseKey(key);
    // The first run replaced nothing; the second kept the first copy, the third the second.
    EXPECT_EQ(w.Journals(), (std::vector<std::string> {seen[1], seen[2]}));
    EXPECT_FALSE(Exists(seen[0]));
    EXPECT_EQ(FilesBelow(KeptFolderOf(seen[2])).size(), 1u);

    ASSERT_EQ(RunCli({"undo"}).exitCode, 0u);
    const CliOutcome runs = RunCli({"runs"});
    EXPECT_EQ(runs.exitCode, 0u);
    const auto lines = Lines(runs.out);
    ASSERT_EQ(lines.size(), 2u) << runs.out;
    EXPECT_NE(lines[0].find(
                      "\ttaken\tcopy\t0 moved, 1 copied, 1 replaced, 0 failed\tnot undone, 1 replaced file "
                      "kept\t" +
                      seen[1]),
              std::string::npos)
            << lines[0];
    EXPECT_NE(lines[1].find("\ttaken\tcopy\t0 moved, 1 copied, 1 replaced, 0 failed\tundone "),
              std::string::npos)
            << lines[1];
    EXPECT_EQ(RunCli({"runs", "x"}).exitCode, 2u);
}

TEST(CliUndo, ADryRunKeepsNoJournal)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    ASSERT_EQ(RunCli({"organize", "--dry-run", "--move", "--out", w.Out(), w.Src("")}).exitCode, 0u);
    EXPECT_TRUE(w.Journals().empty());
    // A run that changes nothing (every target skipped) leaves no journal either.
    ASSERT_EQ(RunCli({"organize", "--no-year", "--no-month", "--no-day", "--exists", "skip", w.Src("a.jpg")})
                      .exitCode,
              0u);
    EXPECT_TRUE(w.Journals().empty());
}

TEST(CliReport, CsvRowsCarryTheDateAndWhereItCameFrom)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a,b.jpg"), "2012:01:27 10:20:30", "a"));
    ASSERT_TRUE(WriteText(w.Src("=plain.jpg"), "no exif"));
    const std::string report = w.Data("report.csv");
    const CliOutcome run =
            RunCli({"organize", "--mode", "taken-else-modified", "--no-month", "--no-day", "--out", w.Out(),
                    "--report", report, w.Src("a,b.jpg"), w.Src("=plain.jpg")});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const auto lines = Lines(ReadText(report));
    ASSERT_EQ(lines.size(), 3u);
    // The byte-order mark, so that a spreadsheet program reads the names as UTF-8.
    EXPECT_EQ(lines[0], "\xEF\xBB\xBFsource,target,result,date,date source,place,hash");
    EXPECT_EQ(lines[1], "\"" + w.Src("a,b.jpg") + "\",\"" + w.Out("2012\\a,b.jpg") +
                                "\",OK,2012-01-27 10:20:30,Date/Time Original,," +
                                ReportHashOf(w.Out("2012\\a,b.jpg")));
    EXPECT_NE(lines[2].find(",OK,"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find(",file modified"), std::string::npos) << lines[2];
    EXPECT_NE(ReadText(report).find("\r\n"), std::string::npos);

    const CliOutcome lookup = RunCli({"lookup", "--explain", "--mode", "taken-else-created",
                                      w.Out("2012\\a,b.jpg"), w.Src("=plain.jpg")});
    const auto looked = Lines(lookup.out);
    ASSERT_EQ(looked.size(), 2u);
    EXPECT_EQ(looked[0], w.Out("2012\\a,b.jpg") +
                                 "\t2012:01:27 10:20:30\tDate/Time Original\tUnknown place (no position)");
    EXPECT_NE(looked[1].find("\tfile created\tUnknown place (no position)"), std::string::npos) << looked[1];
    EXPECT_EQ(RunCli({"organize", "--explain", w.Src("")}).exitCode, 2u);
    EXPECT_EQ(RunCli({"lookup", "--report", "x", w.Src("")}).exitCode, 2u);
}

TEST(CliReport, AReportHeldOpenWithoutSharingGivesTheSystemsReason)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:20:30", "a"));
    const std::string report = w.Data("report.csv");
    ASSERT_TRUE(WriteText(report, "kept"));
    // As a spreadsheet program holds the file it shows.
    HANDLE held = CreateFileA(report.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const CliOutcome run = RunCli({"organize", "--dry-run", "--out", w.Out(), "--report", report, w.Src("")});
    CloseHandle(held);
    EXPECT_EQ(run.exitCode, 2u);
    std::string reason;
    ASSERT_TRUE(SystemErrorText(ERROR_SHARING_VIOLATION, reason));
    EXPECT_EQ(run.err, "quillmere-cli: cannot write the report \"" + report + "\": " + reason + "\n");
    EXPECT_EQ(ReadText(report), "kept");
}

}  // namespace
