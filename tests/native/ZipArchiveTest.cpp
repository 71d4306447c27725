#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/ZipArchive.h"
#include "tests/support/ZipBuilder.h"

namespace {

class StringOutput : public ZipOutput {
public:
    bool Write(const char* bytes, std::size_t size) override
    {
        text.append(bytes, size);
        return true;
    }
    std::string text;
};

// Bytes that vary, so that deflate does not fold them away and a damaged byte shows.
std::string Pattern(std::size_t size, unsigned seed = 1)
{
    std::string text(size, '\0');
    unsigned value = seed;
    for (char& c : text) {
        value = value * 1103515245u + 12345u;
        c = static_cast<char>(value >> 16);
    }
    return text;
}

std::vector<ZipEntry> Directory(const std::string& archive)
{
    MemoryZipInput input(archive);
    std::vector<ZipEntry> entries;
    std::string reason;
    EXPECT_TRUE(ReadZipDirectory(input, entries, reason)) << reason;
    return entries;
}

std::string DirectoryFailure(const std::string& archive)
{
    MemoryZipInput input(archive);
    std::vector<ZipEntry> entries;
    std::string reason;
    EXPECT_FALSE(ReadZipDirectory(input, entries, reason));
    return reason;
}

bool Extract(ZipInput& input, const ZipEntry& entry, std::string& bytes, std::string& reason)
{
    StringOutput out;
    const bool ok = ExtractZipEntry(input, entry, out, reason);
    bytes = out.text;
    return ok;
}

std::string ExtractFailure(const std::string& archive, std::size_t index = 0)
{
    MemoryZipInput input(archive);
    std::vector<ZipEntry> entries;
    std::string reason;
    EXPECT_TRUE(ReadZipDirectory(input, entries, reason)) << reason;
    if (entries.size() <= index)
        return "no such entry";
    std::string bytes;
    EXPECT_FALSE(Extract(input, entries[index], bytes, reason));
    return reason;
}

void Poke32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

void Poke16(std::string& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<char>(value);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

TEST(ZipArchive, StoredAndDeflatedEntriesComeOutAsWritten)
{
    ZipBuilder builder;
    const std::string photo = Pattern(300000);
    const std::string text(200000, 'a');
    builder.Add("Takeout/Google Photos/2019/IMG_0001.jpg", photo);
    builder.Add("Takeout/Google Photos/2019/notes.txt", text, true);
    builder.Add("Takeout/empty.jpg", "");
    builder.Add("Takeout/Google Photos/", "");
    const std::string archive = builder.Build();
    const std::vector<ZipEntry> entries = Directory(archive);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "Takeout/Google Photos/2019/IMG_0001.jpg");
    EXPECT_EQ(entries[0].method, 0);
    EXPECT_EQ(entries[1].method, 8);
    EXPECT_LT(entries[1].packedSize, text.size());
    EXPECT_EQ(entries[1].size, text.size());
    EXPECT_EQ(entries[0].dosDate, 0x5A21);
    EXPECT_FALSE(entries[2].folder);
    EXPECT_TRUE(entries[3].folder);

    MemoryZipInput input(archive);
    std::string bytes, reason;
    ASSERT_TRUE(Extract(input, entries[0], bytes, reason)) << reason;
    EXPECT_EQ(bytes, photo);
    ASSERT_TRUE(Extract(input, entries[1], bytes, reason)) << reason;
    EXPECT_EQ(bytes, text);
    ASSERT_TRUE(Extract(input, entries[2], bytes, reason)) << reason;
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(Extract(input, entries[3], bytes, reason));

    std::vector<std::string> names;
    ASSERT_TRUE(ListZipNames(input, names, reason)) << reason;
    EXPECT_EQ(names,
              (std::vector<std::string> {"Takeout/Google Photos/2019/IMG_0001.jpg",
                                         "Takeout/Google Photos/2019/notes.txt", "Takeout/empty.jpg"}));
}

TEST(ZipArchive, Zip64RecordsGiveSizesAndOffsets)
{
    ZipBuilder builder;
    builder.ForceZip64();
    const std::string photo = Pattern(5000);
    builder.Add("a.jpg", "first");
    builder.Add("b.jpg", photo, true);
    const std::string archive = builder.Build();
    const std::vector<ZipEntry> entries = Directory(archive);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].size, photo.size());
    EXPECT_NE(entries[1].headerOffset, 0u);
    MemoryZipInput input(archive);
    std::string bytes, reason;
    ASSERT_TRUE(Extract(input, entries[1], bytes, reason)) << reason;
    EXPECT_EQ(bytes, photo);
}

