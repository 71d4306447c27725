// The organize run onto a real drive that fills up mid-run (a 600 KB RAM drive that the test
// wrapper maps as a drive letter when it runs as root): copy, move across drives and Overwrite.
// No failed row may leave a partial or empty file under a real name, nor an unfinished copy;
// every source stays, every replaced target stays as it was, and a second run after space is
// freed completes under the expected names.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <random>

#include "engine/FileTransfer.h"
#include "engine/PathUtils.h"
#include "tests/support/TempTree.h"
#include "tests/win/run/TestRunHost.h"

namespace {

// All files fit on the empty drive; with the filler, about a third do.
constexpr int kFiles = 12;
constexpr std::size_t kFileSize = 40 * 1024;
constexpr ULONGLONG kLeftFree = 170 * 1024;

std::string Content(int id)
{
    std::mt19937 rng(static_cast<unsigned>(id) + 7);
    std::string bytes(kFileSize, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng());
    return bytes;
}

std::string DiskFullText()
{
    std::string text;
    SystemErrorText(ERROR_DISK_FULL, text);
    return "Failure (" + text + ")";
}

class SmallDriveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* drive = std::getenv("QM_SMALL_DRIVE");
        if (drive == nullptr || *drive == '\0')
            GTEST_SKIP() << "no small drive: run as root through with_test_drives.sh to test a full drive";
        out = std::string(drive) + "qm_out\\";
        RemoveTree(out);
        ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
        for (int i = 0; i < kFiles; ++i) {
            const std::string path = tree.Path("src\\IMG_" + std::to_string(i) + ".JPG");
            ASSERT_TRUE(WriteText(path, Content(i)));
            // Some copies bring a read-only attribute along, which must not keep a failed one.
            if (i % 3 == 0) {
                ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
            }
            sources.push_back(path);
        }
        host.settings.Mode = OrganizeMode::Extension;  // by extension: out\JPG\name
        host.settings.OutputFolderType = 1;
        host.settings.CustomTargetFolder = out;
        host.settings.TargetExistsOpt = TargetExistsPolicy::Skip;
    }

    void TearDown() override
    {
        if (!out.empty())
            RemoveTree(out);
    }

    // Fills the drive up to kLeftFree free bytes with one file.
    void Fill()
    {
        ULARGE_INTEGER free {}, total {}, totalFree {};
        ASSERT_TRUE(GetDiskFreeSpaceExA(out.c_str(), &free, &total, &totalFree));
        ASSERT_GT(free.QuadPart, kLeftFree + 8192);
        filler = out + "filler.bin";
        ASSERT_TRUE(WriteText(filler, std::string(static_cast<std::size_t>(free.QuadPart - kLeftFree), 'f')));
    }

    void RunAll(bool move)
    {
        host.ClearRows();
        for (const std::string& source : sources)
            host.AddRow(source);
        host.Run(move);
    }

    // Every file on the drive besides the filler is a complete copy under its expected name, or
    // an old target named in kept; nothing unfinished remains.
    void ExpectNothingBroken(const std::map<std::string, std::string>& kept)
    {
        for (const auto& [relative, content] : FilesBelow(out)) {
            if (relative == "filler.bin")
                continue;
            EXPECT_EQ(relative.find(".qmpart"), std::string::npos) << "unfinished copy left: " << relative;
            const auto old = kept.find(relative);
            if (old != kept.end() && old->second == content)
                continue;
            ASSERT_EQ(relative.rfind("JPG\\IMG_", 0), 0u) << relative;
            const int id = std::atoi(relative.c_str() + 8);
            EXPECT_EQ(relative, "JPG\\IMG_" + std::to_string(id) + ".JPG");
            EXPECT_TRUE(content == Content(id))
                    << "broken file under a real name: " << relative << " (" << content.size() << " bytes)";
        }
    }

    TempTree tree;
    TestRunHost host;
    std::string out;
    std::string filler;
    std::vector<std::string> sources;
};

TEST_F(SmallDriveTest, CopyOntoAFullDriveLeavesOnlyCompleteFilesAndASecondRunFinishes)
{
    Fill();
    RunAll(false);
    int ok = 0;
    int full = 0;
    for (int row = 0; row < kFiles; ++row) {
        const std::string result = host.Result(row);
        if (result == "OK")
            ++ok;
        else if (result == DiskFullText())
            ++full;
        else
            ADD_FAILURE() << "row " << row << ": " << result;
        EXPECT_TRUE(ReadText(sources[row]) == Content(row)) << "source changed";
    }
    EXPECT_GT(ok, 0);
    EXPECT_GT(full, 0);
    ExpectNothingBroken({});

    ASSERT_TRUE(DeleteFileA(filler.c_str()));
    RunAll(false);
    for (int row = 0; row < kFiles; ++row) {
        const std::string result = host.Result(row);
        EXPECT_TRUE(result == "OK" || result == "Target file exists; skipped") << result;
        EXPECT_TRUE(ReadText(out + "JPG\\IMG_" + std::to_string(row) + ".JPG") == Content(row));
    }
    EXPECT_EQ(FilesBelow(out).size(), static_cast<std::size_t>(kFiles));
}

