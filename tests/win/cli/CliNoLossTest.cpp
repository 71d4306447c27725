// A user's bad day, through the real program: a run or an undo ended by force at an awkward
// moment, a journal cut by a power loss, a clock that was wrong, an undo started while its run is
// still going, one folder reached under two names. Nothing may be lost, no real name may hold a
// broken file, and every run can still be undone.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "engine/FileOps.h"
#include "engine/RunsFolder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"
#include "tests/win/cli/CliWorkspace.h"
#include "tests/support/StatusCheck.h"

namespace {

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Starts the program and ends it by force as soon as ready() says so (or when it ends by itself).
// True when it was ended by force.
bool RunAndEnd(const std::vector<std::string>& args, const std::function<bool()>& ready)
{
    HANDLE process = StartCliToEndByForce(CliCommandLine(args));
    if (process == nullptr)
        return false;
    bool killed = false;
    for (int wait = 0; wait < 120000 && !killed; wait += 1) {
        if (ready())
            killed = TerminateProcess(process, 99) != 0;
        if (WaitForSingleObject(process, killed ? 10000 : 1) == WAIT_OBJECT_0 && !killed)
            break;
    }
    CloseHandle(process);
    return killed;
}

bool NoUnfinishedCopies(const std::string& folder)
{
    for (const auto& [path, content] : FilesBelow(folder))
        if (path.find(".qmpart") != std::string::npos)
            return false;
    return true;
}

TEST(CliNoLoss, UndoRefusesARunThatIsStillGoingAndTouchesNothing)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    ASSERT_EQ(RunCli({"organize", "--copy", "--no-month", "--no-day", "--out", w.Out(), w.Src("")}).exitCode,
              0u);
    const auto after = Snapshot(w.Data());
    // The journal held for writing, as its run holds it while it goes.
    HANDLE held = CreateFileA(w.Journals().front().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const CliOutcome refused = RunCli({"undo"});
    CloseHandle(held);
    EXPECT_EQ(refused.exitCode, 2u);
    EXPECT_NE(refused.err.find("is still going"), std::string::npos) << refused.err;
    EXPECT_EQ(Snapshot(w.Data()), after);
    EXPECT_EQ(RunCli({"undo"}).exitCode, 0u);
    EXPECT_FALSE(Exists(w.Out("2012\\a.jpg")));
}

TEST(CliNoLoss, TheLastRunIsTheOneWrittenLastWhateverTheClockSaid)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Src("a.jpg"), "2012:01:27 10:00:00", "a"));
    ASSERT_TRUE(w.Put(w.Data("later\\b.jpg"), "2013:01:27 10:00:00", "b"));
    ASSERT_EQ(RunCli({"organize", "--copy", "--no-month", "--no-day", "--out", w.Out(), w.Src("")}).exitCode,
              0u);
    ASSERT_EQ(RunCli({"organize", "--copy", "--no-month", "--no-day", "--out", w.Out(), w.Data("later\\")})
                      .exitCode,
              0u);
    ASSERT_EQ(w.Journals().size(), 2u);
    // The second run's clock was a year behind: its journal's name sorts first.
    const std::string second = w.Journals().back();
    ASSERT_TRUE(MoveFileA(second.c_str(), (w.Runs() + "20000101-000000-000.qmj").c_str()));
    const CliOutcome undo = RunCli({"undo"});
    EXPECT_EQ(undo.exitCode, 0u) << undo.err;
    EXPECT_NE(undo.err.find("Undoing the run of "), std::string::npos) << undo.err;
    EXPECT_NE(undo.err.find("20000101-000000-000.qmj"), std::string::npos) << undo.err;
    EXPECT_FALSE(Exists(w.Out("2013\\b.jpg")));
    EXPECT_TRUE(Exists(w.Out("2012\\a.jpg")));
    // Pruning also goes by the order the runs were written: keeping one drops the first run.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillmere\\Options", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD keep = 2;
    RegSetValueExA(key, kKeepRunsValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&keep), sizeof keep);
    ASSERT_TRUE(w.Put(w.Data("third\\c.jpg"), "2014:01:27 10:00:00", "c"));
    const CliOutcome third =
            RunCli({"organize", "--copy", "--no-month", "--no-day", "--out", w.Out(), w.Data("third\\")});
    RegDeleteValueA(key, kKeepRunsValue);
    RegCloseKey(key);
    ASSERT_EQ(third.exitCode, 0u);
    const auto journals = w.Journals();
    ASSERT_EQ(journals.size(), 2u);
    EXPECT_EQ(journals.front(), w.Runs() + "20000101-000000-000.qmj");
}