// An archive whose entries lie beyond 4 GB in its file: the bytes before it read as zeros.
class FarInput : public ZipInput {
public:
    FarInput(std::uint64_t prefix, std::string archive) : prefix_(prefix), archive_(std::move(archive)) { }
    std::uint64_t Size() const override { return prefix_ + archive_.size(); }
    bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override
    {
        if (offset > Size() || size > Size() - offset)
            return false;
        const std::size_t zeros =
                offset >= prefix_ ? 0
                                  : static_cast<std::size_t>(std::min<std::uint64_t>(size, prefix_ - offset));
        std::memset(buffer, 0, zeros);
        if (zeros < size)
            std::memcpy(buffer + zeros, archive_.data() + (offset + zeros - prefix_), size - zeros);
        return true;
    }

private:
    std::uint64_t prefix_;
    std::string archive_;
};

TEST(ZipArchive, EntriesBeyondFourGigabytesAreFound)
{
    constexpr std::uint64_t kFar = 5ull * 1024 * 1024 * 1024;
    ZipBuilder builder;
    builder.ForceZip64();
    builder.SetPrefix(kFar);
    const std::string photo = Pattern(70000, 7);
    builder.Add("far/away.jpg", photo, true);
    FarInput input(kFar, builder.Build());
    std::vector<ZipEntry> entries;
    std::string reason;
    ASSERT_TRUE(ReadZipDirectory(input, entries, reason)) << reason;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].headerOffset, kFar);
    std::string bytes;
    ASSERT_TRUE(Extract(input, entries[0], bytes, reason)) << reason;
    EXPECT_EQ(bytes, photo);
}

TEST(ZipArchive, HugeCentralDirectoryIsRefusedUnread)
{
    constexpr std::uint64_t kPrefix = kMaxZipDirectorySize + 1024;
    ZipBuilder builder;
    builder.ForceZip64();
    builder.SetPrefix(kPrefix);
    builder.Add("a.jpg", "data");
    ZipLayout layout;
    std::string archive = builder.Build(&layout);
    // The Zip64 end record says the directory starts at the file's first byte.
    const std::size_t record = layout.endOffset - 20 - 56;
    const std::uint64_t size = kPrefix + layout.endOffset - 20 - 56;
    for (int i = 0; i < 8; ++i) {
        archive[record + 40 + i] = static_cast<char>(size >> (8 * i));
        archive[record + 48 + i] = 0;
    }
    FarInput input(kPrefix, archive);
    std::vector<ZipEntry> entries;
    std::string reason;
    EXPECT_FALSE(ReadZipDirectory(input, entries, reason));
    EXPECT_EQ(reason, "Damaged archive: the central directory is too large");
}

TEST(ZipArchive, ExtraFieldLongerThanItsPlaceIsDamage)
{
    ZipBuilder builder;
    builder.ForceZip64();
    builder.Add("a.jpg", "data");
    ZipLayout layout;
    std::string archive = builder.Build(&layout);
    Poke16(archive, layout.centralOffset + 46 + 5 + 2, 200);
    EXPECT_NE(DirectoryFailure(archive).find("Zip64 sizes of entry 1"), std::string::npos);
}

// The read that starts at one offset fails, as a drive that goes away does.
class FailingInput : public ZipInput {
public:
    FailingInput(std::string_view bytes, std::uint64_t failAt) : inner_(bytes), failAt_(failAt) { }
    std::uint64_t Size() const override { return inner_.Size(); }
    bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override
    {
        return offset != failAt_ && inner_.ReadAt(offset, buffer, size);
    }

private:
    MemoryZipInput inner_;
    std::uint64_t failAt_;
};

