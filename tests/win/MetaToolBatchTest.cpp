#include "metadata/MetaToolBatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/ModeLookup.h"
#include "metadata/MetaLookup.h"
#include "tests/win/ToolTestFiles.h"

namespace {

using tooltest::FakeToolPath;
using tooltest::ReadText;
using tooltest::TempFolder;
using tooltest::WriteText;

bool ProcessIsGone(DWORD processId)
{
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr)
        return true;
    const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}

bool AllGone(const std::vector<DWORD>& processes)
{
    return std::all_of(processes.begin(), processes.end(), ProcessIsGone);
}

// The batch's own facts (a date's UTC instant, a video's position) follow the listing; the listing
// itself must be the same.
std::vector<MetaField> ListingOf(std::vector<MetaField> fields)
{
    std::erase_if(fields, [](const MetaField& field) { return field.name.rfind("Batch ", 0) == 0; });
    return fields;
}

bool SameFields(const std::vector<MetaField>& batchFields, const std::vector<MetaField>& b)
{
    const std::vector<MetaField> a = ListingOf(batchFields);
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const MetaField& x, const MetaField& y) {
               return x.name == y.name && x.value == y.value;
           });
}

class MetaToolBatchTest : public ::testing::Test {
protected:
    MetaToolBatchTest()
        : folder_(::testing::UnitTest::GetInstance()->current_test_info()->name()),
          log_(folder_ / "starts.log")
    {
        config_.toolPath = FakeToolPath();
        config_.timeLimitMs = 30000;
        SetEnvironmentVariableA("QM_TOOL_LOG", log_.c_str());
    }
    ~MetaToolBatchTest() override
    {
        SetEnvironmentVariableA("QM_TOOL_LOG", nullptr);
        SetEnvironmentVariableA("QM_FAKE_HANDSHAKE", nullptr);
    }

    std::string Script(const std::string& name, const std::string& text)
    {
        const std::string path = folder_ / name;
        EXPECT_TRUE(WriteText(path, text));
        return path;
    }
    // The log lines of tool starts (batch processes also log each path they are given).
    std::vector<std::string> Starts() const
    {
        std::vector<std::string> starts;
        const std::string log = ReadText(log_);
        std::size_t at = 0;
        while (at < log.size()) {
            std::size_t end = log.find('\n', at);
            if (end == std::string::npos)
                end = log.size();
            const std::string line = log.substr(at, end - at);
            if (line.rfind("path|", 0) != 0)
                starts.push_back(line);
            at = end + 1;
        }
        return starts;
    }
    std::vector<MetaField> OneFile(const std::string& path) const
    {
        MetaToolRunner runner(config_);
        runner.RunTool(path);
        return runner.Fields();
    }

    TempFolder folder_;
    std::string log_;
    MetaToolConfig config_;
};

TEST_F(MetaToolBatchTest, TheBatchToolRunsWithoutAConsole)
{
    MetaToolBatch batch(config_);
    std::vector<MetaField> fields;
    ASSERT_EQ(batch.Look(Script("a.tif", "console\n"), fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].name, "Console");
    EXPECT_EQ(fields[0].value, "none");
}

TEST_F(MetaToolBatchTest, OneProcessServesEveryFileWithTheOneFileFields)
{
    const std::vector<std::string> files = {
            Script("a.tif", "out ExifTool Version Number : 1\\r\\nFile Size : 3 kB\\r\\nMake : A\\r\\n\n"
                            "err Model : on standard error\\n\n"
                            "out Thumbnail Image : (Binary data, use -b option)\\r\\nno colon\\r\\n\\r\\n : "
                            "x\\r\\n\n"),
            Script("b.cr2",
                   "out Date/Time Original   : 2010:07:15 14:03:09\\n\nsleep 150\nout Orientation : Rot\n"
                   "out ate 270 CW\\r\nsleep 150\nout \\nMake : B\\n\n"),
            Script("c.nef", ""),
            Script("d.dng", "out Note : x\\0metaprobe end guess\\0Make : after NUL\\n\n"),
            Script("e.png", "out Unfinished : no line break"),
    };
    MetaToolBatch batch(config_);
    for (int round = 0; round < 2; ++round) {
        for (const std::string& file : files) {
            SCOPED_TRACE(file);
            std::vector<MetaField> fields;
            EXPECT_EQ(batch.Look(file, fields), ToolOutcome::Ended);
            EXPECT_TRUE(SameFields(fields, OneFile(file)));
        }
    }
    ASSERT_EQ(batch.StartedProcesses().size(), 1u);
    const DWORD process = batch.StartedProcesses()[0];
    EXPECT_FALSE(ProcessIsGone(process));
    batch.Close();
    EXPECT_TRUE(ProcessIsGone(process));
    // One batch start, then the one-file starts of the comparison.
    const std::vector<std::string> starts = Starts();
    ASSERT_EQ(starts.size(), 1u + 2 * files.size());
    EXPECT_EQ(starts[0].rfind("2|--batch", 0), 0u);
}

