#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryFileOps.h"
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

}  // namespace