TEST(ZipArchive, ReadErrorsFailWithReason)
{
    ZipBuilder builder;
    builder.Add("a.jpg", Pattern(700000));
    builder.Add("b.jpg", Pattern(700000, 4), true);
    ZipLayout layout;
    const std::string archive = builder.Build(&layout);
    const std::vector<ZipEntry> entries = Directory(archive);
    ASSERT_EQ(entries.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        // The second chunk of the entry's data cannot be read.
        FailingInput input(archive, layout.dataOffsets[i] + 256 * 1024);
        std::string bytes, reason;
        EXPECT_FALSE(Extract(input, entries[i], bytes, reason));
        EXPECT_EQ(reason, "The archive could not be read");
    }
    std::vector<ZipEntry> read;
    std::string reason;
    FailingInput directory(archive, layout.centralOffset);
    EXPECT_FALSE(ReadZipDirectory(directory, read, reason));
    EXPECT_EQ(reason, "The archive could not be read");
    FailingInput tail(archive, archive.size() - 22 - 0xFFFF);
    EXPECT_FALSE(ReadZipDirectory(tail, read, reason));
    EXPECT_EQ(reason, "The archive could not be read");

    MemoryZipInput small("abc");
    char buffer[4];
    EXPECT_TRUE(small.ReadAt(1, buffer, 2));
    EXPECT_FALSE(small.ReadAt(2, buffer, 2));
    EXPECT_FALSE(small.ReadAt(~0ull, buffer, 2));
}

TEST(ZipArchive, Zip64FieldsThatAreMissingAreDamage)
{
    ZipBuilder builder;
    builder.ForceZip64();
    builder.Add("a.jpg", "data");
    ZipLayout layout;
    std::string archive = builder.Build(&layout);
    // The extra field says it holds 16 bytes: the offset it should give is missing.
    std::string cut = archive;
    Poke16(cut, layout.centralOffset + 46 + 5 + 2, 16);
    EXPECT_NE(DirectoryFailure(cut).find("Zip64 sizes of entry 1"), std::string::npos);
    // No extra field at all, yet the sizes read all ones.
    std::string none = archive;
    Poke16(none, layout.centralOffset + 0x1e, 0);
    EXPECT_NE(DirectoryFailure(none).find("Zip64 sizes"), std::string::npos);
    // The end record says Zip64, but the locator before it is gone.
    std::string noLocator = archive;
    Poke32(noLocator, layout.endOffset - 20, 0);
    EXPECT_NE(DirectoryFailure(noLocator).find("Zip64 end of central directory is missing"),
              std::string::npos);
    // The locator points at something else than the Zip64 end record.
    const std::size_t record = layout.endOffset - 20 - 56;
    std::string badRecord = archive;
    Poke32(badRecord, record, 0x06054b50);
    EXPECT_NE(DirectoryFailure(badRecord).find("Zip64 end of central directory is missing"),
              std::string::npos);
    std::string splitRecord = archive;
    Poke32(splitRecord, record + 16, 2);
    EXPECT_NE(DirectoryFailure(splitRecord).find("Split archives"), std::string::npos);
    // The locator points past the file.
    std::string badLocator = archive;
    Poke32(badLocator, layout.endOffset - 20 + 8, 0x7FFFFFF0);
    EXPECT_NE(DirectoryFailure(badLocator).find("Zip64 end of central directory is missing"),
              std::string::npos);
}