TEST_F(MetaToolBatchTest, ToolThatDoesNotStartFailsEachLookup)
{
    config_.toolPath = folder_ / "no_such_tool.exe";
    MetaToolBatch batch(config_);
    for (int i = 0; i < 2; ++i) {
        std::vector<MetaField> fields;
        EXPECT_EQ(batch.Look(Script("a.tif", "out Make : A\\n"), fields), ToolOutcome::NotStarted);
        EXPECT_TRUE(fields.empty());
    }
    EXPECT_TRUE(batch.StartedProcesses().empty());
    EXPECT_FALSE(batch.OneFileStarts());
}

TEST_F(MetaToolBatchTest, ToolWithoutTheHandshakeIsStartedOncePerFile)
{
    // Also bounds the wait for a handshake that never comes; long enough for a start on a busy machine.
    config_.timeLimitMs = 4000;
    const std::string a = Script("a.tif", "out Make : A\\n");
    const std::string b = Script("b.tif", "out Make : B\\n");
    for (const char* kind : {"none", "wrong", "silent"}) {
        SCOPED_TRACE(kind);
        DeleteFileA(log_.c_str());
        SetEnvironmentVariableA("QM_FAKE_HANDSHAKE", kind);
        std::vector<DWORD> processes;
        {
            MetaToolBatch batch(config_);
            for (const std::string& file : {a, b, a}) {
                std::vector<MetaField> fields;
                EXPECT_EQ(batch.Look(file, fields), ToolOutcome::Ended);
                EXPECT_TRUE(SameFields(fields, OneFile(file)));
                ASSERT_EQ(fields.size(), 1u);
            }
            EXPECT_TRUE(batch.OneFileStarts());
            processes = batch.StartedProcesses();
        }
        // The batch attempt, then one start per file (and one per comparison).
        EXPECT_EQ(processes.size(), 4u);
        EXPECT_TRUE(AllGone(processes));
        const std::vector<std::string> starts = Starts();
        ASSERT_EQ(starts.size(), 7u);
        EXPECT_EQ(starts[0].rfind("2|--batch", 0), 0u);
        EXPECT_EQ(starts[1], "1|" + a);
    }
}

TEST_F(MetaToolBatchTest, CrashOnOneFileFailsItAndTheNextFileGetsANewProcess)
{
    const std::string good = Script("good.tif", "out Make : A\\n");
    const std::string crash = Script("crash.tif", "out Make : partial\\n\ncrash\n");
    const std::string quits = Script("quits.tif", "out Make : partial\\n\nexit 0\n");
    MetaToolBatch batch(config_);
    std::vector<MetaField> fields;
    EXPECT_EQ(batch.Look(good, fields), ToolOutcome::Ended);
    for (const std::string& bad : {crash, quits}) {
        SCOPED_TRACE(bad);
        fields.clear();
        EXPECT_EQ(batch.Look(bad, fields), ToolOutcome::Crashed);
        EXPECT_TRUE(fields.empty());
        EXPECT_TRUE(ProcessIsGone(batch.StartedProcesses().back()));
        fields.clear();
        EXPECT_EQ(batch.Look(good, fields), ToolOutcome::Ended);
        ASSERT_EQ(fields.size(), 1u);
        EXPECT_EQ(fields[0].value, "A");
    }
    EXPECT_EQ(batch.StartedProcesses().size(), 3u);
    EXPECT_FALSE(batch.OneFileStarts());
    const std::vector<DWORD> processes = batch.StartedProcesses();
    batch.Close();
    EXPECT_TRUE(AllGone(processes));
}

