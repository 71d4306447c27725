// The system's file functions behind the run's file-system layer, on the real file system: a copy
// checked before it counts, a file held by another program, journals that one process at a time
// may write, names in any script and paths past MAX_PATH.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/FileOps.h"
#include "engine/FileTransfer.h"
#include "engine/PathUtils.h"
#include "tests/support/TempTree.h"

namespace {

FileOps& Ops()
{
    return SystemFileOps();
}

TEST(SystemFileOps, ACopyWhoseSizeIsNotTheExpectedOneFailsAndLeavesNothing)
{
    TempTree tree;
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), "twelve bytes"));
    EXPECT_FALSE(Ops().CopyNew(tree.Path("a.jpg"), tree.Path("b.jpg"), 13));
    EXPECT_EQ(Ops().LastError(), static_cast<std::uint32_t>(ERROR_WRITE_FAULT));
    EXPECT_FALSE(Exists(tree.Path("b.jpg")));
    ASSERT_TRUE(Ops().CopyNew(tree.Path("a.jpg"), tree.Path("b.jpg"), 12));
    EXPECT_EQ(ReadText(tree.Path("b.jpg")), "twelve bytes");
}

TEST(SystemFileOps, ACopyNeverWritesOverAFileAndKeepsTheTimeAndTheReadOnlyMark)
{
    TempTree tree;
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), "photo"));
    ASSERT_TRUE(WriteText(tree.Path("b.jpg"), "other"));
    EXPECT_FALSE(Ops().CopyNew(tree.Path("a.jpg"), tree.Path("b.jpg"), 5));
    EXPECT_EQ(ReadText(tree.Path("b.jpg")), "other");

    HANDLE h = CreateFileA(tree.Path("a.jpg").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME old {0x12345600u, 0x01c00000u};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &old));
    CloseHandle(h);
    ASSERT_TRUE(SetFileAttributesA(tree.Path("a.jpg").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(Ops().CopyNew(tree.Path("a.jpg"), tree.Path("c.jpg"), 5));
    FileState source, copy;
    ASSERT_TRUE(Ops().Stat(tree.Path("a.jpg"), source));
    ASSERT_TRUE(Ops().Stat(tree.Path("c.jpg"), copy));
    EXPECT_EQ(copy.stamp, source.stamp);
    EXPECT_TRUE(copy.readOnly);
    // A read-only file is deleted as a rename on one drive would move it.
    EXPECT_TRUE(DeleteFileFully(Ops(), tree.Path("c.jpg")));
    EXPECT_FALSE(Exists(tree.Path("c.jpg")));
    SetFileAttributesA(tree.Path("a.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SystemFileOps, AJournalIsWrittenByOneHandleAtATimeAndReadByAny)
{
    TempTree tree;
    const std::string journal = tree.Path("run.qmj");
    auto first = Ops().OpenAppend(journal, true);
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->Append("line one\n") && first->Flush());
    EXPECT_FALSE(Ops().OpenAppend(journal, false));
    EXPECT_EQ(Ops().LastError(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadText(journal), "line one\n");
    first.reset();
    auto second = Ops().OpenAppend(journal, false);
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->Append("line two, cut"));
    ASSERT_TRUE(second->Truncate(9) && second->Append("line two\n"));
    std::string text;
    ASSERT_TRUE(second->ReadAll(text, 1000));
    EXPECT_EQ(text, "line one\nline two\n");
}

TEST(SystemFileOps, NamesInAnyScriptArePassedWhole)
{
    TempTree tree;
    // Cyrillic, CJK and an emoji: 4-byte UTF-8 that the ANSI functions cannot list.
    const std::string name = "\xD0\x96\xE5\x86\x99\xF0\x9F\x93\xB7 photo.jpg";
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), "photo"));
    ASSERT_TRUE(Ops().CopyNew(tree.Path("a.jpg"), tree.Path(name), 5));
    std::vector<std::string> names;
    ASSERT_TRUE(Ops().ListFiles(tree.Root(), names));
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
    FileIdentity a, b;
    ASSERT_TRUE(Ops().Identity(tree.Path(name), a));
    ASSERT_TRUE(Ops().Identity(tree.Root() + ".\\" + name, b));
    EXPECT_EQ(a, b);
    ASSERT_TRUE(Ops().Identity(tree.Path("a.jpg"), b));
    EXPECT_NE(a, b);
}

TEST(SystemFileOps, PathsPastMaxPathWork)
{
    TempTree tree;
    std::string folder = tree.Root();
    while (folder.size() < 320)
        folder += "a long folder name for a photo library\\";
    ASSERT_TRUE(MakeFolders(Ops(), folder));
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), "photo"));
    const std::string target = folder + "a.jpg";
    ASSERT_TRUE(Ops().CopyNew(tree.Path("a.jpg"), target, 5));
    FileState state;
    ASSERT_TRUE(Ops().Stat(target, state));
    EXPECT_EQ(state.stamp.size, 5u);
    ASSERT_TRUE(Ops().Rename(target, folder + "b.jpg", false, true));
    EXPECT_TRUE(SameBytes(Ops(), tree.Path("a.jpg"), folder + "b.jpg"));
    ASSERT_TRUE(Ops().HardLink(folder + "b.jpg", folder + "c.jpg"));
    EXPECT_TRUE(Ops().Delete(folder + "b.jpg"));
    EXPECT_TRUE(Ops().Delete(folder + "c.jpg"));
    EXPECT_TRUE(Ops().RemoveFolder(folder));
}

}  // namespace
