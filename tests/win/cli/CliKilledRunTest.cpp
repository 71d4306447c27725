// A copy run ended by force inside a batch, as a user's killed process ends it: the real program,
// the real file system, TerminateProcess. The run is held at the moment wanted without anything of
// its own for tests: its standard output goes into a pipe that nobody reads, so once the pipe and
// the C runtime's buffer are full, the program's next write waits for ever. The rows that print
// before the batch's copies are placed (files skipped because their target is there) set where it
// stands still. After the kill every source is whole, no real name holds a broken file, the
// unfinished copies are exactly the ones the journal names, and undo gives the tree back.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "base/PathText.h"
#include "engine/FileOps.h"
#include "engine/RunJournal.h"
#include "engine/RunsFolder.h"
#include "tests/support/StatusCheck.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"
#include "tests/win/cli/CliWorkspace.h"

namespace {

constexpr int kSkippedRows = 40;
// Long paths make long lines: the skipped rows alone print far more than the pipe and the
// program's output buffer (64 KB) hold together, so the run stands still within them.
const std::string kNamePad(150, 'n');
constexpr std::size_t kFolderLength = 1100;
constexpr const char* kTaken = "2012:01:27 10:00:00";

std::string Numbered(const char* lead, int i)
{
    return std::string(lead) + (i < 10 ? "0" : "") + std::to_string(i) + "-" + kNamePad + ".jpg";
}

// A folder below base (which ends with a backslash) whose path is length characters long, made of
// parts of 60 characters, with its trailing backslash.
std::string Deep(const std::string& base, std::size_t length)
{
    std::string path = base;
    while (path.size() + 61 < length)
        path += std::string(60, 'd') + "\\";
    return path;
}

bool IsPartial(const std::string& path)
{
    return path.size() > 7 && path.compare(path.size() - 7, 7, ".qmpart") == 0;
}

// Starts the program with its standard output into a pipe of the smallest buffer that this test
// never reads, and ends it by force once it stands still: output waiting in the pipe, and neither
// that output nor the journal changed for a while (a run going on changes them within
// milliseconds). False when it ended by itself or never stood still.
bool KillWhenStalled(const Workspace& w, const std::vector<std::string>& args)
{
    SECURITY_ATTRIBUTES sa {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 1))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = writeEnd;
    si.hStdError = nul;
    PROCESS_INFORMATION pi {};
    std::string commandLine = CliCommandLine(args);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    // No console: one started for the child can outlive it when it is ended by force.
    const bool started =
            nul != INVALID_HANDLE_VALUE && CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                                          DETACHED_PROCESS, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    CloseHandle(pi.hThread);
    bool killed = false;
    DWORD lastWaiting = 0;
    std::string lastJournal;
    DWORD still = GetTickCount();
    for (int waited = 0; waited < 120000 && !killed; waited += 100) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0)
            break;
        DWORD waiting = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr))
            waiting = 0;
        const auto journals = w.Journals();
        std::string journal = journals.empty() ? std::string() : ReadText(journals.back());
        if (waiting == 0 || waiting != lastWaiting || journal != lastJournal) {
            lastWaiting = waiting;
            lastJournal = std::move(journal);
            still = GetTickCount();
        } else if (GetTickCount() - still >= 1500) {
            killed = TerminateProcess(pi.hProcess, 99) != 0;
            WaitForSingleObject(pi.hProcess, 10000);
        }
    }
    if (!killed && WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 98);
        WaitForSingleObject(pi.hProcess, 10000);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(readEnd);
    return killed;
}

class CliKilledRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Rows whose targets are there: skipped, each printing its line before the copies' rows.
        for (int i = 0; i < kSkippedRows; ++i) {
            ASSERT_TRUE(w.Put(skip + Numbered("s", i), kTaken, "skipped " + std::to_string(i)));
            ASSERT_TRUE(w.Put(Out(Numbered("s", i)), kTaken, "there " + std::to_string(i)));
        }
    }

    std::vector<std::string> Args(bool withSkipped) const
    {
        std::vector<std::string> args {"organize", "--copy", "--no-month", "--no-day",
                                       "--exists", "skip",   "--out",      out};
        if (withSkipped)
            args.push_back(skip);
        args.push_back(copy);
        return args;
    }

    // Where a file of the year the photos were taken in goes.
    std::string Out(const std::string& name) const { return out + "2012\\" + name; }

    // The journal of the killed run; the test fails when there is none or it cannot be read.
    JournalData Journal() const
    {
        JournalData data;
        const auto journals = w.Journals();
        EXPECT_EQ(journals.size(), 1u);
        if (!journals.empty()) {
            EXPECT_TRUE(Succeeded(LoadJournal(journals.back(), data)));
        }
        return data;
    }

    // What holds whatever the moment: every file that was there is as it was (the sources among
    // them); a new file under a real name is the whole copy of a step the journal records as
    // done; every unfinished copy is one the journal names for a step without an outcome, whole.
    // The unfinished copies' paths are handed back.
    std::set<std::string> CheckNothingLost(const JournalData& journal)
    {
        const auto now = Snapshot(w.Data());
        for (const auto& [path, bytes] : before)
            EXPECT_TRUE(now.count(path) != 0 && now.at(path) == bytes) << path << " changed";
        std::map<std::string, const JournalStep*> byTarget, byPartial;
        for (const JournalStep& step : journal.steps) {
            if (step.isFolder)
                continue;
            EXPECT_FALSE(step.move);
            byTarget[step.target] = &step;
            if (!step.partial.empty())
                byPartial[step.partial] = &step;
        }
        std::set<std::string> partials;
        for (const auto& [relative, bytes] : now) {
            if (before.count(relative) != 0 || relative.back() == '\\')
                continue;
            const std::string path = w.Data(relative);
            if (IsPartial(path)) {
                partials.insert(path);
                const auto step = byPartial.find(path);
                if (step == byPartial.end()) {
                    ADD_FAILURE() << path << " is named by no step of the journal";
                    continue;
                }
                EXPECT_EQ(step->second->outcome, StepOutcome::Unknown) << path;
                EXPECT_EQ(bytes, ReadText(step->second->source)) << path << " is not a whole copy";
                continue;
            }
            const auto step = byTarget.find(path);
            if (step == byTarget.end()) {
                ADD_FAILURE() << path << " was placed by no step of the journal";
                continue;
            }
            EXPECT_EQ(step->second->outcome, StepOutcome::Done) << path;
            EXPECT_EQ(bytes, ReadText(step->second->source)) << path << " holds a broken file";
        }
        return partials;
    }

    // Undo gives back the tree as it was before the run, without an unfinished copy.
    void CheckUndo()
    {
        const CliOutcome undo = RunCli({"undo"});
        EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
        EXPECT_EQ(Snapshot(w.Data()), before) << undo.out << undo.err;
        for (const auto& [path, bytes] : FilesBelow(w.Data()))
            EXPECT_FALSE(IsPartial(path)) << path;
    }

    // The partial names of the journal's steps that have no outcome.
    static std::set<std::string> Unfinished(const JournalData& journal)
    {
        std::set<std::string> partials;
        for (const JournalStep& step : journal.steps)
            if (!step.isFolder && step.outcome == StepOutcome::Unknown)
                partials.insert(step.partial);
        return partials;
    }

    Workspace w;
    const std::string skip = Deep(w.Data("skip\\"), kFolderLength);
    const std::string copy = Deep(w.Data("copy\\"), kFolderLength);
    const std::string out = Deep(w.Data("out\\"), kFolderLength);
    std::map<std::string, std::string> before;
};