TEST_F(MetaToolBatchTest, HangOnOneFileIsEndedAtTheLimitOfThatFile)
{
    config_.timeLimitMs = 1500;
    // Each of these files takes most of the limit: the limit is per file, not per batch.
    const std::string slowish = Script("slowish.tif", "sleep 700\nout Make : A\\n\n");
    const std::string hang = Script("hang.tif", "out Make : partial\\n\nhang\n");
    MetaToolBatch batch(config_);
    std::vector<MetaField> fields;
    EXPECT_EQ(batch.Look(slowish, fields), ToolOutcome::Ended);
    EXPECT_EQ(batch.Look(slowish, fields), ToolOutcome::Ended);
    EXPECT_EQ(fields.size(), 2u);
    const DWORD first = batch.StartedProcesses().back();
    fields.clear();
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(batch.Look(hang, fields), ToolOutcome::TimedOut);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 1400u);
    EXPECT_LT(elapsed, 10000u);
    EXPECT_TRUE(fields.empty());
    EXPECT_TRUE(ProcessIsGone(first));
    EXPECT_EQ(batch.Look(slowish, fields), ToolOutcome::Ended);
    EXPECT_EQ(fields.size(), 1u);
    EXPECT_EQ(batch.StartedProcesses().size(), 2u);
    const std::vector<DWORD> processes = batch.StartedProcesses();
    batch.Close();
    EXPECT_TRUE(AllGone(processes));
}

TEST_F(MetaToolBatchTest, FloodKeepsTheLimitsOfEachFile)
{
    const std::string flood = Script("flood.tif", "out First : here\\r\\n\nrepeat 200000 Flood Field : "
                                                  "0123456789012345678901234567\\r\\n\nout Huge : \nrepeat "
                                                  "100000 x\nout \\r\\nFinal : there\\r\\n\n");
    const std::string small = Script("small.tif", "out Make : A\\n");
    MetaToolBatch batch(config_);
    std::vector<MetaField> fields;
    EXPECT_EQ(batch.Look(flood, fields), ToolOutcome::Ended);
    EXPECT_LE(batch.LastRun().keptBytes, ListingLimits {}.maxKeptBytes);
    EXPECT_GT(batch.LastRun().fieldsOverBudget, 0u);
    EXPECT_EQ(batch.LastRun().overlongLines, 1u);
    EXPECT_LE(batch.LastRun().peakPendingCapacity, ListingLimits {}.maxLineLength + 100);
    EXPECT_TRUE(SameFields(fields, OneFile(flood)));
    fields.clear();
    EXPECT_EQ(batch.Look(small, fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(batch.LastRun().fieldsOverBudget, 0u);
    EXPECT_EQ(batch.StartedProcesses().size(), 1u);
}

TEST_F(MetaToolBatchTest, OutputAfterAnAnswerIsNotTakenForTheNext)
{
    const std::string stray = Script("stray.tif", "out Make : A\\n\nafter Model : stray\\n\n");
    const std::string next = Script("next.tif", "out Make : B\\n");
    MetaToolBatch batch(config_);
    std::vector<MetaField> fields;
    EXPECT_EQ(batch.Look(stray, fields), ToolOutcome::Ended);
    Sleep(300);  // the stray line has arrived by now
    fields.clear();
    EXPECT_EQ(batch.Look(next, fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].value, "B");
    EXPECT_EQ(batch.StartedProcesses().size(), 2u);
    // The same when the next files are told ahead of their lookups.
    fields.clear();
    EXPECT_EQ(batch.Look(stray, fields), ToolOutcome::Ended);
    Sleep(300);
    batch.Ahead({next});
    fields.clear();
    EXPECT_EQ(batch.Look(next, fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].value, "B");
    EXPECT_EQ(batch.StartedProcesses().size(), 3u);
}

TEST_F(MetaToolBatchTest, OutputArrivingLaterThanTheEndLineIsNotTakenForTheNextAnswer)
{
    // The answer ends cleanly; the stray line follows 200 ms later, in a read of its own.
    const std::string stray = Script("late.tif", "out Make : A\\n\npause 200\nafter Model : stray\\n\n");
    const std::string next = Script("next.tif", "out Make : B\\n");
    MetaToolBatch batch(config_);
    std::vector<MetaField> fields;
    EXPECT_EQ(batch.Look(stray, fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].value, "A");
    Sleep(600);  // the stray line has arrived by now
    fields.clear();
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(batch.Look(next, fields), ToolOutcome::Ended);
    EXPECT_LT(GetTickCount64() - start, 10000u);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].name, "Make");
    EXPECT_EQ(fields[0].value, "B");
    // The process that spoke out of turn was replaced by a fresh one.
    ASSERT_EQ(batch.StartedProcesses().size(), 2u);
    EXPECT_TRUE(ProcessIsGone(batch.StartedProcesses()[0]));
    // The same when the next file is told ahead of its lookup.
    fields.clear();
    EXPECT_EQ(batch.Look(stray, fields), ToolOutcome::Ended);
    Sleep(600);
    batch.Ahead({next});
    fields.clear();
    EXPECT_EQ(batch.Look(next, fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].value, "B");
    EXPECT_EQ(batch.StartedProcesses().size(), 3u);
}

