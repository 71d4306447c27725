// The library index on the in-memory file system: which files it reads to find a photo's bytes,
// how it stays fresh, and how it is stored.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/LibraryIndex.h"
#include "MemoryFileOps.h"
#include "tests/support/StatusCheck.h"
#include "engine/RunJournal.h"

namespace {

// Counts the bytes read from each file.
class CountingOps : public MemoryFileOps {
public:
    std::unique_ptr<ReadStream> OpenRead(const std::string& path) override
    {
        auto inner = MemoryFileOps::OpenRead(path);
        if (!inner)
            return nullptr;
        return std::make_unique<Counted>(std::move(inner), read[Upper(path)]);
    }
    std::uint64_t ReadOf(const std::string& path) { return read[Upper(path)]; }

    std::map<std::string, std::uint64_t> read;

private:
    class Counted : public ReadStream {
    public:
        Counted(std::unique_ptr<ReadStream> inner, std::uint64_t& count)
            : inner_(std::move(inner)), count_(count)
        { }
        bool Read(char* buffer, std::size_t size, std::size_t& got) override
        {
            const bool ok = inner_->Read(buffer, size, got);
            count_ += got;
            return ok;
        }
        bool Seek(std::uint64_t offset) override { return inner_->Seek(offset); }

    private:
        std::unique_ptr<ReadStream> inner_;
        std::uint64_t& count_;
    };
};

std::string Bytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed * 7919 + (i >> 9) * seed) & 0xFF);
    return bytes;
}

class LibraryIndexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ops.AddFolder("C:\\lib");
        ops.AddFolder("D:\\card");
    }
    // Adds a library file and tells the index of it, as a scan would.
    void Library(const std::string& relative, const std::string& bytes, std::uint64_t time = 5)
    {
        ops.AddFile("C:\\lib\\" + relative, bytes, time);
    }
    void Scan()
    {
        index.BeginScan();
        for (const auto& [path, bytes] : ops.Files()) {
            if (path.rfind("C:\\lib\\", 0) != 0)
                continue;
            FileState state;
            ASSERT_TRUE(ops.Stat(path, state));
            index.Seen(path.substr(7), state.stamp);
        }
        index.EndScan();
    }
    LibraryIndex::Found Find(const std::string& source, std::string& existing)
    {
        FileState state;
        EXPECT_TRUE(ops.Stat(source, state));
        return index.FindContent(ops, source, state.stamp, nullptr, existing);
    }

    CountingOps ops;
    LibraryIndex index {"C:\\lib\\"};
};

TEST_F(LibraryIndexTest, FindsTheBytesUnderAnyNameAndReadsOnlyFilesOfTheSameSize)
{
    const std::string photo = Bytes(300000, 1);
    Library("2019\\holiday\\renamed.jpg", photo);
    Library("other size.jpg", Bytes(300001, 1));
    Library("x\\y\\same size other bytes.jpg", Bytes(300000, 2));
    ops.AddFile("D:\\card\\IMG_0001.JPG", photo, 9);
    Scan();
    std::string existing;
    ASSERT_EQ(Find("D:\\card\\IMG_0001.JPG", existing), LibraryIndex::Found::Yes);
    EXPECT_EQ(existing, "C:\\lib\\2019\\holiday\\renamed.jpg");
    EXPECT_EQ(ops.ReadOf("C:\\lib\\other size.jpg"), 0u);
    EXPECT_EQ(ops.ReadOf("C:\\lib\\2019\\holiday\\renamed.jpg"), 2 * kLibraryEndBlock + photo.size());

    // A new photo of the same size is told apart by the ends alone; the hashes taken before are kept.
    ops.AddFile("D:\\card\\IMG_0002.JPG", Bytes(300000, 3), 9);
    EXPECT_EQ(Find("D:\\card\\IMG_0002.JPG", existing), LibraryIndex::Found::No);
    EXPECT_EQ(ops.ReadOf("C:\\lib\\x\\y\\same size other bytes.jpg"), 2 * kLibraryEndBlock);
    EXPECT_EQ(ops.ReadOf("C:\\lib\\2019\\holiday\\renamed.jpg"), 2 * kLibraryEndBlock + photo.size());
    EXPECT_EQ(ops.ReadOf("C:\\lib\\other size.jpg"), 0u);
}