TEST_F(CliKilledRun, AfterTheBatchIsRecordedAndBeforeItsFirstStep)
{
    // Files this large are copied at their turn, each on its own: the batch's records are on the
    // disk and no copy is begun while the skipped rows print.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(w.Put(copy + Numbered("c", i), kTaken, "large " + std::to_string(i), kLoneCopySize));
    before = Snapshot(w.Data());
    ASSERT_TRUE(KillWhenStalled(w, Args(true))) << "the run did not stand still";

    const JournalData journal = Journal();
    EXPECT_EQ(Unfinished(journal).size(), 2u) << "both copies recorded ahead";
    EXPECT_TRUE(CheckNothingLost(journal).empty()) << "a copy was begun";
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(Exists(Out(Numbered("c", i))));
    CheckUndo();
}

TEST_F(CliKilledRun, WithTheBatchCopiedAndFlushedBeforeItsRenames)
{
    constexpr int kCopies = 20;
    for (int i = 0; i < kCopies; ++i)
        ASSERT_TRUE(w.Put(copy + Numbered("c", i), kTaken, "copied " + std::to_string(i), 3000));
    before = Snapshot(w.Data());
    ASSERT_TRUE(KillWhenStalled(w, Args(true))) << "the run did not stand still";

    const JournalData journal = Journal();
    const std::set<std::string> partials = CheckNothingLost(journal);
    // Every copy of the batch is written under its recorded name; none has its real name.
    EXPECT_EQ(partials.size(), static_cast<std::size_t>(kCopies));
    EXPECT_EQ(partials, Unfinished(journal));
    for (int i = 0; i < kCopies; ++i)
        EXPECT_FALSE(Exists(Out(Numbered("c", i))));
    CheckUndo();
}

TEST_F(CliKilledRun, BetweenTwoRenamesOfOneBatch)
{
    // The copies' own lines fill the pipe: the run stands still after a row placed its copy and
    // before the next one does.
    constexpr int kCopies = 50;
    for (int i = 0; i < kCopies; ++i)
        ASSERT_TRUE(w.Put(copy + Numbered("c", i), kTaken, "copied " + std::to_string(i), 3000));
    before = Snapshot(w.Data());
    ASSERT_TRUE(KillWhenStalled(w, Args(false))) << "the run did not stand still";

    const JournalData journal = Journal();
    const std::set<std::string> partials = CheckNothingLost(journal);
    EXPECT_EQ(partials, Unfinished(journal));
    std::size_t placed = 0;
    for (int i = 0; i < kCopies; ++i)
        placed += Exists(Out(Numbered("c", i))) ? 1 : 0;
    EXPECT_GT(placed, 0u);
    EXPECT_GT(partials.size(), 0u);
    EXPECT_EQ(placed + partials.size(), static_cast<std::size_t>(kCopies));
    CheckUndo();
}

// The next run's start takes away what a killed one left (its unfinished copies and the stage
// folder it wrote them in, as a batch of copies into a folder of many photos does), and the next
// run places every copy. The records of these long paths are long: the batch's records reach
// further back from the journal's end than those of short ones.
TEST_F(CliKilledRun, WhatItLeftGoesWhenTheNextRunStarts)
{
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(w.Put(Out("old" + std::to_string(i) + ".jpg"), kTaken, "old"));
    constexpr int kCopies = 20;
    for (int i = 0; i < kCopies; ++i)
        ASSERT_TRUE(w.Put(copy + Numbered("c", i), kTaken, "copied " + std::to_string(i), 3000));
    before = Snapshot(w.Data());
    ASSERT_TRUE(KillWhenStalled(w, Args(true))) << "the run did not stand still";
    const std::set<std::string> partials = CheckNothingLost(Journal());
    ASSERT_FALSE(partials.empty()) << "the run left no unfinished copy";
    for (const std::string& partial : partials) {
        std::string folder;
        EXPECT_TRUE(FolderOf(partial, folder) && IsStageFolder(folder)) << partial;
    }

    const CliOutcome again = RunCli(Args(false));
    for (const auto& [path, bytes] : Snapshot(w.Data()))
        EXPECT_EQ(path.find(".qmpart"), std::string::npos) << path << " left";
    for (int i = 0; i < kCopies; ++i)
        EXPECT_EQ(ReadText(Out(Numbered("c", i))), ReadText(copy + Numbered("c", i))) << i << again.err;
}

}  // namespace
