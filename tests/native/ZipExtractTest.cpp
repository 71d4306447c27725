#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryFileOps.h"
#include "engine/ArchiveMembers.h"
#include "engine/ZipArchive.h"
#include "tests/support/ZipBuilder.h"

namespace {

std::string Pattern(std::size_t size)
{
    std::string text(size, '\0');
    unsigned value = 17;
    for (char& c : text) {
        value = value * 1103515245u + 12345u;
        c = static_cast<char>(value >> 16);
    }
    return text;
}

struct Archive {
    std::string bytes;
    ZipLayout layout;
};

Archive TwoPhotos()
{
    ZipBuilder builder;
    builder.Add("Takeout/a.jpg", Pattern(400000));
    builder.Add("Takeout/b.jpg", Pattern(300000), true);
    Archive archive;
    archive.bytes = builder.Build(&archive.layout);
    return archive;
}

TEST(ZipExtract, EntryBecomesAFileWithItsBytes)
{
    MemoryFileOps ops;
    ops.AddFolder("C:\\out");
    const Archive archive = TwoPhotos();
    ops.AddFile("D:\\t-001.zip", archive.bytes, 1);
    FileZipInput input;
    ASSERT_TRUE(input.Open(ops, "D:\\t-001.zip"));
    std::vector<ZipEntry> entries;
    std::string reason;
    ASSERT_TRUE(ReadZipDirectory(input, entries, reason)) << reason;
    ASSERT_EQ(entries.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const std::string target = "C:\\out\\" + std::to_string(i) + ".jpg";
        ASSERT_TRUE(ExtractZipEntryToFile(ops, input, entries[i], target, reason)) << reason;
        std::string bytes;
        ASSERT_TRUE(ops.Contents(target, bytes));
        EXPECT_EQ(bytes, Pattern(i == 0 ? 400000 : 300000));
    }
    // Never over an existing file: the one there stays as it was.
    EXPECT_FALSE(ExtractZipEntryToFile(ops, input, entries[1], "C:\\out\\0.jpg", reason));
    EXPECT_NE(reason.find("could not be created"), std::string::npos);
    std::string bytes;
    ASSERT_TRUE(ops.Contents("C:\\out\\0.jpg", bytes));
    EXPECT_EQ(bytes, Pattern(400000));
}

TEST(ZipExtract, DamagedEntryLeavesNothing)
{
    MemoryFileOps ops;
    ops.AddFolder("C:\\out");
    Archive archive = TwoPhotos();
    archive.bytes[archive.layout.dataOffsets[0] + 350000] ^= 0x40;
    ops.AddFile("D:\\t.zip", archive.bytes, 1);
    FileZipInput input;
    ASSERT_TRUE(input.Open(ops, "D:\\t.zip"));
    std::vector<ZipEntry> entries;
    std::string reason;
    ASSERT_TRUE(ReadZipDirectory(input, entries, reason)) << reason;
    EXPECT_FALSE(ExtractZipEntryToFile(ops, input, entries[0], "C:\\out\\a.jpg", reason));
    EXPECT_NE(reason.find("CRC-32"), std::string::npos);
    EXPECT_EQ(ops.Files().count("C:\\out\\a.jpg"), 0u);
    EXPECT_EQ(ops.Files().size(), 1u);
}

TEST(ZipExtract, FullDriveLeavesNothing)
{
    MemoryFileOps ops;
    ops.AddFolder("C:\\out");
    const Archive archive = TwoPhotos();
    ops.AddFile("D:\\t.zip", archive.bytes, 1);
    ops.SetCapacity("C:", 100000);
    FileZipInput input;
    ASSERT_TRUE(input.Open(ops, "D:\\t.zip"));
    std::vector<ZipEntry> entries;
    std::string reason;
    ASSERT_TRUE(ReadZipDirectory(input, entries, reason)) << reason;
    EXPECT_FALSE(ExtractZipEntryToFile(ops, input, entries[1], "C:\\out\\b.jpg", reason));
    EXPECT_EQ(ops.Files().count("C:\\out\\b.jpg"), 0u);
    EXPECT_EQ(ops.LastError(), FileError::kDiskFull);
}

TEST(ZipExtract, ArchivesThatCannotBeOpenedSayWhy)
{
    MemoryFileOps ops;
    ops.AddFolder("D:\\folder.zip");
    FileZipInput input;
    EXPECT_FALSE(input.Open(ops, "D:\\missing.zip"));
    EXPECT_EQ(ops.LastError(), FileError::kFileNotFound);
    EXPECT_FALSE(input.Open(ops, "D:\\folder.zip"));
    EXPECT_EQ(ops.LastError(), FileError::kAccessDenied);
    char byte = 0;
    EXPECT_FALSE(input.ReadAt(0, &byte, 1));
}

std::string Export()
{
    ZipBuilder builder;
    builder.Add("Takeout/Google Photos/", "");
    builder.Add("Takeout/Google Photos/a.jpg", "first photo");
    builder.Add("Takeout/Google Photos/a.jpg.json", "{}");
    builder.Add("../evil.jpg", "outside");
    builder.Add("C:/Windows/x.JPG", "drive");
    builder.Add("Takeout/Google Photos/b.mp4", Pattern(5000), true);
    return builder.Build();
}

TEST(ArchiveMembers, PhotosAreListedInsideTheArchiveAndUnsafeNamesSayWhy)
{
    MemoryFileOps ops;
    ops.AddFile("D:\\in\\t-001.zip", Export(), 1);
    std::vector<ArchiveMember> members;
    std::string reason;
    ASSERT_TRUE(ListArchiveMembers(ops, "D:\\in\\t-001.zip", 1, {"jpg", "mp4"}, members, reason)) << reason;
    ASSERT_EQ(members.size(), 4u);
    EXPECT_EQ(members[0].path, "D:\\in\\t-001.zip\\Takeout\\Google Photos\\a.jpg");
    EXPECT_EQ(members[0].failure, "");
    EXPECT_EQ(members[1].path, "D:\\in\\t-001.zip\\..\\evil.jpg");
    EXPECT_EQ(members[1].failure, "Unsafe name \"../evil.jpg\" (a name may not be . or ..)");
    EXPECT_EQ(members[2].path, "D:\\in\\t-001.zip\\C:\\Windows\\x.JPG");
    EXPECT_NE(members[2].failure.find("Unsafe name"), std::string::npos);
    EXPECT_EQ(members[3].path, "D:\\in\\t-001.zip\\Takeout\\Google Photos\\b.mp4");

    // With the filter off, every file is listed; folders never are.
    ASSERT_TRUE(ListArchiveMembers(ops, "D:\\in\\t-001.zip", 0, {}, members, reason)) << reason;
    EXPECT_EQ(members.size(), 5u);
}

TEST(ArchiveMembers, ArchivesThatCannotBeReadSayWhy)
{
    MemoryFileOps ops;
    ops.AddFolder("D:\\in");
    ops.AddFile("D:\\in\\broken.zip", "not an archive at all, just text", 1);
    std::vector<ArchiveMember> members {{"left over", ""}};
    std::string reason;
    EXPECT_FALSE(ListArchiveMembers(ops, "D:\\in\\broken.zip", 0, {}, members, reason));
    EXPECT_NE(reason.find("no end of central directory"), std::string::npos);
    EXPECT_TRUE(members.empty());
    EXPECT_FALSE(ListArchiveMembers(ops, "D:\\in\\gone.zip", 0, {}, members, reason));
    EXPECT_NE(reason.find("The archive \"D:\\in\\gone.zip\" could not be opened"), std::string::npos);
}

TEST(ArchiveMembers, MemberIsFoundByItsListedName)
{
    MemoryFileOps ops;
    ops.AddFile("D:\\in\\t-001.zip", Export(), 1);
    FileZipInput input;
    ZipEntry entry;
    std::string reason;
    ASSERT_TRUE(
            OpenArchiveMember(ops, "D:\\in\\t-001.zip\\takeout\\google photos\\B.MP4", input, entry, reason))
            << reason;
    EXPECT_EQ(entry.name, "Takeout/Google Photos/b.mp4");
    ops.AddFolder("C:\\out");
    ASSERT_TRUE(ExtractZipEntryToFile(ops, input, entry, "C:\\out\\b.mp4", reason)) << reason;
    std::string bytes;
    ASSERT_TRUE(ops.Contents("C:\\out\\b.mp4", bytes));
    EXPECT_EQ(bytes, Pattern(5000));

    EXPECT_FALSE(
            OpenArchiveMember(ops, "D:\\in\\t-001.zip\\Takeout\\Google Photos\\c.jpg", input, entry, reason));
    EXPECT_EQ(reason, "The archive no longer holds this file");
    EXPECT_FALSE(
            OpenArchiveMember(ops, "D:\\in\\t-001.zip\\Takeout\\Google Photos\\b.mp", input, entry, reason));
    EXPECT_FALSE(OpenArchiveMember(ops, "D:\\in\\t-001.zip\\Takeout\\Google Photos\\b.mp4x", input, entry,
                                   reason));
    // An unsafe name is never found, however the row spells it; nor is a folder.
    EXPECT_FALSE(OpenArchiveMember(ops, "D:\\in\\t-001.zip\\..\\evil.jpg", input, entry, reason));
    EXPECT_FALSE(OpenArchiveMember(ops, "D:\\in\\t-001.zip\\Takeout\\Google Photos", input, entry, reason));
    EXPECT_FALSE(OpenArchiveMember(ops, "D:\\in\\plain\\a.jpg", input, entry, reason));
    EXPECT_EQ(reason, "Not a file inside a .zip archive");
}

}  // namespace
