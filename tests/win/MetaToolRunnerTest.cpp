#include "metadata/MetaToolRunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win/ToolTestFiles.h"

namespace {

using tooltest::FakeToolPath;
using tooltest::TempFolder;
using tooltest::WriteText;

MetaToolConfig FakeTool(DWORD timeLimitMs = 30000)
{
    MetaToolConfig config;
    config.toolPath = FakeToolPath();
    config.timeLimitMs = timeLimitMs;
    return config;
}

// Escapes bytes for an "out" line of the stand-in tool's script.
std::string Escaped(const std::string& bytes)
{
    std::string out;
    for (char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

std::string Value(const MetaToolRunner& runner, const std::string& name)
{
    std::string value = "<absent>";
    runner.FindField(name, value);
    return value;
}

bool ProcessIsGone(DWORD processId)
{
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return true;
    const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}

class MetaToolRunnerTest : public ::testing::Test {
protected:
    MetaToolRunnerTest() : folder_(::testing::UnitTest::GetInstance()->current_test_info()->name()) { }

    std::string Script(const std::string& text, const std::string& name = "input.tif")
    {
        const std::string path = folder_ / name;
        EXPECT_TRUE(WriteText(path, text));
        return path;
    }

    TempFolder folder_;
};

TEST_F(MetaToolRunnerTest, ParsesTheListing)
{
    const std::string file =
            Script("out ExifTool Version Number         : 12.40\\r\\n\n"
                   "out File Name                       : input.tif\\r\\n\n"
                   "out file name                       : kept in lower case\\r\\n\n"
                   "out Date/Time Original              : 2010:07:15 14:03:09\\r\\n\n"
                   "out no colon on this line\\r\\n\\r\\n   : no name\\r\\n\n"
                   "out Thumbnail Image : (Binary data 4 bytes, use -b option to extract)\\r\\n\n"
                   "out Comment : tail use -b\\r\\n\n"
                   "out Make : First\\nMake : Second\\n\n"
                   "out Unfinished : no line break");
    MetaToolRunner runner(FakeTool());
    ASSERT_TRUE(runner.RunTool(file));
    EXPECT_EQ(runner.LastRun().outcome, ToolOutcome::Ended);

    std::vector<std::pair<std::string, std::string>> seen;
    for (const MetaField& field : runner)
        seen.emplace_back(field.name, field.value);
    const std::vector<std::pair<std::string, std::string>> expected = {
            {"file name", "kept in lower case"},
            {"Date/Time Original", "2010:07:15 14:03:09"},
            {"Comment", "tail use -b"},
            {"Make", "First"},
            {"Make", "Second"}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(Value(runner, "Make"), "First");
    EXPECT_EQ(Value(runner, "File Name"), "<absent>");
    EXPECT_EQ(Value(runner, "make"), "<absent>");
}

// No console, and so no console host process, for any start of the tool; its pipes still work.
TEST_F(MetaToolRunnerTest, TheToolRunsWithoutAConsole)
{
    MetaToolRunner runner(FakeTool());
    ASSERT_TRUE(runner.RunTool(Script("console")));
    EXPECT_EQ(Value(runner, "Console"), "none");
}

TEST_F(MetaToolRunnerTest, StandardErrorFeedsTheSameList)
{
    const std::string file = Script("out Make : A\\n\nerr Model : B\\n\nout Lens : C\\n\n");
    MetaToolRunner runner(FakeTool());
    ASSERT_TRUE(runner.RunTool(file));
    EXPECT_EQ(Value(runner, "Make"), "A");
    EXPECT_EQ(Value(runner, "Model"), "B");
    EXPECT_EQ(Value(runner, "Lens"), "C");
}

TEST_F(MetaToolRunnerTest, ListingSplitAtEveryByteAcrossReads)
{
    const std::string listing = "Date/Time Original  : 2010:07:15 14:03:09\r\n"
                                "Orientation : Rotate 90 CW\r\n"
                                "Make:X\n";
    for (std::size_t at = 0; at <= listing.size(); ++at) {
        SCOPED_TRACE(at);
        // The pause is longer than the runner's longest poll, so the two parts arrive in two reads.
        const std::string file = Script("out " + Escaped(listing.substr(0, at)) + "\nsleep 150\nout " +
                                        Escaped(listing.substr(at)) + "\n");
        MetaToolRunner runner(FakeTool());
        ASSERT_TRUE(runner.RunTool(file));
        if (at > 0 && at < listing.size()) {
            EXPECT_GE(runner.LastRun().reads, 2u);
        }
        EXPECT_EQ(runner.LastRun().bytesRead, listing.size());
        ASSERT_EQ(runner.Fields().size(), 3u);
        EXPECT_EQ(Value(runner, "Date/Time Original"), "2010:07:15 14:03:09");
        EXPECT_EQ(Value(runner, "Orientation"), "Rotate 90 CW");
        EXPECT_EQ(Value(runner, "Make"), "X");
    }
}

TEST_F(MetaToolRunnerTest, NoOutputFails)
{
    const std::string file = Script("");
    MetaToolRunner runner(FakeTool());
    EXPECT_FALSE(runner.RunTool(file));
    EXPECT_EQ(runner.LastRun().outcome, ToolOutcome::Ended);
    EXPECT_TRUE(runner.Fields().empty());
}

TEST_F(MetaToolRunnerTest, OnlyDroppedLinesFails)
{
    const std::string file = Script("out File Size : 3 kB\\nDirectory : C:/x\\nNote: use -b it\\n");
    MetaToolRunner runner(FakeTool());
    EXPECT_FALSE(runner.RunTool(file));
    EXPECT_TRUE(runner.Fields().empty());
}

TEST_F(MetaToolRunnerTest, MissingToolFails)
{
    MetaToolConfig config;
    config.toolPath = folder_ / "no_such_tool.exe";
    MetaToolRunner runner(config);
    std::string value = "untouched";
    EXPECT_FALSE(runner.RunTool(Script("out Make : A\\n")));
    EXPECT_EQ(runner.LastRun().outcome, ToolOutcome::NotStarted);
    EXPECT_TRUE(runner.Fields().empty());
    EXPECT_FALSE(runner.FindField("Make", value));
    EXPECT_EQ(value, "untouched");
}

TEST_F(MetaToolRunnerTest, ToolGetsExactlyTheFilePathAsItsOneArgument)
{
    const std::string log = folder_ / "starts.log";
    ASSERT_TRUE(SetEnvironmentVariableA("QM_TOOL_LOG", log.c_str()));
    const std::string file = Script("out Make : A\\n", "name with spaces.tif");
    MetaToolRunner runner(FakeTool());
    EXPECT_TRUE(runner.RunTool(file));
    SetEnvironmentVariableA("QM_TOOL_LOG", nullptr);
    EXPECT_EQ(tooltest::ReadText(log), "1|" + file + "\n");
}

TEST_F(MetaToolRunnerTest, ToolPathWithSpacesIsNotMistakenForAShorterOne)
{
    // Unquoted, "<folder>tool dir\fake_metaprobe.exe" would first be tried as "<folder>tool.exe".
    const std::string decoy = folder_ / "tool.exe";
    ASSERT_TRUE(CreateDirectoryA((folder_ / "tool dir").c_str(), nullptr));
    const std::string tool = folder_ / "tool dir\\fake_metaprobe.exe";
    ASSERT_TRUE(CopyFileA(FakeToolPath().c_str(), tool.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(FakeToolPath().c_str(), decoy.c_str(), FALSE));
    const std::string log = folder_ / "starts.log";
    ASSERT_TRUE(SetEnvironmentVariableA("QM_TOOL_LOG", log.c_str()));
    MetaToolConfig config = FakeTool();
    config.toolPath = tool;
    MetaToolRunner runner(config);
    const std::string file = Script("out Make : A\\n");
    EXPECT_TRUE(runner.RunTool(file));
    SetEnvironmentVariableA("QM_TOOL_LOG", nullptr);
    EXPECT_EQ(Value(runner, "Make"), "A");
    EXPECT_EQ(tooltest::ReadText(log), "1|" + file + "\n");
}

TEST_F(MetaToolRunnerTest, DefaultToolSitsBesideTheExecutable)
{
    const std::string besideUs = tooltest::ExecutableFolder() + "metaprobe.exe";
    EXPECT_EQ(DefaultToolPath(), besideUs);
    ASSERT_TRUE(CopyFileA(FakeToolPath().c_str(), besideUs.c_str(), FALSE));
    MetaToolRunner runner;
    EXPECT_EQ(runner.ToolPath(), besideUs);
    const bool ran = runner.RunTool(Script("out Make : Beside\\n"));
    DeleteFileA(besideUs.c_str());
    ASSERT_TRUE(ran);
    EXPECT_EQ(Value(runner, "Make"), "Beside");
}

TEST_F(MetaToolRunnerTest, SecondRunAppendsToTheList)
{
    MetaToolRunner runner(FakeTool());
    ASSERT_TRUE(runner.RunTool(Script("out Make : A\\n", "a.tif")));
    ASSERT_TRUE(runner.RunTool(Script("out Make : B\\n", "b.tif")));
    ASSERT_EQ(runner.Fields().size(), 2u);
    EXPECT_EQ(runner.Fields()[1].value, "B");
}

TEST_F(MetaToolRunnerTest, ToolThatNeverEndsIsEndedAtTheLimit)
{
    const std::string file = Script("out Date/Time Original : 2010:07:15 14:03:09\\n\nhang\n");
    MetaToolRunner runner(FakeTool(2000));
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(runner.RunTool(file));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(runner.LastRun().outcome, ToolOutcome::TimedOut);
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LT(elapsed, 15000u);
    EXPECT_GT(runner.LastRun().bytesRead, 0u);  // its line was read, and then discarded
    EXPECT_TRUE(runner.Fields().empty());
    ASSERT_NE(runner.LastRun().processId, 0u);
    EXPECT_TRUE(ProcessIsGone(runner.LastRun().processId));
}

// A process the tool leaves behind may hold its output open past the tool's end: by the limit at
// the latest the tool counts as ended, and its listing stands.
TEST_F(MetaToolRunnerTest, ToolThatEndedWhileAnotherHoldsItsOutputCountsAsEndedAtTheLimit)
{
    const std::string leftBehind = Script("sleep 8000\n", "left.tif");
    MetaToolRunner runner(FakeTool(2000));
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(runner.RunTool(Script("out Make : A\\n\nspawn " + leftBehind + "\n")));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(runner.LastRun().outcome, ToolOutcome::Ended);
    EXPECT_LT(elapsed, 7000u);  // the left-behind process is not waited for
    EXPECT_EQ(Value(runner, "Make"), "A");
    EXPECT_TRUE(ProcessIsGone(runner.LastRun().processId));
}

TEST_F(MetaToolRunnerTest, TimeOutKeepsFieldsOfEarlierRuns)
{
    MetaToolRunner runner(FakeTool(3000));  // room for a start on a busy machine
    ASSERT_TRUE(runner.RunTool(Script("out Make : A\\n", "a.tif")));
    EXPECT_FALSE(runner.RunTool(Script("out Model : B\\n\nhang\n", "b.tif")));
    EXPECT_EQ(runner.LastRun().outcome, ToolOutcome::TimedOut);
    ASSERT_EQ(runner.Fields().size(), 1u);
    EXPECT_EQ(runner.Fields()[0].name, "Make");
}

TEST_F(MetaToolRunnerTest, FloodOfLinesKeepsALeadingPartAndLetsTheToolEnd)
{
    // About 8 MB of fields, twice the budget, then one last field.
    const std::string unit = "Flood Field : 0123456789012345678901234567\\r\\n";  // 44 bytes
    const std::size_t count = 200000;
    const std::string file = Script("out First : here\\r\\n\nrepeat " + std::to_string(count) + " " + unit +
                                    "\nout Final : there\\r\\n\n");
    MetaToolRunner runner(FakeTool());
    ASSERT_TRUE(runner.RunTool(file));
    const ToolRunStats& run = runner.LastRun();
    EXPECT_EQ(run.outcome, ToolOutcome::Ended);
    EXPECT_EQ(run.bytesRead, 14u + count * 44u + 15u);  // all of it read: the tool was never stuck
    EXPECT_LE(run.keptBytes, ListingLimits {}.maxKeptBytes);
    EXPECT_GT(run.fieldsOverBudget, 0u);
    EXPECT_EQ(Value(runner, "First"), "here");
    EXPECT_EQ(Value(runner, "Final"), "<absent>");
    EXPECT_LT(runner.Fields().size(), count);
}

TEST_F(MetaToolRunnerTest, EndlessLineIsDroppedAndPendingBufferStaysBounded)
{
    const std::string file = Script("out Make : A\\nHuge : \nrepeat 3000000 x\nout \\r\\nModel : B\\r\\n\n");
    MetaToolRunner runner(FakeTool());
    ASSERT_TRUE(runner.RunTool(file));
    const ToolRunStats& run = runner.LastRun();
    EXPECT_EQ(run.outcome, ToolOutcome::Ended);
    EXPECT_EQ(run.overlongLines, 1u);
    EXPECT_LE(run.peakPendingCapacity, ListingLimits {}.maxLineLength + 100);
    EXPECT_EQ(Value(runner, "Make"), "A");
    EXPECT_EQ(Value(runner, "Huge"), "<absent>");
    EXPECT_EQ(Value(runner, "Model"), "B");
}

TEST_F(MetaToolRunnerTest, ToolThatFloodsWithoutEndIsEndedAtTheLimit)
{
    const std::string file = Script("out Make : A\\n\nrepeat 2000000000 Flood : 0123456789\\n\n");
    MetaToolRunner runner(FakeTool(2000));
    EXPECT_FALSE(runner.RunTool(file));
    const ToolRunStats& run = runner.LastRun();
    EXPECT_EQ(run.outcome, ToolOutcome::TimedOut);
    EXPECT_GT(run.bytesRead, ListingLimits {}.maxKeptBytes);  // it did flood past the budget
    EXPECT_LE(run.keptBytes, ListingLimits {}.maxKeptBytes);
    EXPECT_LE(run.peakPendingCapacity, ListingLimits {}.maxLineLength + 100);
    EXPECT_TRUE(runner.Fields().empty());
    EXPECT_TRUE(ProcessIsGone(run.processId));
}

TEST_F(MetaToolRunnerTest, FindFieldCopiesTheValueOfTheFirstMatch)
{
    MetaToolRunner runner(FakeTool());
    ASSERT_TRUE(runner.RunTool(Script("out Orientation : \\nOrientation : Rotate 90 CW\\n")));
    std::string value = "old";
    ASSERT_TRUE(runner.FindField("Orientation", value));
    EXPECT_EQ(value, "");
    value = "old";
    EXPECT_FALSE(runner.FindField("orientation", value));
    EXPECT_EQ(value, "old");
}

}  // namespace