TEST_F(LibraryIndexTest, SameEndsWithADifferentMiddleIsNotTheSameFile)
{
    std::string photo = Bytes(500000, 3);
    Library("a.jpg", photo);
    photo[250000] = static_cast<char>(photo[250000] ^ 1);
    ops.AddFile("D:\\card\\a.jpg", photo, 9);
    Scan();
    std::string existing;
    EXPECT_EQ(Find("D:\\card\\a.jpg", existing), LibraryIndex::Found::No);
    // Small files are hashed whole: a difference anywhere shows in the hash alone.
    std::string small = Bytes(1000, 4);
    Library("small.jpg", small);
    small[500] = static_cast<char>(small[500] ^ 1);
    ops.AddFile("D:\\card\\small.jpg", small, 9);
    Scan();
    EXPECT_EQ(Find("D:\\card\\small.jpg", existing), LibraryIndex::Found::No);
    EXPECT_EQ(ops.ReadOf("C:\\lib\\small.jpg"), small.size());
    // Between one block and two, the hash covers the whole file too: read once, never compared.
    std::string medium = Bytes(100000, 10);
    Library("medium.jpg", medium);
    medium[90000] = static_cast<char>(medium[90000] ^ 1);
    ops.AddFile("D:\\card\\medium.jpg", medium, 9);
    Scan();
    EXPECT_EQ(Find("D:\\card\\medium.jpg", existing), LibraryIndex::Found::No);
    EXPECT_EQ(ops.ReadOf("C:\\lib\\medium.jpg"), medium.size());
}

TEST_F(LibraryIndexTest, AFilePlacedOverAnotherIsNoLongerReadForItsOldSize)
{
    Library("a.jpg", Bytes(1000, 1));
    Scan();
    // This run replaced a.jpg with a larger file.
    ASSERT_TRUE(ops.Delete("C:\\lib\\a.jpg"));
    Library("a.jpg", Bytes(2000, 2), 60);
    index.Placed("a.jpg", {2000, 60});
    ops.AddFile("D:\\card\\b.jpg", Bytes(1000, 3), 9);
    std::string existing;
    EXPECT_EQ(Find("D:\\card\\b.jpg", existing), LibraryIndex::Found::No);
    EXPECT_EQ(ops.ReadOf("C:\\lib\\a.jpg"), 0u);
}

TEST_F(LibraryIndexTest, EmptyFilesAreNeverKnown)
{
    Library("empty.jpg", "");
    ops.AddFile("D:\\card\\empty.jpg", "", 9);
    Scan();
    std::string existing;
    EXPECT_EQ(Find("D:\\card\\empty.jpg", existing), LibraryIndex::Found::No);
}

TEST_F(LibraryIndexTest, AChangedFileIsHashedAgainAndAVanishedOneDropped)
{
    const std::string first = Bytes(200000, 5);
    const std::string second = Bytes(200000, 6);
    Library("a.jpg", first);
    ops.AddFile("D:\\card\\1.jpg", first, 9);
    ops.AddFile("D:\\card\\2.jpg", second, 9);
    Scan();
    std::string existing;
    ASSERT_EQ(Find("D:\\card\\1.jpg", existing), LibraryIndex::Found::Yes);
    // The library file is overwritten with other bytes of the same size and a new time.
    ASSERT_TRUE(ops.Delete("C:\\lib\\a.jpg"));
    Library("a.jpg", second, 77);
    Scan();
    EXPECT_EQ(Find("D:\\card\\1.jpg", existing), LibraryIndex::Found::No);
    ASSERT_EQ(Find("D:\\card\\2.jpg", existing), LibraryIndex::Found::Yes);
    ASSERT_TRUE(ops.Delete("C:\\lib\\a.jpg"));
    Scan();
    EXPECT_EQ(index.FileCount(), 0u);
    EXPECT_EQ(Find("D:\\card\\2.jpg", existing), LibraryIndex::Found::No);
}