TEST_F(SmallDriveTest, MoveAcrossDrivesKeepsEverySourceThatDidNotArriveWhole)
{
    Fill();
    RunAll(true);
    int moved = 0;
    for (int row = 0; row < kFiles; ++row) {
        const std::string result = host.Result(row);
        if (result == "OK") {
            ++moved;
            EXPECT_FALSE(Exists(sources[row])) << "moved source still there";
        } else {
            EXPECT_EQ(result, DiskFullText());
            EXPECT_TRUE(ReadText(sources[row]) == Content(row)) << "source lost";
        }
    }
    EXPECT_GT(moved, 0);
    EXPECT_LT(moved, kFiles);
    ExpectNothingBroken({});

    ASSERT_TRUE(DeleteFileA(filler.c_str()));
    std::vector<std::string> left;
    for (const std::string& source : sources)
        if (Exists(source))
            left.push_back(source);
    sources = left;
    RunAll(true);
    for (int row = 0; row < static_cast<int>(sources.size()); ++row)
        EXPECT_EQ(host.Result(row), "OK");
    EXPECT_EQ(FilesBelow(out).size(), static_cast<std::size_t>(kFiles));
    ExpectNothingBroken({});
}

TEST_F(SmallDriveTest, OverwriteThatRunsOutOfSpaceKeepsTheOldTarget)
{
    std::map<std::string, std::string> old;
    ASSERT_TRUE(CreateDirectoryA((out + "JPG").c_str(), nullptr));
    for (int i = 0; i < kFiles; ++i) {
        const std::string relative = "JPG\\IMG_" + std::to_string(i) + ".JPG";
        old[relative] = "old target " + std::to_string(i);
        ASSERT_TRUE(WriteText(out + relative, old[relative]));
    }
    Fill();
    host.settings.TargetExistsOpt = TargetExistsPolicy::Overwrite;
    RunAll(false);
    int replaced = 0;
    for (int row = 0; row < kFiles; ++row) {
        const std::string relative = "JPG\\IMG_" + std::to_string(row) + ".JPG";
        const std::string result = host.Result(row);
        if (result == "OK") {
            ++replaced;
            EXPECT_TRUE(ReadText(out + relative) == Content(row));
        } else {
            EXPECT_EQ(result, DiskFullText());
            EXPECT_TRUE(ReadText(out + relative) == old[relative]) << "old target damaged";
        }
    }
    EXPECT_GT(replaced, 0);
    EXPECT_LT(replaced, kFiles);
    ExpectNothingBroken(old);
}

// A copy onto the full drive fails with the system's number and words, and so does one onto the
// write-protected card, with the number the system gives for a new file there.
TEST_F(SmallDriveTest, ATransferOntoAFullOrWriteProtectedDriveFailsWithTheSystemNumber)
{
    Fill();
    // Larger than the space left.
    const std::string large = tree.Path("src\\large.jpg");
    ASSERT_TRUE(WriteText(large, std::string(static_cast<std::size_t>(2 * kLeftFree), 'p')));
    RealFileSystem fs;
    const TransferResult full = fs.Transfer(large, out + "large.jpg", false);
    ASSERT_EQ(full, TransferOutcome::Failed);
    EXPECT_EQ(full.status.Kind(), FailureKind::System);
    EXPECT_EQ(full.status.Code(), static_cast<std::uint32_t>(ERROR_DISK_FULL));
    std::string words;
    ASSERT_TRUE(SystemErrorText(ERROR_DISK_FULL, words));
    EXPECT_EQ(full.status.Reason(), words);
    EXPECT_FALSE(Exists(out + "large.jpg"));

    const char* card = std::getenv("QM_READONLY_DRIVE");
    if (card == nullptr || *card == '\0')
        GTEST_SKIP() << "no write-protected drive: run as root through with_test_drives.sh";
    const std::string probe = std::string(card) + "probe.jpg";
    const HANDLE file =
            CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(file, INVALID_HANDLE_VALUE);
    const DWORD refused = GetLastError();
    const TransferResult locked = fs.Transfer(sources[1], std::string(card) + "IMG_1.JPG", false);
    ASSERT_EQ(locked, TransferOutcome::Failed);
    EXPECT_EQ(locked.status.Kind(), FailureKind::System);
    EXPECT_EQ(locked.status.Code(), static_cast<std::uint32_t>(refused));
    ASSERT_TRUE(SystemErrorText(refused, words));
    EXPECT_EQ(locked.status.Reason(), words);
}

TEST_F(SmallDriveTest, AMoveFromAWriteProtectedCardSaysTheSourceWasKept)
{
    const char* card = std::getenv("QM_READONLY_DRIVE");
    if (card == nullptr || *card == '\0')
        GTEST_SKIP() << "no write-protected drive: run as root through with_test_drives.sh";
    const std::string photo = std::string(card) + "card.jpg";
    const std::string content = "a photo on a write-protected card";
    ASSERT_EQ(ReadText(photo), content);
    sources = {photo, sources[0]};
    RunAll(true);
    // The copy is complete and in place, but the photo is still on the card: never a plain OK.
    const std::string result = host.Result(0);
    EXPECT_EQ(result.rfind("Copied; the source was kept (", 0), 0u) << result;
    EXPECT_EQ(ReadText(photo), content);
    EXPECT_EQ(ReadText(out + "JPG\\card.jpg"), content);
    // A read-only source on a writable drive moves like any other; its copy stays read-only.
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_FALSE(Exists(sources[1]));
    EXPECT_TRUE(ReadText(out + "JPG\\IMG_0.JPG") == Content(0));
    EXPECT_NE(GetFileAttributesA((out + "JPG\\IMG_0.JPG").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

}  // namespace