TEST(CliNoLoss, AJournalCutMidLineIsRepairedAndAnUndoEndedByForceIsFinishedLater)
{
    Workspace w;
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(w.Put(w.Src("f" + std::to_string(i) + ".jpg"), "2012:01:27 10:00:00", std::to_string(i)));
    const auto before = Snapshot(w.Data());
    ASSERT_EQ(RunCli({"organize", "--move", "--no-month", "--no-day", "--out", w.Out(), w.Src("")}).exitCode,
              0u);
    const std::string journal = w.Journals().front();
    // A power loss cut the last record in the middle.
    std::string text = ReadText(journal);
    text.resize(text.size() - 9);
    ASSERT_TRUE(WriteText(journal, text));

    const bool killed = RunAndEnd({"undo"}, [&] { return Count(ReadText(journal), "\nU\t") >= 10; });
    ASSERT_TRUE(killed) << "the undo ended before it could be ended by force";
    JournalData data;
    ASSERT_TRUE(Succeeded(LoadJournal(journal, data)));
    EXPECT_NE(ReadText(journal).find("\nR\t"), std::string::npos);

    const CliOutcome again = RunCli({"undo"});
    EXPECT_EQ(again.exitCode, 0u) << again.out << again.err;
    EXPECT_EQ(Snapshot(w.Data()), before);
    ASSERT_TRUE(Succeeded(LoadJournal(journal, data)));
    EXPECT_TRUE(data.undone);
}

TEST(CliNoLoss, OverwriteEndedByForceLeavesTheOldFileOrTheNewOneWholeAndUndoBringsTheOldBack)
{
    constexpr std::size_t kLarge = 24 * 1024 * 1024;
    for (const int delay : {1, 40, 150}) {
        SCOPED_TRACE(delay);
        Workspace w;
        ASSERT_TRUE(w.Put(w.Src("clip.jpg"), "2021:06:01 10:00:00", "new", kLarge));
        ASSERT_TRUE(w.Put(w.Out("2021\\clip.jpg"), "2021:06:01 10:00:00", "old", kLarge));
        const std::string fresh = ReadText(w.Src("clip.jpg"));
        const std::string old = ReadText(w.Out("2021\\clip.jpg"));
        const DWORD start = GetTickCount();
        RunAndEnd({"organize", "--copy", "--exists", "overwrite", "--no-month", "--no-day", "--out", w.Out(),
                   w.Src("")},
                  [&] { return GetTickCount() - start >= static_cast<DWORD>(delay); });
        const std::string now = ReadText(w.Out("2021\\clip.jpg"));
        EXPECT_TRUE(now == old || now == fresh) << "the target holds " << now.size() << " bytes of neither";
        if (w.Journals().empty()) {
            EXPECT_EQ(now, old);
            continue;
        }
        const CliOutcome undo = RunCli({"undo"});
        EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
        EXPECT_EQ(ReadText(w.Out("2021\\clip.jpg")), old);
        EXPECT_EQ(ReadText(w.Src("clip.jpg")), fresh);
        EXPECT_TRUE(NoUnfinishedCopies(w.Data()));
    }
}

TEST(CliNoLoss, TwoOverwriteRunsOnOneTargetEachKeepWhatTheyReplaced)
{
    Workspace w;
    ASSERT_TRUE(w.Put(w.Out("2021\\a.jpg"), "2021:06:01 10:00:00", "first"));
    const std::string first = ReadText(w.Out("2021\\a.jpg"));
    ASSERT_TRUE(w.Put(w.Data("one\\a.jpg"), "2021:06:01 10:00:00", "second"));
    const std::string second = ReadText(w.Data("one\\a.jpg"));
    ASSERT_TRUE(w.Put(w.Data("two\\a.jpg"), "2021:06:01 10:00:00", "third"));
    for (const char* folder : {"one\\", "two\\"})
        ASSERT_EQ(RunCli({"organize", "--copy", "--exists", "overwrite", "--no-month", "--no-day", "--out",
                          w.Out(), w.Data(folder)})
                          .exitCode,
                  0u);
    ASSERT_EQ(w.Journals().size(), 2u);
    // The first run undone first: its target changed since, so its kept file stays, named, and the
    // run stays open.
    const std::string firstJournal = w.Journals().front();
    const CliOutcome early = RunCli({"undo", firstJournal});
    EXPECT_EQ(early.exitCode, 1u);
    EXPECT_NE(early.out.find("replaced file kept in \"" + KeptFolderOf(firstJournal)), std::string::npos)
            << early.out;
    EXPECT_NE(early.err.find("still kept in"), std::string::npos) << early.err;
    EXPECT_NE(RunCli({"runs"}).out.find("1 replaced file kept"), std::string::npos);
    // Undone in order, each run gives back what it replaced.
    EXPECT_EQ(RunCli({"undo"}).exitCode, 0u);
    EXPECT_EQ(ReadText(w.Out("2021\\a.jpg")), second);
    const CliOutcome late = RunCli({"undo", firstJournal});
    EXPECT_EQ(late.exitCode, 0u) << late.out << late.err;
    EXPECT_EQ(ReadText(w.Out("2021\\a.jpg")), first);
}

