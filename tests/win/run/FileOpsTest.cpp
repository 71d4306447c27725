// The system's file functions behind the run's file-system layer, on the real file system: a copy
// checked before it counts, a file held by another program, journals that one process at a time
// may write, names in any script and paths past MAX_PATH.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "base/OwnedHandle.h"
#include "engine/CopyCheck.h"
#include "engine/FileOps.h"
#include "engine/FileTransfer.h"
#include "engine/RunJournal.h"
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

TEST(SystemFileOps, EachCallThatFailsAnswersTheSystemsNumberAndWords)
{
    TempTree tree;
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), "a photo"));
    const auto expectFailure = [](const Status& status, DWORD code) {
        ASSERT_FALSE(status.Ok());
        EXPECT_EQ(status.Kind(), FailureKind::System);
        EXPECT_EQ(status.Code(), static_cast<std::uint32_t>(code));
        EXPECT_EQ(status.Reason(), FileErrorText(code));
    };
    expectFailure(Ops().Delete(tree.Path("none.jpg")), ERROR_FILE_NOT_FOUND);
    expectFailure(Ops().MakeFolder(tree.Path("a.jpg")), ERROR_ALREADY_EXISTS);
    expectFailure(Ops().RemoveFolder(tree.Path("none")), ERROR_FILE_NOT_FOUND);
    expectFailure(Ops().Rename(tree.Path("none.jpg"), tree.Path("b.jpg"), false, false),
                  ERROR_FILE_NOT_FOUND);
    expectFailure(Ops().HardLink(tree.Path("a.jpg"), tree.Path("a.jpg")), ERROR_ALREADY_EXISTS);
    expectFailure(Ops().SetReadOnly(tree.Path("none.jpg"), true), ERROR_FILE_NOT_FOUND);
    expectFailure(Ops().SetCreationTime(tree.Path("none.jpg"), 1), ERROR_FILE_NOT_FOUND);
    expectFailure(Ops().SetWriteTimeFromDos(tree.Path("none.jpg"), 0x4021, 0), ERROR_FILE_NOT_FOUND);
    expectFailure(Ops().CopyNew(tree.Path("a.jpg"), tree.Path("a.jpg"), 7), ERROR_FILE_EXISTS);
    // The same number stays the thread's last error for the callers that ask it.
    EXPECT_EQ(Ops().LastError(), static_cast<std::uint32_t>(ERROR_FILE_EXISTS));

    const Status copied = Ops().CopyNew(tree.Path("a.jpg"), tree.Path("b.jpg"), 7);
    EXPECT_TRUE(copied.Ok());
    EXPECT_TRUE(copied.Reason().empty());
    EXPECT_TRUE(Ops().SetReadOnly(tree.Path("b.jpg"), true).Ok());
    expectFailure(Ops().Delete(tree.Path("b.jpg")), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Ops().SetReadOnly(tree.Path("b.jpg"), false).Ok());
    EXPECT_TRUE(Ops().Delete(tree.Path("b.jpg")).Ok());
}