TEST_F(MetaToolBatchTest, PathWithALineBreakGetsAOneFileStart)
{
    const std::string good = Script("good.tif", "out Make : A\\n");
    const std::string broken = folder_ / "two\nlines.tif";
    MetaToolBatch batch(config_);
    std::vector<MetaField> fields;
    EXPECT_EQ(batch.Look(good, fields), ToolOutcome::Ended);
    EXPECT_EQ(batch.Look(broken, fields), ToolOutcome::Ended);  // the stand-in finds no script there
    EXPECT_EQ(batch.Look(good, fields), ToolOutcome::Ended);
    EXPECT_EQ(fields.size(), 2u);
    EXPECT_EQ(batch.StartedProcesses().size(), 2u);
    EXPECT_FALSE(batch.OneFileStarts());
    const std::string log = ReadText(log_);
    EXPECT_NE(log.find("1|" + broken + "\n"), std::string::npos);
    EXPECT_EQ(log.find("path|" + folder_.Path() + "two"), std::string::npos);
}

// A wait hook that keeps the thread's messages flowing and asks the wait to stop at its third call.
ToolWaitHook StopOnThirdWait(int& calls)
{
    return [&calls] {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) { }
        return ++calls < 3;
    };
}

TEST_F(MetaToolBatchTest, HookEndsTheWaitAndTheProcess)
{
    const std::string hang = Script("hang.tif", "hang\n");
    MetaToolBatch batch(config_);
    int calls = 0;
    batch.SetWaitHook(StopOnThirdWait(calls));
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, nullptr);
    ASSERT_NE(timer, 0u);
    std::vector<MetaField> fields;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(batch.Look(hang, fields), ToolOutcome::Stopped);
    KillTimer(nullptr, timer);
    EXPECT_LT(GetTickCount64() - start, 10000u);
    EXPECT_EQ(calls, 3);
    ASSERT_EQ(batch.StartedProcesses().size(), 1u);
    EXPECT_TRUE(ProcessIsGone(batch.StartedProcesses()[0]));
}

// Scripts whose answers name them: "Make : NAME".
std::vector<std::string> NamedScripts(const TempFolder& folder, int count, const std::string& more = "")
{
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const std::string name = "f" + std::to_string(i) + ".tif";
        const std::string path = folder / name;
        EXPECT_TRUE(WriteText(path, more + "out Make : " + name + "\\n\n"));
        paths.push_back(path);
    }
    return paths;
}