TEST(CliNoLoss, AnUndoAcrossDrivesEndedMidCopyLeavesNoBrokenPhotoAndIsFinishedLater)
{
    // A second device (made by the test's wrapper): the move back copies the bytes across.
    char drive[MAX_PATH] = "";
    if (GetEnvironmentVariableA("QM_CARD_DRIVE", drive, sizeof drive) == 0)
        GTEST_SKIP() << "no second device to move across";
    constexpr std::size_t kLarge = 40 * 1024 * 1024;
    for (const DWORD delay : {0u, 60u, 250u}) {
        SCOPED_TRACE(delay);
        Workspace w;
        const std::string card = std::string(drive) + "DCIM\\";
        RemoveTree(card);
        ASSERT_TRUE(w.Put(card + "clip.jpg", "2021:06:01 10:00:00", "card", kLarge));
        ASSERT_TRUE(w.Put(card + "small.jpg", "2021:06:02 10:00:00", "card"));
        const auto before = FilesBelow(card);
        const CliOutcome run =
                RunCli({"organize", "--move", "--no-month", "--no-day", "--out", w.Out(), card});
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
        ASSERT_TRUE(FilesBelow(card).empty());
        // Ended while the clip's bytes go back to the card, or just after.
        DWORD start = 0;
        const bool killed = RunAndEnd({"undo"}, [&] {
            if (start == 0 && (Exists(card + "~clip.jpg.qmpart") || Exists(card + "clip.jpg") ||
                               Exists(card + "small.jpg")))
                start = GetTickCount();
            return start != 0 && GetTickCount() - start >= delay;
        });
        // Every name on the card holds the photo whole; the clip is whole somewhere.
        const auto between = FilesBelow(card);
        for (const auto& [path, bytes] : between) {
            if (path.find(".qmpart") == std::string::npos) {
                EXPECT_TRUE(before.count(path) != 0 && before.at(path) == bytes)
                        << path << " holds " << bytes.size() << " bytes";
            }
        }
        const auto out = FilesBelow(w.Out());
        const auto clip = out.find("2021\\clip.jpg");
        EXPECT_TRUE(between.count("clip.jpg") != 0 ||
                    (clip != out.end() && clip->second == before.at("clip.jpg")));
        if (killed) {
            // Ended after its last record (a fast undo) the run reads as undone already.
            const CliOutcome again = RunCli({"undo"});
            EXPECT_TRUE(again.exitCode == 0u || again.err.find("was undone already") != std::string::npos)
                    << again.exitCode << again.out << again.err;
        }
        EXPECT_EQ(FilesBelow(card), before);
        EXPECT_TRUE(FilesBelow(w.Out()).empty());
        EXPECT_TRUE(NoUnfinishedCopies(card));
        RemoveTree(card);
    }
}

TEST(CliNoLoss, OneFolderReachedUnderTwoNamesIsOrganizedOnce)
{
    // A share whose folder is also reached through a drive, as mapped drives and subst make one
    // (made by the test's wrapper).
    char alias[MAX_PATH] = "", folder[MAX_PATH] = "";
    if (GetEnvironmentVariableA("QM_TEST_SHARE", alias, sizeof alias) == 0 ||
        GetEnvironmentVariableA("QM_TEST_SHARE_FOLDER", folder, sizeof folder) == 0)
        GTEST_SKIP() << "no share for a folder of a drive";
    Workspace w;
    const std::string src = std::string(folder) + "src\\";
    CreateDirectoryA(src.c_str(), nullptr);
    ASSERT_TRUE(w.Put(src + "a.jpg", "2012:01:27 10:00:00", "a"));
    ASSERT_TRUE(w.Put(src + "b.jpg", "2013:01:27 10:00:00", "b"));
    bool ok = false;
    const std::string viaShare = ReadText(std::string(alias) + "src\\a.jpg", &ok);
    ASSERT_TRUE(ok && viaShare == ReadText(src + "a.jpg")) << viaShare.size() << " bytes through " << alias;
    FileIdentity one, other;
    if (!SystemFileOps().Identity(src + "a.jpg", one) ||
        !SystemFileOps().Identity(std::string(alias) + "src\\a.jpg", other) || !(one == other))
        GTEST_SKIP() << "this system gives the file different identities under its two names";
    for (const char* action : {"--copy", "--move"}) {
        SCOPED_TRACE(action);
        const CliOutcome run = RunCli({"organize", action, "--no-month", "--no-day", "--out", w.Out(), src,
                                       std::string(alias) + "src\\"});
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_EQ(Count(run.out, "\tOK"), 2u) << run.out;
        EXPECT_EQ(Count(run.out, "\tSame file as "), 2u) << run.out;
        EXPECT_NE(run.err.find("2 files were listed twice under another name"), std::string::npos) << run.err;
        EXPECT_EQ(FilesBelow(w.Out()).size(), 2u);
        ASSERT_EQ(RunCli({"undo"}).exitCode, 0u);
    }
    RemoveTree(src);
}

}  // namespace