TEST_F(LibraryIndexTest, ASourcePlacedBeforeIsKnownByItsStampUntilEitherSideChanges)
{
    Library("2020\\a.jpg", Bytes(1000, 7), 40);
    Scan();
    LibraryIndex::Source source;
    source.volume = 0x1234;
    source.path = "D:\\CARD\\A.JPG";
    source.stamp = {1000, 30};
    source.relative = "2020\\a.jpg";
    source.placedStamp = {1000, 40};
    index.Imported(source);
    std::string existing;
    EXPECT_TRUE(index.FindSource(0x1234, "D:\\CARD\\A.JPG", {1000, 30}, existing));
    EXPECT_EQ(existing, "C:\\lib\\2020\\a.jpg");
    // Another card in the same reader, a reformatted card (new time), another size.
    EXPECT_FALSE(index.FindSource(0x9999, "D:\\CARD\\A.JPG", {1000, 30}, existing));
    EXPECT_FALSE(index.FindSource(0x1234, "D:\\CARD\\A.JPG", {1000, 31}, existing));
    EXPECT_FALSE(index.FindSource(0x1234, "D:\\CARD\\A.JPG", {1001, 30}, existing));
    EXPECT_FALSE(index.FindSource(0x1234, "D:\\CARD\\B.JPG", {1000, 30}, existing));
    // The library file changed since it was placed.
    ASSERT_TRUE(ops.Delete("C:\\lib\\2020\\a.jpg"));
    Library("2020\\a.jpg", Bytes(1000, 8), 41);
    Scan();
    EXPECT_FALSE(index.FindSource(0x1234, "D:\\CARD\\A.JPG", {1000, 30}, existing));
}

TEST_F(LibraryIndexTest, StoredAndLoadedWholeOrNotAtAll)
{
    const std::string photo = Bytes(150000, 9);
    Library("a\\b.jpg", photo);
    ops.AddFile("D:\\card\\b.jpg", photo, 9);
    Scan();
    std::string existing;
    ASSERT_EQ(Find("D:\\card\\b.jpg", existing), LibraryIndex::Found::Yes);
    index.Imported({7, "D:\\CARD\\B.JPG", {150000, 9}, "a\\b.jpg", {150000, 5}});
    ops.AddFolder("C:\\runs");
    ASSERT_TRUE(Succeeded(SaveLibraryIndex(ops, "C:\\runs\\lib.qmlib", index)));
    EXPECT_FALSE(FileIsThere(ops, "C:\\runs\\lib.qmlib.new"));

    LibraryIndex loaded("C:\\lib\\");
    ASSERT_TRUE(Succeeded(LoadLibraryIndex(ops, "C:\\runs\\lib.qmlib", loaded)));
    EXPECT_EQ(loaded.Text(), index.Text());
    EXPECT_TRUE(loaded.FindSource(7, "D:\\CARD\\B.JPG", {150000, 9}, existing));
    // The hash taken before is kept: the library file is read only for the full comparison.
    ops.read.clear();
    FileState state;
    ASSERT_TRUE(ops.Stat("D:\\card\\b.jpg", state));
    ASSERT_EQ(loaded.FindContent(ops, "D:\\card\\b.jpg", state.stamp, nullptr, existing),
              LibraryIndex::Found::Yes);
    EXPECT_EQ(ops.ReadOf("C:\\lib\\a\\b.jpg"), photo.size());

    // Another library's index, a torn one and a damaged line are not used.
    LibraryIndex other("C:\\other\\");
    const Status others = LoadLibraryIndex(ops, "C:\\runs\\lib.qmlib", other);
    EXPECT_FALSE(others.Ok());
    EXPECT_EQ(others.Kind(), FailureKind::Damaged);
    EXPECT_EQ(others.Reason(), "\"C:\\runs\\lib.qmlib\": not an index of \"C:\\other\\\"");
    const std::string text = index.Text();
    LibraryIndex damaged("C:\\lib\\");
    EXPECT_EQ(damaged.Load(text.substr(0, text.size() - 1)).Kind(), FailureKind::Damaged);
    EXPECT_EQ(damaged.FileCount(), 0u);
    std::string badNumber = text;
    badNumber.replace(badNumber.find("\t150000\t"), 8, "\t15x000\t");
    EXPECT_FALSE(damaged.Load(badNumber).Ok());
    std::string outside = text;
    outside.replace(outside.find("a\\b.jpg"), 7, "..\\b.jpg");
    EXPECT_FALSE(damaged.Load(outside).Ok());
    EXPECT_TRUE(Succeeded(damaged.Load(text)));
}