std::string FileNameOf(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

// How many times the batch processes were given the path.
std::size_t TimesSent(const std::string& log, const std::string& path)
{
    std::size_t times = 0;
    for (std::size_t at = log.find("path|" + path + "\n"); at != std::string::npos;
         at = log.find("path|" + path + "\n", at + 1))
        ++times;
    return times;
}

// The tool reads its input at its own pace: a test that ends it while it reads a file waits for it
// to get there first.
bool WaitUntilSent(const std::string& logPath, const std::string& path)
{
    for (int i = 0; i < 500; ++i) {
        if (TimesSent(ReadText(logPath), path) > 0)
            return true;
        Sleep(20);
    }
    return false;
}

void ExpectAnswerOf(MetaToolBatch& batch, const std::string& path)
{
    SCOPED_TRACE(path);
    std::vector<MetaField> fields;
    ASSERT_EQ(batch.Look(path, fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].value, FileNameOf(path));
}

TEST_F(MetaToolBatchTest, FilesToldAheadAreAnsweredInOrderWithManyOut)
{
    // Each file takes the tool a while, so that the paths sent ahead are still out when looked at.
    const std::vector<std::string> files = NamedScripts(folder_, 60, "sleep 20\n");
    MetaToolBatch batch(config_);
    batch.Ahead(files);
    std::size_t mostOut = 0;
    for (const std::string& file : files) {
        ExpectAnswerOf(batch, file);
        // Told again with files out, as a run tells each batch: each still goes once.
        if (file == files[0])
            batch.Ahead(std::vector<std::string>(files.begin() + 1, files.end()));
        mostOut = std::max(mostOut, batch.PathsOut());
        EXPECT_LE(batch.PathsOut(), kAheadPaths);
    }
    EXPECT_GE(mostOut, kAheadPaths / 2);
    EXPECT_EQ(batch.PathsOut(), 0u);
    ASSERT_EQ(batch.StartedProcesses().size(), 1u);
    const std::string log = ReadText(log_);
    for (const std::string& file : files)
        EXPECT_EQ(TimesSent(log, file), 1u) << file;
}

TEST_F(MetaToolBatchTest, LookupsOutOfTheToldOrderGetTheirOwnAnswers)
{
    const std::vector<std::string> files = NamedScripts(folder_, 12, "sleep 10\n");
    const std::string untold = Script("untold.tif", "out Make : untold.tif\\n\n");
    MetaToolBatch batch(config_);
    batch.Ahead(files);
    ExpectAnswerOf(batch, files[0]);
    // Asked again, and a file not told: each waits behind the paths out, whose answers are kept.
    ExpectAnswerOf(batch, files[0]);
    ExpectAnswerOf(batch, untold);
    ExpectAnswerOf(batch, files[1]);
    // Files 2 to 4 are passed over; their answers are not given to the files after them, nor
    // kept: a passed file asked later is read as it is then.
    ExpectAnswerOf(batch, files[5]);
    ExpectAnswerOf(batch, files[2]);
    ASSERT_TRUE(WriteText(files[3], "out Make : changed\\n\n"));
    std::vector<MetaField> fields;
    ASSERT_EQ(batch.Look(files[3], fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].value, "changed");
    ExpectAnswerOf(batch, files[6]);
    // Told again: the answers kept serve them, and the files passed over are read afresh.
    batch.Ahead({files[11], files[7]});
    ExpectAnswerOf(batch, files[11]);
    ExpectAnswerOf(batch, files[7]);
    ExpectAnswerOf(batch, files[8]);
    EXPECT_EQ(batch.PathsOut(), 0u);
    EXPECT_EQ(batch.StartedProcesses().size(), 1u);
}

TEST_F(MetaToolBatchTest, ToolKilledWithPathsOutFailsOnlyTheFileItWasOn)
{
    const std::vector<std::string> files = NamedScripts(folder_, 6);
    const std::string slow = Script("slow.tif", "sleep 3000\nout Make : slow\\n\n");
    const std::string crash = Script("crash.tif", "out Make : partial\\n\ncrash\n");
    MetaToolBatch batch(config_);
    batch.Ahead({files[0], slow, files[1], files[2], crash, files[3], files[4], files[5]});
    ExpectAnswerOf(batch, files[0]);
    ASSERT_GE(batch.PathsOut(), 3u);
    // Ended from outside while it reads the slow file, with the files after it out.
    ASSERT_TRUE(WaitUntilSent(log_, slow));
    const DWORD first = batch.StartedProcesses().back();
    const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, first);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(TerminateProcess(process, 9));
    EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
    CloseHandle(process);
    std::vector<MetaField> fields;
    EXPECT_EQ(batch.Look(slow, fields), ToolOutcome::Crashed);
    EXPECT_TRUE(fields.empty());
    ExpectAnswerOf(batch, files[1]);
    ExpectAnswerOf(batch, files[2]);
    // A crash of its own on a file with files out after it.
    EXPECT_EQ(batch.Look(crash, fields), ToolOutcome::Crashed);
    EXPECT_TRUE(fields.empty());
    ExpectAnswerOf(batch, files[3]);
    ExpectAnswerOf(batch, files[4]);
    ExpectAnswerOf(batch, files[5]);
    const std::vector<DWORD> processes = batch.StartedProcesses();
    ASSERT_EQ(processes.size(), 3u);
    EXPECT_TRUE(ProcessIsGone(processes[0]));
    EXPECT_TRUE(ProcessIsGone(processes[1]));
    // The files out when a tool ended were answered by the next one, each read once.
    const std::string log = ReadText(log_);
    for (const std::string& file : files)
        EXPECT_EQ(TimesSent(log, file), 1u) << file;
    EXPECT_EQ(TimesSent(log, slow), 1u);
    EXPECT_EQ(TimesSent(log, crash), 1u);
    batch.Close();
    EXPECT_TRUE(AllGone(processes));
}