TEST(SystemFileOps, CopiesMadeTogetherEachEndOnTheirOwn)
{
    TempTree tree;
    std::vector<BatchCopy> copies;
    std::vector<std::unique_ptr<ContentHasher>> hashers;
    for (int i = 0; i < 7; ++i) {
        const std::string name = std::to_string(i);
        ASSERT_TRUE(WriteText(tree.Path(name + ".jpg"), "photo number " + name));
        BatchCopy& copy = copies.emplace_back();
        copy.source = tree.Path(name + ".jpg");
        copy.target = tree.Path("~" + name + ".jpg.qmpart");
        copy.expectedSize = 14;
        copy.hasher = hashers.emplace_back(std::make_unique<ContentHasher>()).get();
    }
    // The third source is not the size its step expects; the fifth's name is taken; the last
    // source is gone.
    copies[2].expectedSize = 15;
    ASSERT_TRUE(WriteText(copies[4].target, "another program's"));
    ASSERT_TRUE(DeleteFileA(copies[6].source.c_str()));
    ASSERT_TRUE(SetFileAttributesA(copies[1].source.c_str(), FILE_ATTRIBUTE_READONLY));
    Ops().CopyNewTogether(copies, {});
    SetFileAttributesA(copies[1].source.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (std::size_t i = 0; i < copies.size(); ++i) {
        SCOPED_TRACE(i);
        if (i == 2 || i == 4 || i == 6) {
            EXPECT_FALSE(copies[i].done);
            EXPECT_FALSE(copies[i].made.has_value());
            continue;
        }
        ASSERT_TRUE(copies[i].done);
        // Not asked to be held: closed, so that it can be renamed by name.
        EXPECT_FALSE(copies[i].held);
        EXPECT_EQ(ReadText(copies[i].target), ReadText(copies[i].source));
        FileState source, copy;
        ASSERT_TRUE(Ops().Stat(copies[i].source, source));
        ASSERT_TRUE(Ops().Stat(copies[i].target, copy));
        EXPECT_EQ(copy.stamp, source.stamp);
        // The stamp the copy tells is the one its name answers.
        ASSERT_TRUE(copies[i].made.has_value());
        EXPECT_EQ(*copies[i].made, copy.stamp);
        EXPECT_EQ(copy.readOnly, i == 1);
        ContentHash hash;
        ASSERT_TRUE(ReadBackHash(Ops(), copies[i].source, hash));
        EXPECT_EQ(copies[i].hasher->Digest(), hash);
    }
    SetFileAttributesA(copies[1].target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(copies[2].status.Code(), static_cast<std::uint32_t>(ERROR_WRITE_FAULT));
    EXPECT_FALSE(Exists(copies[2].target));
    EXPECT_EQ(copies[4].status.Code(), static_cast<std::uint32_t>(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadText(copies[4].target), "another program's");
    EXPECT_EQ(copies[6].status.Code(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Exists(copies[6].target));
}

// Small files "0.jpg", "1.jpg"... (each "photo N", 7 bytes) and a batch copy of each to
// "~N.jpg.qmpart" beside it.
std::vector<BatchCopy> SmallCopies(const TempTree& tree, std::size_t count)
{
    std::vector<BatchCopy> copies(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = std::to_string(i);
        EXPECT_TRUE(WriteText(tree.Path(name + ".jpg"), "photo " + name));
        copies[i] = {tree.Path(name + ".jpg"), tree.Path("~" + name + ".jpg.qmpart"), 7};
    }
    return copies;
}

// Opens path as a scanner or an indexer does the moment a file appears: to read, letting others
// do anything meanwhile.
OwnedHandle OpenAsAnotherProgram(const std::string& path)
{
    return OwnedHandle(CreateFileA(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
}

TEST(SystemFileOps, CopiesHeldOpenTakeTheirNamesThroughTheirOwnHandles)
{
    TempTree tree;
    std::vector<BatchCopy> copies = SmallCopies(tree, 3);
    for (BatchCopy& copy : copies)
        copy.hold = true;
    ASSERT_TRUE(SetFileAttributesA(copies[1].source.c_str(), FILE_ATTRIBUTE_READONLY));
    Ops().CopyNewTogether(copies, {});
    SetFileAttributesA(copies[1].source.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const BatchCopy& copy : copies) {
        ASSERT_TRUE(copy.done) << copy.target;
        ASSERT_TRUE(copy.held) << copy.target;
        ASSERT_TRUE(copy.made.has_value());
    }
    // While held, the unfinished name cannot be removed: a step closes its copy first.
    EXPECT_FALSE(DeleteFileA(copies[2].target.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    // A name taken meanwhile is never replaced, and the held copy stays whole under its own.
    ASSERT_TRUE(WriteText(tree.Path("0 done.jpg"), "another program's"));
    const Status refused = copies[0].held->Rename(tree.Path("0 done.jpg"));
    EXPECT_EQ(refused.Code(), static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadText(tree.Path("0 done.jpg")), "another program's");
    copies[0].held->Close();
    EXPECT_EQ(ReadText(copies[0].target), "photo 0");

    // A read-only copy, and one that another program opened the moment it appeared, take their
    // names all the same, with the stamp the batch told.
    const OwnedHandle reader = OpenAsAnotherProgram(copies[2].target);
    ASSERT_TRUE(reader.Valid());
    for (std::size_t i = 1; i < copies.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string placed = tree.Path(std::to_string(i) + " done.jpg");
        ASSERT_TRUE(copies[i].held->Rename(placed).Ok());
        copies[i].held->Close();
        EXPECT_FALSE(Exists(copies[i].target));
        EXPECT_EQ(ReadText(placed), ReadText(copies[i].source));
        FileState state;
        ASSERT_TRUE(Ops().Stat(placed, state));
        EXPECT_EQ(state.stamp, *copies[i].made);
        EXPECT_EQ(state.readOnly, i == 1);
    }
    SetFileAttributesA(tree.Path("1 done.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SystemFileOps, AHeldCopyWhoseTargetWasTakenMeanwhileLeavesNothing)
{
    TempTree tree;
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), "a photo"));
    std::vector<BatchCopy> copies(1);
    copies[0] = {tree.Path("a.jpg"), tree.Path("~b.jpg.qmpart"), 7};
    copies[0].hold = true;
    Ops().CopyNewTogether(copies, {});
    ASSERT_TRUE(copies[0].held);
    ASSERT_TRUE(WriteText(tree.Path("b.jpg"), "another program's"));
    EXPECT_EQ(PlaceCopy(Ops(), copies[0].source, tree.Path("b.jpg"), false, false, copies[0].target,
                        copies[0].held.get()),
              TransferOutcome::Failed);
    EXPECT_EQ(Ops().LastError(), FileError::kFileExists);
    EXPECT_FALSE(Exists(copies[0].target));
    EXPECT_EQ(ReadText(tree.Path("b.jpg")), "another program's");
    EXPECT_EQ(ReadText(tree.Path("a.jpg")), "a photo");
}

TEST(SystemFileOps, ARenameByNameNeverReplacesAndMovesReadOnlyFilesFoldersAndOpenFiles)
{
    TempTree tree;
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), "photo a"));
    ASSERT_TRUE(WriteText(tree.Path("b.jpg"), "photo b"));
    EXPECT_EQ(Ops().Rename(tree.Path("a.jpg"), tree.Path("B.JPG"), false, false).Code(),
              static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadText(tree.Path("a.jpg")), "photo a");
    EXPECT_EQ(ReadText(tree.Path("b.jpg")), "photo b");
    EXPECT_EQ(Ops().Rename(tree.Path("a.jpg"), tree.Path("none\\a.jpg"), false, false).Code(),
              static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));

    // Another program reading it, letting others do anything meanwhile, refuses nothing.
    ASSERT_TRUE(SetFileAttributesA(tree.Path("a.jpg").c_str(), FILE_ATTRIBUTE_READONLY));
    {
        const OwnedHandle reader = OpenAsAnotherProgram(tree.Path("a.jpg"));
        ASSERT_TRUE(reader.Valid());
        ASSERT_TRUE(MakeFolders(Ops(), tree.Path("day")));
        EXPECT_TRUE(Ops().Rename(tree.Path("a.jpg"), tree.Path("day\\a.jpg"), false, false).Ok());
    }
    EXPECT_FALSE(Exists(tree.Path("a.jpg")));
    EXPECT_EQ(ReadText(tree.Path("day\\a.jpg")), "photo a");
    EXPECT_EQ(GetFileAttributesA(tree.Path("day\\a.jpg").c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesA(tree.Path("day\\a.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);

    // One that lets nobody remove or rename it meanwhile is refused, and kept.
    {
        const OwnedHandle holder(CreateFileA(tree.Path("b.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.Valid());
        EXPECT_EQ(Ops().Rename(tree.Path("b.jpg"), tree.Path("day\\b.jpg"), false, false).Code(),
                  static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(ReadText(tree.Path("b.jpg")), "photo b");

    // A folder, with what it holds.
    EXPECT_TRUE(Ops().Rename(tree.Path("day"), tree.Path("2012-01-27"), false, false).Ok());
    EXPECT_EQ(ReadText(tree.Path("2012-01-27\\a.jpg")), "photo a");
}

TEST(SystemFileOps, CopiesMadeTogetherThatAStopCameBeforeAreNotBegun)
{
    TempTree tree;
    std::vector<BatchCopy> copies = SmallCopies(tree, 4);
    int asked = 0;
    Ops().CopyNewTogether(copies, [&] { return ++asked == 3; });
    for (std::size_t i = 0; i < copies.size(); ++i) {
        EXPECT_EQ(copies[i].done, i < 2) << i;
        EXPECT_EQ(Exists(copies[i].target), i < 2) << i;
        if (i >= 2) {
            EXPECT_EQ(copies[i].status.Code(), static_cast<std::uint32_t>(ERROR_CANCELLED)) << i;
        }
    }
}

// Records the copies a batch tells it of.
class WrittenCopies : public BatchProgress {
public:
    void Written(const BatchCopy& copy) override { told.push_back(copy.target); }
    std::vector<std::string> told;
};

TEST(SystemFileOps, EachCopyMadeTogetherIsToldOnceWrittenBeforeTheNextBegins)
{
    TempTree tree;
    WrittenCopies written;
    std::vector<BatchCopy> copies = SmallCopies(tree, 4);
    for (BatchCopy& copy : copies)
        copy.progress = &written;
    // The third is not the size its step expects: it fails and is not told.
    copies[2].expectedSize = 8;
    std::vector<std::size_t> toldWhenAsked;
    Ops().CopyNewTogether(copies, [&] {
        toldWhenAsked.push_back(written.told.size());
        return false;
    });
    EXPECT_EQ(toldWhenAsked, (std::vector<std::size_t> {0, 1, 2, 2}));
    EXPECT_EQ(written.told,
              (std::vector<std::string> {copies[0].target, copies[1].target, copies[3].target}));
    EXPECT_FALSE(copies[2].done);
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

TEST(SystemFileOps, AFolderListsTheIdentityOfEachOfItsFilesAsTheFileItselfGivesIt)
{
    TempTree tree;
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), "photo"));
    ASSERT_TRUE(WriteText(tree.Path("Long Photo Name.jpg"), "photo"));
    ASSERT_TRUE(CreateHardLinkA(tree.Path("second name.jpg").c_str(), tree.Path("a.jpg").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(tree.Path("sub").c_str(), nullptr));
    // More files than one listing buffer holds.
    for (int i = 0; i < 1500; ++i)
        ASSERT_TRUE(WriteText(tree.Path("IMG_" + std::to_string(i) + ".jpg"), "p"));
    std::vector<ListedIdentity> files;
    ASSERT_TRUE(Ops().FolderIdentities(tree.Root(), files));
    EXPECT_EQ(files.size(), 1503u);
    std::set<FileIdentity> distinct;
    for (const ListedIdentity& file : files) {
        FileIdentity own;
        ASSERT_TRUE(Ops().Identity(tree.Path(file.name), own)) << file.name;
        EXPECT_EQ(file.identity, own) << file.name;
        distinct.insert(own);
        if (file.shortName.empty())
            continue;
        ASSERT_TRUE(Ops().Identity(tree.Path(file.shortName), own)) << file.shortName;
        EXPECT_EQ(file.identity, own) << file.shortName;
    }
    // The two names of one file share its identity; every other file has its own.
    EXPECT_EQ(distinct.size(), 1502u);
    const auto named = [&](const std::string& name) {
        return std::find_if(files.begin(), files.end(),
                            [&](const ListedIdentity& f) { return f.name == name; });
    };
    ASSERT_NE(named("a.jpg"), files.end());
    ASSERT_NE(named("second name.jpg"), files.end());
    EXPECT_EQ(named("a.jpg")->identity, named("second name.jpg")->identity);
    // The short name the system gives the file's own entry is the one listed. (Not the short form
    // of its whole path, which Wine at times fails to find for a file that is there.)
    const auto longName = named("Long Photo Name.jpg");
    ASSERT_NE(longName, files.end());
    WIN32_FIND_DATAA found;
    const OwnedFind entry(FindFirstFileA(tree.Path("Long Photo Name.jpg").c_str(), &found));
    ASSERT_TRUE(entry.Valid()) << GetLastError();
    EXPECT_EQ(longName->shortName, std::string(found.cAlternateFileName));
    EXPECT_FALSE(Ops().FolderIdentities(tree.Path("missing\\"), files));
}

// The listing gives each file's size, last-write time and attributes as asking the file does, so
// that a run reads them once for all the files of a folder.
TEST(SystemFileOps, AFolderListsTheStampAndAttributesOfEachOfItsFiles)
{
    TempTree tree;
    ASSERT_TRUE(WriteText(tree.Path("plain.jpg"), "twelve bytes"));
    ASSERT_TRUE(WriteText(tree.Path("kept.jpg"), "a longer photo, thirty bytes"));
    ASSERT_TRUE(WriteText(tree.Path("empty.jpg"), ""));
    ASSERT_TRUE(SetFileAttributesA(tree.Path("kept.jpg").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    // A write time of its own, so that a listing giving another file's time shows.
    const HANDLE h = CreateFileA(tree.Path("empty.jpg").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME old {0x2A3B4C00u, 0x01C00000u};
    const bool set = SetFileTime(h, nullptr, nullptr, &old) != 0;
    CloseHandle(h);
    ASSERT_TRUE(set);
    std::vector<ListedIdentity> files;
    ASSERT_TRUE(Ops().FolderIdentities(tree.Root(), files));
    ASSERT_EQ(files.size(), 3u);
    for (const ListedIdentity& file : files) {
        FileState state;
        ASSERT_TRUE(Ops().Stat(tree.Path(file.name), state)) << file.name;
        EXPECT_EQ(file.stamp, state.stamp) << file.name;
        EXPECT_EQ(file.attributes, GetFileAttributesA(tree.Path(file.name).c_str())) << file.name;
    }
    const auto kept = std::find_if(files.begin(), files.end(),
                                   [](const ListedIdentity& f) { return f.name == "kept.jpg"; });
    ASSERT_NE(kept, files.end());
    EXPECT_EQ(kept->stamp.size, 28u);
    EXPECT_EQ(kept->attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const auto empty = std::find_if(files.begin(), files.end(),
                                    [](const ListedIdentity& f) { return f.name == "empty.jpg"; });
    ASSERT_NE(empty, files.end());
    EXPECT_EQ(empty->stamp.writeTime, (std::uint64_t {0x01C00000u} << 32) | 0x2A3B4C00u);
    ASSERT_TRUE(SetFileAttributesA(tree.Path("kept.jpg").c_str(), FILE_ATTRIBUTE_NORMAL));
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

ContentHash HashOf(const std::string& bytes)
{
    ContentHasher hasher;
    hasher.Update(bytes.data(), bytes.size());
    return hasher.Digest();
}

// Bytes that differ from block to block and within one, so that a block read twice or skipped
// changes the hash.
std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
    return bytes;
}

TEST(SystemFileOps, ACopyIsHashedAsItIsWrittenAndReadBackPastTheCacheWhole)
{
    TempTree tree;
    // Empty, shorter than a sector, a sector to the byte, across sectors and across read blocks.
    for (const std::size_t size :
         {std::size_t {0}, std::size_t {1}, kReadBackAlignment - 1, kReadBackAlignment,
          kReadBackAlignment + 1, kReadBackBlock, kReadBackBlock + 4099}) {
        SCOPED_TRACE(size);
        const std::string bytes = Pattern(size);
        const std::string copy = tree.Path("copy" + std::to_string(size) + ".jpg");
        ASSERT_TRUE(WriteText(tree.Path("a.jpg"), bytes));
        ContentHasher hasher;
        ASSERT_TRUE(Ops().CopyNew(tree.Path("a.jpg"), copy, size, nullptr, &hasher));
        EXPECT_EQ(hasher.Digest(), HashOf(bytes));
        ContentHash readBack;
        ASSERT_TRUE(ReadBackHash(Ops(), copy, readBack));
        EXPECT_EQ(readBack, HashOf(bytes));
    }
    ContentHash none;
    EXPECT_FALSE(ReadBackHash(Ops(), tree.Path("missing.jpg"), none));
    EXPECT_EQ(Ops().LastError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

// The system's file functions, but a drive that gives back other bytes than it was given: the
// first byte of every read past the cache flipped.
class GarblingOps : public ReportingFileOps {
public:
    GarblingOps() : ReportingFileOps(SystemFileOps()) { }

    std::unique_ptr<ReadStream> OpenReadUncached(const std::string& path) override
    {
        std::unique_ptr<ReadStream> inner = ReportingFileOps::OpenReadUncached(path);
        if (!inner)
            return nullptr;
        ++readBacks;
        return std::make_unique<Garbled>(std::move(inner));
    }

    int readBacks = 0;

private:
    class Garbled : public ReadStream {
    public:
        explicit Garbled(std::unique_ptr<ReadStream> inner) : inner_(std::move(inner)) { }
        bool Read(char* buffer, std::size_t size, std::size_t& got) override
        {
            if (!inner_->Read(buffer, size, got))
                return false;
            if (got > 0)
                buffer[0] = static_cast<char>(~buffer[0]);
            return true;
        }
        bool Seek(std::uint64_t offset) override { return inner_->Seek(offset); }

    private:
        std::unique_ptr<ReadStream> inner_;
    };
};

void ExpectCopyRefused(GarblingOps& ops, const std::string& source, const std::string& target, bool move)
{
    const std::string bytes = ReadText(source);
    CopyCheck check;
    check.verify = true;
    std::string partial;
    ASSERT_TRUE(FreePartialName(ops, target, partial));
    EXPECT_EQ(TransferFile(ops, source, target, move, false, partial, &check), TransferOutcome::Failed);
    EXPECT_EQ(ops.LastError(), FileError::kCopyDiffers);
    EXPECT_EQ(FileErrorText(ops.LastError()), "The copy read back differs from the source");
    EXPECT_EQ(ops.readBacks, 1);
    // The copy is gone under both its names; the source stays, whole.
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(Exists(partial));
    EXPECT_EQ(ReadText(source), bytes);
}

TEST(SystemFileOps, AVerifiedCopyThatReadsBackDifferentIsRemovedAndItsSourceKept)
{
    TempTree tree;
    ASSERT_TRUE(WriteText(tree.Path("a.jpg"), Pattern(10000)));
    ASSERT_TRUE(MakeFolders(Ops(), tree.Path("out")));
    GarblingOps garbling;
    ExpectCopyRefused(garbling, tree.Path("a.jpg"), tree.Path("out\\a.jpg"), false);
    // The same copy through the real read-back passes.
    CopyCheck check;
    check.verify = true;
    std::string partial;
    ASSERT_TRUE(FreePartialName(Ops(), tree.Path("out\\a.jpg"), partial));
    EXPECT_EQ(TransferFile(Ops(), tree.Path("a.jpg"), tree.Path("out\\a.jpg"), false, false, partial, &check),
              TransferOutcome::Done);
    EXPECT_EQ(ReadText(tree.Path("out\\a.jpg")), Pattern(10000));
    EXPECT_EQ(check.hash, HashOf(Pattern(10000)));
}

TEST(SystemFileOps, CopiesOfABatchThatReadBackDifferentLeaveNothingUnderEitherName)
{
    TempTree tree;
    ASSERT_TRUE(MakeFolders(Ops(), tree.Path("out")));
    ASSERT_TRUE(MakeFolders(Ops(), tree.Path("runs")));
    std::vector<PlannedTransfer> steps;
    for (int i = 0; i < 3; ++i) {
        const std::string name = "a" + std::to_string(i) + ".jpg";
        ASSERT_TRUE(WriteText(tree.Path(name), Pattern(5000)));
        steps.push_back({tree.Path(name), tree.Path("out\\" + name), false, std::nullopt});
    }
    GarblingOps garbling;
    OpsFileSystem real(garbling);
    RunJournal journal(garbling);
    ASSERT_TRUE(journal.Open(tree.Path("runs\\"), "run", JournalHeader {}, 50));
    {
        JournalFileSystem fs(real, journal);
        CopyCheck check;
        check.verify = true;
        fs.CheckCopies(&check);
        ASSERT_TRUE(fs.Announce(steps));
        fs.CopyAhead({});
        for (const PlannedTransfer& step : steps) {
            EXPECT_EQ(fs.Transfer(step.source, step.target, false), TransferOutcome::Failed) << step.target;
            EXPECT_EQ(garbling.LastError(), FileError::kCopyDiffers);
        }
    }
    journal.Close();
    EXPECT_EQ(garbling.readBacks, 3);
    std::vector<std::string> left;
    ASSERT_TRUE(Ops().ListNames(tree.Path("out"), left));
    EXPECT_TRUE(left.empty()) << left.front();
    for (const PlannedTransfer& step : steps)
        EXPECT_EQ(ReadText(step.source), Pattern(5000));
}

TEST(SystemFileOps, AVerifiedMoveAcrossDrivesThatReadsBackDifferentKeepsItsSource)
{
    // A second device (made by the test's wrapper): the move copies the bytes across.
    char drive[MAX_PATH] = "";
    if (GetEnvironmentVariableA("QM_CARD_DRIVE", drive, sizeof drive) == 0)
        GTEST_SKIP() << "no second device to move across";
    TempTree tree;
    const std::string card = std::string(drive) + "verify\\";
    ASSERT_TRUE(MakeFolders(Ops(), card));
    ASSERT_TRUE(WriteText(card + "a.jpg", Pattern(70000)));
    GarblingOps garbling;
    ExpectCopyRefused(garbling, card + "a.jpg", tree.Path("a.jpg"), true);
    CopyCheck check;
    check.verify = true;
    std::string partial;
    ASSERT_TRUE(FreePartialName(Ops(), tree.Path("a.jpg"), partial));
    EXPECT_EQ(TransferFile(Ops(), card + "a.jpg", tree.Path("a.jpg"), true, false, partial, &check),
              TransferOutcome::Done);
    EXPECT_EQ(ReadText(tree.Path("a.jpg")), Pattern(70000));
    EXPECT_FALSE(Exists(card + "a.jpg"));
    EXPECT_TRUE(Ops().RemoveFolder(card));
}

}  // namespace