TEST(ZipArchive, DamagedCentralDirectoryIsRefusedWithReason)
{
    // Names long enough that a third entry would fit the directory's size.
    const std::string name(50, 'n');
    ZipBuilder builder;
    builder.Add(name + "a", Pattern(100));
    builder.Add(name + "b", Pattern(100, 2));
    ZipLayout layout;
    const std::string archive = builder.Build(&layout);

    std::string outside = archive;
    Poke32(outside, layout.endOffset + 16, static_cast<std::uint32_t>(archive.size()));
    EXPECT_NE(DirectoryFailure(outside).find("outside the file"), std::string::npos);

    std::string tooLong = archive;
    Poke32(tooLong, layout.endOffset + 12, static_cast<std::uint32_t>(archive.size()));
    EXPECT_NE(DirectoryFailure(tooLong).find("outside the file"), std::string::npos);

    std::string tooMany = archive;
    Poke16(tooMany, layout.endOffset + 10, 60000);
    EXPECT_NE(DirectoryFailure(tooMany).find("too small for its entries"), std::string::npos);

    std::string three = archive;
    Poke16(three, layout.endOffset + 10, 3);
    EXPECT_NE(DirectoryFailure(three).find("entry 3 of the central directory"), std::string::npos);

    std::string signature = archive;
    const std::size_t second = layout.centralOffset + 46 + name.size() + 1;
    Poke32(signature, second, 0x12345678);
    EXPECT_NE(DirectoryFailure(signature).find("entry 2 of the central directory"), std::string::npos);

    std::string longName = archive;
    Poke16(longName, second + 28, 500);
    EXPECT_NE(DirectoryFailure(longName).find("entry 2 of the central directory"), std::string::npos);

    std::string split = archive;
    Poke16(split, layout.endOffset + 4, 1);
    EXPECT_NE(DirectoryFailure(split).find("Split archives"), std::string::npos);

    EXPECT_NE(DirectoryFailure("PK").find("too short"), std::string::npos);
    EXPECT_NE(DirectoryFailure(std::string(5000, 'x')).find("no end of central directory"),
              std::string::npos);
}

TEST(ZipArchive, EveryCutOfAnArchiveFailsCleanly)
{
    ZipBuilder builder;
    builder.Add("a.jpg", Pattern(200), true);
    builder.ForceZip64();
    const std::string archive = builder.Build();
    for (std::size_t size = 0; size < archive.size(); ++size) {
        const std::string cut = archive.substr(0, size);
        MemoryZipInput input(cut);
        std::vector<ZipEntry> entries;
        std::string reason;
        EXPECT_FALSE(ReadZipDirectory(input, entries, reason)) << size;
        EXPECT_FALSE(reason.empty()) << size;
    }
}

TEST(ZipArchive, EndRecordIsFoundBehindTheLongestComment)
{
    ZipBuilder builder;
    builder.Add("a.jpg", "x");
    ZipLayout layout;
    std::string archive = builder.Build(&layout);
    Poke16(archive, layout.endOffset + 20, 0xFFFF);
    // A comment that itself holds an end record's signature with the wrong length after it.
    std::string comment(0xFFFF, 'c');
    comment.replace(100, 4, "PK\x05\x06");
    archive += comment;
    ASSERT_EQ(Directory(archive).size(), 1u);
    // One byte more behind the comment, and the record is out of reach.
    EXPECT_NE(DirectoryFailure(archive + "z").find("no end of central directory"), std::string::npos);
}

TEST(ZipArchive, TruncatedEntryFailsWithReason)
{
    ZipBuilder builder;
    builder.Add("a.jpg", Pattern(1000));
    builder.Add("b.jpg", Pattern(1000, 3), true);
    ZipLayout layout;
    const std::string archive = builder.Build(&layout);
    // The directory (kept whole) says the data runs past the end of the file.
    std::string past = archive;
    Poke32(past, layout.centralOffset + 20, 0x7FFFFFF0);
    Poke32(past, layout.centralOffset + 24, 0x7FFFFFF0);
    EXPECT_NE(ExtractFailure(past).find("cut short"), std::string::npos);
    // The deflated data is cut: its compressed size says less than the stream needs.
    std::string shortStream = archive;
    const std::size_t secondEntry = layout.centralOffset + 46 + 5;
    const auto packed = static_cast<std::uint32_t>(layout.centralOffset - layout.dataOffsets[1]);
    Poke32(shortStream, secondEntry + 20, packed / 2);
    EXPECT_NE(ExtractFailure(shortStream, 1).find("ends early"), std::string::npos);
    // The local header is not where the directory says.
    std::string noHeader = archive;
    Poke32(noHeader, layout.headerOffsets[0], 0);
    EXPECT_NE(ExtractFailure(noHeader).find("local header is missing"), std::string::npos);
    std::string headerPast = archive;
    Poke32(headerPast, layout.centralOffset + 42, static_cast<std::uint32_t>(archive.size() - 10));
    EXPECT_NE(ExtractFailure(headerPast).find("local header is missing"), std::string::npos);
}