TEST_F(MetaToolBatchTest, HangWithPathsOutFailsOnlyTheFileItWasOn)
{
    config_.timeLimitMs = 1500;
    const std::vector<std::string> files = NamedScripts(folder_, 4);
    const std::string hang = Script("hang.tif", "out Make : partial\\n\nhang\n");
    MetaToolBatch batch(config_);
    batch.Ahead({files[0], hang, files[1], files[2], files[3]});
    ExpectAnswerOf(batch, files[0]);
    // Longer than the limit: the time the caller spends between lookups is not the file's.
    Sleep(2000);
    std::vector<MetaField> fields;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(batch.Look(hang, fields), ToolOutcome::TimedOut);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 1400u);
    EXPECT_LT(elapsed, 10000u);
    EXPECT_TRUE(fields.empty());
    EXPECT_TRUE(ProcessIsGone(batch.StartedProcesses()[0]));
    for (std::size_t i = 1; i < files.size(); ++i)
        ExpectAnswerOf(batch, files[i]);
    EXPECT_EQ(batch.StartedProcesses().size(), 2u);
    // The first tool never came to the files after the hanging one.
    for (const std::string& file : files)
        EXPECT_EQ(TimesSent(ReadText(log_), file), 1u) << file;
}

TEST_F(MetaToolBatchTest, FileNotToldWaitsBehindSlowFilesWithTheLimitOfEach)
{
    // Together the files ahead of it take longer than the limit, each well within it.
    config_.timeLimitMs = 1500;
    const std::vector<std::string> files = NamedScripts(folder_, 4, "sleep 600\n");
    const std::string untold = Script("untold.tif", "out Make : untold.tif\\n\n");
    MetaToolBatch batch(config_);
    batch.Ahead(files);
    ExpectAnswerOf(batch, untold);
    for (const std::string& file : files)
        ExpectAnswerOf(batch, file);
    EXPECT_EQ(batch.StartedProcesses().size(), 1u);
}

TEST_F(MetaToolBatchTest, StoppedLookupLeavesTheFilesOutToBeReadAgainWhole)
{
    const std::string slow = Script("slow.tif", "out Make : partial\\n\nsleep 1500\nout Model : whole\\n\n");
    const std::vector<std::string> files = NamedScripts(folder_, 3);
    MetaToolBatch batch(config_);
    batch.Ahead({files[0], slow, files[1]});
    ExpectAnswerOf(batch, files[0]);
    int calls = 0;
    batch.SetWaitHook(StopOnThirdWait(calls));
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, nullptr);
    ASSERT_NE(timer, 0u);
    // Not told: it waits behind the slow file, whose first line comes meanwhile.
    std::vector<MetaField> fields;
    EXPECT_EQ(batch.Look(files[2], fields), ToolOutcome::Stopped);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(fields.empty());
    ASSERT_EQ(batch.StartedProcesses().size(), 1u);
    EXPECT_TRUE(ProcessIsGone(batch.StartedProcesses()[0]));
    batch.SetWaitHook(nullptr);
    ASSERT_EQ(batch.Look(slow, fields), ToolOutcome::Ended);
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].value, "partial");
    EXPECT_EQ(fields[1].value, "whole");
    ExpectAnswerOf(batch, files[1]);
    ExpectAnswerOf(batch, files[2]);
    EXPECT_EQ(batch.StartedProcesses().size(), 2u);
}