TEST_F(LibraryIndexTest, AFailedSaveLeavesTheOldIndexAndNoTemporaryFile)
{
    Library("a.jpg", Bytes(10, 1));
    Scan();
    ops.AddFolder("C:\\runs");
    ASSERT_TRUE(Succeeded(SaveLibraryIndex(ops, "C:\\runs\\lib.qmlib", index)));
    std::string before;
    ASSERT_TRUE(ops.Contents("C:\\runs\\lib.qmlib", before));
    Library("b.jpg", Bytes(20, 1));
    Scan();
    ops.SetCapacity("C:", 30 + before.size());
    const Status saved = SaveLibraryIndex(ops, "C:\\runs\\lib.qmlib", index);
    EXPECT_FALSE(saved.Ok());
    EXPECT_EQ(saved.Kind(), FailureKind::System);
    EXPECT_EQ(saved.Code(), FileError::kDiskFull);
    EXPECT_EQ(saved.Reason(), "cannot write \"C:\\runs\\lib.qmlib\": " + FileErrorText(FileError::kDiskFull));
    std::string after;
    ASSERT_TRUE(ops.Contents("C:\\runs\\lib.qmlib", after));
    EXPECT_EQ(after, before);
    EXPECT_FALSE(FileIsThere(ops, "C:\\runs\\lib.qmlib.new"));
    // A temporary file a killed save left does not stop the next one.
    ops.SetCapacity("C:", 1 << 20);
    ops.AddFile("C:\\runs\\lib.qmlib.new", "half", 1);
    ASSERT_TRUE(Succeeded(SaveLibraryIndex(ops, "C:\\runs\\lib.qmlib", index)));
    LibraryIndex loaded("C:\\lib\\");
    EXPECT_TRUE(Succeeded(LoadLibraryIndex(ops, "C:\\runs\\lib.qmlib", loaded)));
    EXPECT_EQ(loaded.FileCount(), 2u);
}

TEST_F(LibraryIndexTest, AnIndexThatCannotBeUsedSaysWhyAndLeavesTheIndexEmpty)
{
    ops.AddFolder("C:\\runs");
    LibraryIndex missing("C:\\lib\\");
    const Status none = LoadLibraryIndex(ops, "C:\\runs\\lib.qmlib", missing);
    EXPECT_FALSE(none.Ok());
    EXPECT_EQ(none.Kind(), FailureKind::System);
    EXPECT_EQ(none.Code(), FileError::kFileNotFound);
    EXPECT_EQ(none.Reason(),
              "cannot open \"C:\\runs\\lib.qmlib\": " + FileErrorText(FileError::kFileNotFound));

    // A stored index whose line was changed by hand: nothing of it is used, and a scan starts
    // from nothing.
    Library("a.jpg", Bytes(10, 1));
    Scan();
    std::string text = index.Text();
    text.replace(text.find("\t10\t"), 4, "\tten\t");
    ops.AddFile("C:\\runs\\lib.qmlib", text, 1);
    LibraryIndex loaded("C:\\lib\\");
    const Status damaged = LoadLibraryIndex(ops, "C:\\runs\\lib.qmlib", loaded);
    EXPECT_FALSE(damaged.Ok());
    EXPECT_EQ(damaged.Kind(), FailureKind::Damaged);
    EXPECT_EQ(damaged.Reason(), "\"C:\\runs\\lib.qmlib\": a damaged line in the index of \"C:\\lib\\\"");
    EXPECT_EQ(loaded.FileCount(), 0u);
}

}  // namespace