TEST(ZipArchive, BadChecksumAndSizesAreCaught)
{
    ZipBuilder builder;
    builder.Add("a.jpg", Pattern(1000));
    builder.Add("b.jpg", Pattern(1000, 5), true);
    ZipLayout layout;
    const std::string archive = builder.Build(&layout);

    std::string stored = archive;
    stored[layout.dataOffsets[0] + 500] ^= 0x01;
    EXPECT_NE(ExtractFailure(stored).find("checksum (CRC-32) does not match"), std::string::npos);

    std::string crc = archive;
    const std::size_t second = layout.centralOffset + 46 + 5;
    Poke32(crc, second + 16, 0xDEADBEEF);
    EXPECT_NE(ExtractFailure(crc, 1).find("checksum (CRC-32) does not match"), std::string::npos);

    std::string smaller = archive;
    Poke32(smaller, second + 24, 999);
    EXPECT_NE(ExtractFailure(smaller, 1).find("more bytes than its size says"), std::string::npos);

    std::string larger = archive;
    Poke32(larger, second + 24, 1001);
    EXPECT_NE(ExtractFailure(larger, 1).find("fewer bytes than its size says"), std::string::npos);

    std::string storedSizes = archive;
    Poke32(storedSizes, layout.centralOffset + 24, 999);
    EXPECT_NE(ExtractFailure(storedSizes).find("sizes differ"), std::string::npos);

    std::string garbage = archive;
    for (std::size_t i = layout.dataOffsets[1]; i < layout.dataOffsets[1] + 8; ++i)
        garbage[i] = static_cast<char>(0xFF);
    EXPECT_NE(ExtractFailure(garbage, 1).find("compressed data is corrupt"), std::string::npos);
}

TEST(ZipArchive, EncryptedAndUnknownMethodsAreRefused)
{
    ZipBuilder builder;
    builder.Add("a.jpg", "abc");
    ZipLayout layout;
    const std::string archive = builder.Build(&layout);
    std::string encrypted = archive;
    Poke16(encrypted, layout.centralOffset + 8, 0x0801);
    EXPECT_NE(ExtractFailure(encrypted).find("Encrypted"), std::string::npos);
    std::string method = archive;
    Poke16(method, layout.centralOffset + 10, 12);
    EXPECT_NE(ExtractFailure(method).find("method that is not supported (12)"), std::string::npos);
}

class OverflowingOutput : public ZipOutput {
public:
    bool Write(const char*, std::size_t) override { return false; }
};

class StopAfter : public ByteProgress {
public:
    bool Advance(std::uint64_t, std::uint64_t) override { return ++calls < 2; }
    int calls = 0;
};

TEST(ZipArchive, FailedWritesAndCancelStopExtraction)
{
    ZipBuilder builder;
    builder.Add("a.jpg", Pattern(600000));
    builder.Add("b.jpg", Pattern(600000, 9), true);
    const std::string archive = builder.Build();
    MemoryZipInput input(archive);
    const std::vector<ZipEntry> entries = Directory(archive);
    ASSERT_EQ(entries.size(), 2u);
    for (const ZipEntry& entry : entries) {
        OverflowingOutput full;
        std::string reason;
        EXPECT_FALSE(ExtractZipEntry(input, entry, full, reason));
        EXPECT_EQ(reason, "The extracted file could not be written");
        StringOutput out;
        StopAfter stop;
        EXPECT_FALSE(ExtractZipEntry(input, entry, out, reason, &stop));
        EXPECT_EQ(reason, "Cancelled");
        EXPECT_LT(out.text.size(), entry.size);
    }
}

TEST(ZipArchive, NamesWithoutTheUtf8FlagAreReadAsCodePage437)
{
    ZipBuilder builder;
    builder.Add("Fr\x84hling/\x80\x81\xE1\xFF.jpg", "x", false, false);
    builder.Add("\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE/\xE6\x97\xA5\xE6\x9C\xAC.jpg", "y", false, true);
    const std::vector<ZipEntry> entries = Directory(builder.Build());
    ASSERT_EQ(entries.size(), 2u);
    // ä, Ç, ü, ß and a no-break space
    EXPECT_EQ(entries[0].name, "Fr\xC3\xA4hling/\xC3\x87\xC3\xBC\xC3\x9F\xC2\xA0.jpg");
    EXPECT_EQ(entries[1].name, "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE/\xE6\x97\xA5\xE6\x9C\xAC.jpg");
    EXPECT_EQ(Cp437ToUtf8("\xE0\xFB"), "\xCE\xB1\xE2\x88\x9A");  // alpha, square root
}