TEST_F(MetaToolBatchTest, ManyLargeAnswersAheadNeverStall)
{
    // Rounds of files with answers larger together than the tool's output pipe holds, then of
    // paths longer together than its input pipe holds (files that are not there: empty answers).
    // Writing all of them at once would wait for a tool that waits for its answers to be read.
    std::vector<std::string> files;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 10; ++i) {
            const std::string name = "big" + std::to_string(round) + "_" + std::to_string(i) + ".tif";
            files.push_back(folder_ / name);
            ASSERT_TRUE(WriteText(files.back(), "repeat 200 Field : 0123456789012345678901234567890\\r\\n\n"
                                                "out Make : " +
                                                        name + "\\r\\n\n"));
        }
        for (int i = 0; i < 14; ++i)
            files.push_back(folder_ / (std::string(6000, 'p') + std::to_string(round * 100 + i) + ".tif"));
    }
    config_.timeLimitMs = 20000;
    MetaToolBatch batch(config_);
    batch.Ahead(files);
    for (const std::string& file : files) {
        SCOPED_TRACE(file.substr(0, 300));
        std::vector<MetaField> fields;
        ASSERT_EQ(batch.Look(file, fields), ToolOutcome::Ended);
        if (file.find("big") != std::string::npos) {
            ASSERT_EQ(fields.size(), 201u);
            EXPECT_EQ(fields.back().value, FileNameOf(file));
        } else {
            EXPECT_TRUE(fields.empty());
        }
        // The tool fills its output pipe meanwhile and waits.
        if (file == files[0])
            Sleep(500);
    }
    EXPECT_EQ(batch.StartedProcesses().size(), 1u);
}

// The real tool: every corpus file and generated sample, in random order and one of them twice, in
// one batch, gives the fields of a one-file start.
TEST_F(MetaToolBatchTest, RealToolBatchEqualsOneFileStarts)
{
    const std::string tool = tooltest::RealToolPath();
    if (GetFileAttributesA(tool.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "metaprobe.exe is not built (" << tool << ")";
    config_.toolPath = tool;
    std::vector<std::string> files = tooltest::SampleFiles(folder_);
    // The corpus is optional: without it, the samples alone are compared.
    const std::string corpus = tooltest::HostPath(QM_CORPUS_DIR);
    for (const char* part : {"\\other\\", "\\jpeg\\", "\\bad\\"}) {
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((corpus + part + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(corpus + part + found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    ASSERT_GE(files.size(), 9u);
    files.push_back(folder_ / "missing.cr2");
    std::mt19937 order(static_cast<unsigned>(GetTickCount64()));
    std::shuffle(files.begin(), files.end(), order);
    files.push_back(files[files.size() / 2]);

    // A first one-file pass, so that the access times a listing shows are settled.
    for (const std::string& file : files)
        OneFile(file);
    MetaToolBatch batch(config_);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::vector<MetaField> fields;
        ASSERT_EQ(batch.Look(file, fields), ToolOutcome::Ended);
        EXPECT_TRUE(SameFields(fields, OneFile(file)));
    }
    EXPECT_EQ(batch.StartedProcesses().size(), 1u);

    // The lookups too: one lookup object through its batch, the other by one start per file.
    MetaToolConfig oneFileConfig = config_;
    oneFileConfig.useBatch = false;
    MetaLookup throughBatch(config_);
    MetaLookup oneFileStarts(oneFileConfig);
    // Told ahead: the first lookup of each file takes the answer read ahead, the second waits
    // behind the files out.
    throughBatch.Ahead(files);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        for (const OrganizeMode mode : {OrganizeMode::Taken, OrganizeMode::Orientation}) {
            const auto batchValue = LookupModeValue(throughBatch, file, mode, false);
            const auto oneFileValue = LookupModeValue(oneFileStarts, file, mode, false);
            ASSERT_EQ(batchValue.Ok(), oneFileValue.Ok());
            EXPECT_EQ(batchValue.GetStatus().Reason(), oneFileValue.GetStatus().Reason());
            if (batchValue) {
                ASSERT_EQ(batchValue->has_value(), oneFileValue->has_value());
                if (*batchValue) {
                    EXPECT_EQ(ModeValueText(**batchValue), ModeValueText(**oneFileValue));
                }
            }
        }
    }
    ASSERT_NE(throughBatch.Batch(), nullptr);
    EXPECT_EQ(throughBatch.Batch()->StartedProcesses().size(), 1u);
    batch.Close();
    EXPECT_TRUE(AllGone(batch.StartedProcesses()));
}

}  // namespace
