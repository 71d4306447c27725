#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "engine/DryRunFileSystem.h"
#include "engine/FileTransfer.h"
#include "tests/support/TempTree.h"

namespace {

struct StepOutcome {
    bool ok;
    DWORD error;  // the last error, looked at only when the step failed
    bool operator==(const StepOutcome& other) const { return ok == other.ok && (ok || error == other.error); }
};

void PrintTo(const StepOutcome& outcome, std::ostream* os)
{
    *os << (outcome.ok ? "ok" : "failed") << " error " << outcome.error;
}

using Step = std::function<bool(RunFileSystem&, const std::string& root)>;

StepOutcome Do(const Step& step, RunFileSystem& fs, const std::string& root)
{
    SetLastError(0);
    const bool ok = step(fs, root);
    return {ok, GetLastError()};
}

// Two identical trees: the real file system works on one, the dry run on the other. Every step
// must come out the same on both, and the dry run's tree must stay as it was.
class DryRunVsReal : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const TempTree* t : {&real, &dry}) {
            ASSERT_TRUE(CreateDirectoryA(t->Path("src").c_str(), nullptr));
            ASSERT_TRUE(WriteText(t->Path("src\\a.jpg"), "a"));
            ASSERT_TRUE(WriteText(t->Path("src\\b.jpg"), "b"));
            ASSERT_TRUE(WriteText(t->Path("src\\c.jpg"), "c"));
            ASSERT_TRUE(WriteText(t->Path("file"), "in the way"));
            ASSERT_TRUE(CreateDirectoryA(t->Path("out").c_str(), nullptr));
            ASSERT_TRUE(CreateDirectoryA(t->Path("out\\folder.jpg").c_str(), nullptr));
            ASSERT_TRUE(WriteText(t->Path("out\\old.jpg"), "old"));
        }
        dryBefore = FilesBelow(dry.Root());
    }

    void Expect(const char* what, const Step& step)
    {
        SCOPED_TRACE(what);
        const StepOutcome onReal = Do(step, realFs, real.Root());
        const StepOutcome onDry = Do(step, dryFs, dry.Root());
        EXPECT_EQ(onDry, onReal);
        EXPECT_EQ(FilesBelow(dry.Root()), dryBefore);
    }

    TempTree real;
    TempTree dry;
    RealFileSystem realFs;
    DryRunFileSystem dryFs;
    std::map<std::string, std::string> dryBefore;
};

TEST_F(DryRunVsReal, FoldersAreCreatedOnlyInTheDryRunsMemory)
{
    Expect("new nested folder", [](RunFileSystem& fs, const std::string& r) {
        return fs.EnsureFolder(r + "out\\2012\\01\\").Ok();
    });
    Expect("it exists now",
           [](RunFileSystem& fs, const std::string& r) { return fs.Exists(r + "out\\2012\\01"); });
    Expect("again", [](RunFileSystem& fs, const std::string& r) {
        return fs.EnsureFolder(r + "out\\2012\\01\\").Ok();
    });
    Expect("through a file",
           [](RunFileSystem& fs, const std::string& r) { return fs.EnsureFolder(r + "file\\x\\").Ok(); });
    Expect("a file of that name",
           [](RunFileSystem& fs, const std::string& r) { return fs.EnsureFolder(r + "file\\").Ok(); });
    Expect("invalid name",
           [](RunFileSystem& fs, const std::string& r) { return fs.EnsureFolder(r + "out\\a?b\\").Ok(); });
    Expect("too long", [](RunFileSystem& fs, const std::string& r) {
        return fs.EnsureFolder(r + std::string(300, 'x') + "\\").Ok();
    });
    Expect("copy into the new folder", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\a.jpg", r + "out\\2012\\01\\a.jpg", false) == TransferOutcome::Done;
    });
    Expect("the copy is there",
           [](RunFileSystem& fs, const std::string& r) { return fs.Exists(r + "OUT\\2012\\01\\A.JPG"); });
}

TEST_F(DryRunVsReal, TransfersFailWhereTheRealCallsFail)
{
    Expect("missing source", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\none.jpg", r + "out\\n.jpg", true) == TransferOutcome::Done;
    });
    Expect("missing source copy", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\none.jpg", r + "out\\n.jpg", false) == TransferOutcome::Done;
    });
    Expect("missing source folder", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "nowhere\\none.jpg", r + "out\\n.jpg", false) == TransferOutcome::Done;
    });
    Expect("copy onto an existing file", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\a.jpg", r + "out\\old.jpg", false) == TransferOutcome::Done;
    });
    Expect("move onto an existing file", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\a.jpg", r + "out\\old.jpg", true) == TransferOutcome::Done;
    });
    Expect("into a missing folder", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\a.jpg", r + "out\\no\\a.jpg", true) == TransferOutcome::Done;
    });
    Expect("move", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\a.jpg", r + "out\\a.jpg", true) == TransferOutcome::Done;
    });
    Expect("source is gone",
           [](RunFileSystem& fs, const std::string& r) { return fs.Exists(r + "src\\a.jpg"); });
    Expect("moved source again", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\a.jpg", r + "out\\a2.jpg", true) == TransferOutcome::Done;
    });
    Expect("onto the moved file", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\b.jpg", r + "out\\a.jpg", false) == TransferOutcome::Done;
    });
    Expect("the moved file moves on", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "out\\a.jpg", r + "src\\a.jpg", true) == TransferOutcome::Done;
    });
}

TEST_F(DryRunVsReal, ReplacementsFailWhereTheRealCallsFail)
{
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        Expect("missing source", [move](RunFileSystem& fs, const std::string& r) {
            return fs.Replace(r + "src\\none.jpg", r + "out\\old.jpg", move) == TransferOutcome::Done;
        });
        Expect("onto a folder", [move](RunFileSystem& fs, const std::string& r) {
            return fs.Replace(r + "src\\c.jpg", r + "out\\folder.jpg", move) == TransferOutcome::Done;
        });
    }
    Expect("copy over", [](RunFileSystem& fs, const std::string& r) {
        return fs.Replace(r + "src\\b.jpg", r + "out\\old.jpg", false) == TransferOutcome::Done;
    });
    Expect("move over", [](RunFileSystem& fs, const std::string& r) {
        return fs.Replace(r + "src\\c.jpg", r + "out\\old.jpg", true) == TransferOutcome::Done;
    });
    Expect("moved away", [](RunFileSystem& fs, const std::string& r) { return fs.Exists(r + "src\\c.jpg"); });
    Expect("copied stays",
           [](RunFileSystem& fs, const std::string& r) { return fs.Exists(r + "src\\b.jpg"); });
}

TEST_F(DryRunVsReal, SameFileKnowsSpellingsAndNewFiles)
{
    Expect("other letter case", [](RunFileSystem& fs, const std::string& r) {
        return fs.SameFile(r + "src\\a.jpg", r + "SRC\\A.JPG");
    });
    Expect("relative part", [](RunFileSystem& fs, const std::string& r) {
        return fs.SameFile(r + "src\\a.jpg", r + "out\\..\\src\\a.jpg");
    });
    Expect("two files", [](RunFileSystem& fs, const std::string& r) {
        return fs.SameFile(r + "src\\a.jpg", r + "src\\b.jpg");
    });
    Expect("copy", [](RunFileSystem& fs, const std::string& r) {
        return fs.Transfer(r + "src\\a.jpg", r + "out\\a.jpg", false) == TransferOutcome::Done;
    });
    Expect("a copy is another file", [](RunFileSystem& fs, const std::string& r) {
        return fs.SameFile(r + "src\\a.jpg", r + "out\\a.jpg");
    });
}

}  // namespace