TEST(ZipArchive, FlaggedNamesThatAreNotUtf8AreDamage)
{
    ZipBuilder builder;
    builder.Add("ok.jpg", "x");
    builder.Add("bad\xC3(.jpg", "y", false, true);
    EXPECT_NE(DirectoryFailure(builder.Build()).find("name of entry 2 is not valid UTF-8"),
              std::string::npos);
}

TEST(ZipArchive, CraftedNamesNeverLeaveTheFolder)
{
    const char* const refused[] = {
            "../escape.jpg",
            "..\\escape.jpg",
            "a/../../escape.jpg",
            "a/./b.jpg",
            "/etc/passwd",
            "\\windows\\x.jpg",
            "C:\\x.jpg",
            "C:x.jpg",
            "a/CON.jpg",
            "nul.jpg",
            "a/COM1.txt/b.jpg",
            "a//b.jpg",
            "a/b.jpg.",
            "a /b.jpg",
            "dir/",
            "",
            "a:b/c.jpg",
            "what?.jpg",
            "\\\\server\\share\\x.jpg",
    };
    for (const char* name : refused) {
        std::string relative, reason;
        EXPECT_FALSE(ZipEntryPath(name, relative, reason)) << name;
        EXPECT_FALSE(reason.empty()) << name;
        EXPECT_TRUE(relative.empty()) << name;
    }
    std::string relative, reason;
    EXPECT_FALSE(ZipEntryPath("/etc/passwd", relative, reason));
    EXPECT_EQ(reason, "Unsafe name \"/etc/passwd\" (an absolute path)");
    EXPECT_FALSE(ZipEntryPath(std::string("a\0b.jpg", 7), relative, reason));
    EXPECT_NE(reason.find("Unsafe name"), std::string::npos);
    EXPECT_FALSE(ZipEntryPath("x/../../b.jpg", relative, reason));
    EXPECT_NE(reason.find("x/../../b.jpg"), std::string::npos);

    ASSERT_TRUE(ZipEntryPath("Takeout/Google Photos/2019/IMG 1.jpg", relative, reason)) << reason;
    EXPECT_EQ(relative, "Takeout\\Google Photos\\2019\\IMG 1.jpg");
    ASSERT_TRUE(ZipEntryPath("Takeout\\a\\..b.jpg", relative, reason)) << reason;
    EXPECT_EQ(relative, "Takeout\\a\\..b.jpg");
}

TEST(ZipArchive, MemberPathsSplitAtTheArchive)
{
    std::string archive, relative;
    EXPECT_EQ(ArchiveMemberPath("D:\\in\\t-001.zip", "Takeout\\a.jpg"), "D:\\in\\t-001.zip\\Takeout\\a.jpg");
    ASSERT_TRUE(SplitArchiveMember("D:\\in\\t-001.ZIP\\Takeout\\a.jpg", archive, relative));
    EXPECT_EQ(archive, "D:\\in\\t-001.ZIP");
    EXPECT_EQ(relative, "Takeout\\a.jpg");
    EXPECT_FALSE(SplitArchiveMember("D:\\in\\t-001.zip", archive, relative));
    EXPECT_FALSE(SplitArchiveMember("D:\\in\\t-001.zip\\", archive, relative));
    EXPECT_FALSE(SplitArchiveMember("D:\\in\\zip\\a.jpg", archive, relative));
    EXPECT_FALSE(SplitArchiveMember("D:\\in\\a.zipx\\a.jpg", archive, relative));
    EXPECT_TRUE(IsZipArchiveName("D:\\in\\t.Zip"));
    EXPECT_FALSE(IsZipArchiveName("D:\\in\\t.gz"));
    EXPECT_FALSE(IsZipArchiveName("zip"));
}

}  // namespace
