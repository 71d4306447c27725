// The organize run's library hygiene on real folders and files: the Rename unless identical
// policy, companion files that travel with their photo as one group under one base name, and
// dates from file names; each also switched off, where the run behaves as before.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "engine/DryRunFileSystem.h"
#include "engine/FileOps.h"
#include "engine/OrganizeRun.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/run/RunFixture.h"
#include "tests/win/run/TestRunHost.h"

namespace {

constexpr TargetExistsPolicy kIdentical = TargetExistsPolicy::RenameUnlessIdentical;
const std::string kIdenticalResult = "Identical file exists; skipped";
const std::string kStays = "Stays with its photo (photo not organized)";

std::vector<unsigned char> JpegTaken(const std::string& date)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, 1).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

bool SetModifiedLocal(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    SYSTEMTIME local {year, month, 0, day, hour, minute, 0, 0};
    FILETIME localFt, utcFt;
    const bool ok = SystemTimeToFileTime(&local, &localFt) && LocalFileTimeToFileTime(&localFt, &utcFt) &&
                    SetFileTime(h, nullptr, nullptr, &utcFt);
    CloseHandle(h);
    return ok;
}

bool MakeFolders(const std::string& path)
{
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

class HygieneRunTest : public RunFixture {
protected:
    // A file below the tree, with its folders.
    void Plant(const std::string& relative, const std::string& content)
    {
        const std::string path = tree.Path(relative);
        ASSERT_TRUE(MakeFolders(path.substr(0, path.rfind('\\'))));
        ASSERT_TRUE(WriteText(path, content));
    }

    void ClearRows() { host.ClearRows(); }
};

}  // namespace

TEST_F(HygieneRunTest, IdenticalFileAtTheTargetIsLeftAloneForCopyAndMove)
{
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.TargetExistsOpt = kIdentical;
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        RemoveTree(tree.Path("out"));
        ClearRows();
        Plant("out\\JPG\\a.jpg", "same bytes");
        const std::string src = Source("a.jpg", "same bytes");
        host.Run(move);
        EXPECT_EQ(host.Result(0), kIdenticalResult);
        EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\a.jpg"));
        // Nothing written, and a move keeps its source: the only other copy is the one there.
        EXPECT_EQ(ReadText(src), "same bytes");
        EXPECT_EQ(FilesBelow(tree.Path("out\\")),
                  (std::map<std::string, std::string> {{"JPG\\a.jpg", "same bytes"}}));
    }
}

TEST_F(HygieneRunTest, DifferentFileGetsTheNextNumberAndARenamedTwinIsRecognised)
{
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.TargetExistsOpt = kIdentical;
    // Every planted file as long as its source, so that only the bytes tell them apart.
    Plant("out\\JPG\\a.jpg", "Xhe photo a");
    Plant("out\\JPG\\a_1.jpg", "the photo b");
    Plant("out\\JPG\\a_2.jpg", "the photo a");
    Plant("out\\JPG\\b.jpg", "new photo c");
    const std::string a = Source("a.jpg", "the photo a");
    const std::string b = Source("b.jpg", "new photo b");
    host.Run(true);
    EXPECT_EQ(host.Result(0), kIdenticalResult);
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\a_2.jpg"));
    EXPECT_TRUE(Exists(a));
    EXPECT_FALSE(Exists(tree.Path("out\\JPG\\a_3.jpg")));
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_EQ(host.Target(1), tree.Path("out\\JPG\\b_1.jpg"));
    EXPECT_FALSE(Exists(b));
    EXPECT_EQ(ReadText(tree.Path("out\\JPG\\b_1.jpg")), "new photo b");

    // The second import of b finds the copy the first one renamed.
    ClearRows();
    Source("b.jpg", "new photo b");
    host.Run(false);
    EXPECT_EQ(host.Result(0), kIdenticalResult);
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\b_1.jpg"));
    EXPECT_FALSE(Exists(tree.Path("out\\JPG\\b_2.jpg")));

    // Plain Rename keeps numbering identical files, as it always did.
    host.settings.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\b_2.jpg"));
}

TEST_F(HygieneRunTest, AFileThatIsItsOwnTargetCountsAsIdentical)
{
    host.settings.OutputFolderType = 0;
    host.settings.Mode = OrganizeMode::Modified;
    host.settings.CreateYearFolder = 0;
    host.settings.CreateMonthFolder = 0;
    host.settings.TargetExistsOpt = kIdentical;
    const std::string src = Source("c.jpg", "c");
    host.Run(true);
    EXPECT_EQ(host.Result(0), kIdenticalResult);
    EXPECT_EQ(host.Target(0), src);
    EXPECT_EQ(FilesBelow(tree.Path("src\\")), (std::map<std::string, std::string> {{"c.jpg", "c"}}));
}

TEST_F(HygieneRunTest, IdenticalFilesAreRecognisedAcrossDrives)
{
    // Another drive with a writable folder: Wine's Z:\tmp, or a second fixed disk on Windows.
    const char own = tree.Root()[0];
    std::string other;
    for (char drive = 'C'; drive <= 'Z' && other.empty(); ++drive) {
        const std::string folder = std::string(1, drive) + ":\\tmp\\";
        if ((drive & ~0x20) == (own & ~0x20) || GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        const std::string candidate = folder + "qm_hygiene_" + std::to_string(GetCurrentProcessId()) + "\\";
        if (CreateDirectoryA(candidate.c_str(), nullptr))
            other = candidate;
    }
    if (other.empty())
        GTEST_SKIP() << "no second drive with a writable tmp folder";
    host.settings.CustomTargetFolder = other + "out";
    host.settings.Mode = OrganizeMode::Extension;
    host.settings.TargetExistsOpt = kIdentical;
    ASSERT_TRUE(MakeFolders(other + "out\\JPG"));
    ASSERT_TRUE(WriteText(other + "out\\JPG\\d.jpg", "twin"));
    const std::string twin = Source("d.jpg", "twin");
    const std::string single = Source("e.jpg", "single");
    ASSERT_TRUE(WriteText(other + "out\\JPG\\e.jpg", "singlE"));  // the same size, other bytes
    host.Run(true);
    EXPECT_EQ(host.Result(0), kIdenticalResult);
    EXPECT_EQ(ReadText(twin), "twin");
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_EQ(host.Target(1), other + "out\\JPG\\e_1.jpg");
    EXPECT_EQ(ReadText(other + "out\\JPG\\e_1.jpg"), "single");
    EXPECT_FALSE(Exists(single));
    RemoveTree(other);
}

// The comparison behind Rename unless identical on files of one size, where only the bytes can
// differ: in the last byte, and in the first byte of the second block read.
TEST(SameBytes, FilesOfOneSizeAreComparedToTheirLastByte)
{
    TempTree tree;
    const auto pattern = [](std::size_t size) {
        std::vector<unsigned char> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
        return bytes;
    };
    const auto judge = [&tree](const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
        EXPECT_TRUE(WriteData(tree.Path("a.bin"), a));
        EXPECT_TRUE(WriteData(tree.Path("b.bin"), b));
        return SameBytes(SystemFileOps(), tree.Path("a.bin"), tree.Path("b.bin"));
    };
    for (const std::size_t size : {std::size_t {1}, std::size_t {11}, kCompareBlockSize - 1,
                                   kCompareBlockSize, kCompareBlockSize + 1, 2 * kCompareBlockSize + 5}) {
        SCOPED_TRACE(size);
        const std::vector<unsigned char> original = pattern(size);
        EXPECT_TRUE(judge(original, original));
        std::vector<unsigned char> lastByte = original;
        lastByte.back() ^= 0x01;
        EXPECT_FALSE(judge(original, lastByte));
        EXPECT_FALSE(judge(lastByte, original));
        if (size > kCompareBlockSize) {
            std::vector<unsigned char> pastBlock = original;
            pastBlock[kCompareBlockSize] ^= 0x80;
            EXPECT_FALSE(judge(original, pastBlock));
        }
    }
    EXPECT_TRUE(judge({}, {}));
}

TEST_F(HygieneRunTest, EverySidecarFormTravelsWithItsPhotoAndTakesItsNewName)
{
    host.settings.CompanionFiles = 1;
    host.settings.RenameTargetFileName = 1;
    host.settings.TargetFilenameFormat = "%Y-%M-%D %H_%I_%S";
    host.settings.SaveToLog = 1;
    host.settings.LogFile = tree.Path("log.txt");
    // Sidecars before and after their photo in the list.
    const std::vector<std::string> sidecars {"IMG_1.xmp", "IMG_1.JPG.xmp", "IMG_1.aae"};
    for (const auto& name : sidecars)
        Source(name, "sidecar " + name);
    Source("IMG_1.JPG", JpegTaken("2012:01:27 10:46:15"));
    Source("IMG_1.thm", "thumbnail");
    Source("IMG_1.JPG.json", "{}");
    host.Run(true);
    const std::string folder = tree.Path("out\\2012\\2012_01\\2012-01-27 10_46_15");
    const std::vector<std::string> targets {folder + ".xmp", folder + ".JPG.xmp", folder + ".aae",
                                            folder + ".JPG", folder + ".thm",     folder + ".JPG.json"};
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(host.Result(row), "OK") << row;
        EXPECT_EQ(host.Target(row), targets[row]) << row;
        EXPECT_TRUE(Exists(targets[row])) << targets[row];
    }
    EXPECT_EQ(ReadText(folder + ".JPG.xmp"), "sidecar IMG_1.JPG.xmp");
    EXPECT_TRUE(FilesBelow(tree.Path("src\\")).empty());
    // Each companion has its own log record, right after its photo's.
    const std::string log = ReadText(tree.Path("log.txt"));
    const std::size_t photo = log.find("[Source] " + tree.Path("src\\IMG_1.JPG") + "\r\n");
    ASSERT_NE(photo, std::string::npos) << log;
    for (const auto& name : {"IMG_1.xmp", "IMG_1.JPG.xmp", "IMG_1.aae", "IMG_1.thm", "IMG_1.JPG.json"}) {
        const std::size_t record = log.find("[Source] " + tree.Path("src\\") + name + "\r\n");
        ASSERT_NE(record, std::string::npos) << name;
        EXPECT_GT(record, photo) << name;
    }
}

TEST_F(HygieneRunTest, WithoutRenamingSidecarsKeepTheirNamesBesideThePhoto)
{
    host.settings.CompanionFiles = 1;
    // File times only: the sidecar needs no metadata tool, and none lies beside the test program.
    host.settings.Mode = OrganizeMode::Modified;
    const std::string photo = Source("IMG_2.JPG", JpegTaken("2013:06:01 08:00:00"));
    ASSERT_TRUE(SetModifiedLocal(photo, 2013, 6, 1, 8, 0));
    const std::string xmp = Source("IMG_2.xmp", "x");
    // Its own file time would put it elsewhere.
    ASSERT_TRUE(SetModifiedLocal(xmp, 2020, 2, 2, 2, 2));
    host.Run(false);
    EXPECT_EQ(host.Target(1), tree.Path("out\\2013\\2013_06\\IMG_2.xmp"));
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_TRUE(Exists(xmp));

    // Off: the sidecar is a file like any other, sorted by its own date.
    host.settings.CompanionFiles = 0;
    host.settings.CustomTargetFolder = tree.Path("off");
    host.Run(false);
    EXPECT_EQ(host.Target(1), tree.Path("off\\2020\\2020_02\\IMG_2.xmp"));
}

TEST_F(HygieneRunTest, ASidecarWhosePhotoIsNotPlacedStaysWithIt)
{
    host.settings.CompanionFiles = 1;
    const std::string photo = Source("IMG_3.JPG", "no EXIF here");
    const std::string xmp = Source("IMG_3.xmp", "x");
    host.Run(true);
    EXPECT_EQ(host.Result(0), "Failed to get date picture taken. Maybe no EXIF info in the file");
    EXPECT_EQ(host.Result(1), kStays);
    EXPECT_EQ(host.Target(1), "");
    EXPECT_TRUE(Exists(photo));
    EXPECT_TRUE(Exists(xmp));

    // A photo skipped because its target exists keeps its sidecar too.
    ClearRows();
    Source("IMG_4.JPG", JpegTaken("2012:01:27 10:46:15"));
    const std::string xmp4 = Source("IMG_4.xmp", "x4");
    Plant("out\\2012\\2012_01\\IMG_4.JPG", "already there");
    host.settings.TargetExistsOpt = TargetExistsPolicy::Skip;
    host.Run(true);
    EXPECT_EQ(host.Result(0), "Target file exists; skipped");
    EXPECT_EQ(host.Result(1), "Stays with its photo (IMG_4.JPG exists; skipped)");
    EXPECT_TRUE(Exists(xmp4));
    EXPECT_FALSE(Exists(tree.Path("out\\2012\\2012_01\\IMG_4.xmp")));
}

TEST_F(HygieneRunTest, ATakenSidecarNameDecidesForTheWholeGroup)
{
    host.settings.CompanionFiles = 1;
    Source("IMG_5.JPG", JpegTaken("2012:01:27 10:46:15"));
    Source("IMG_5.xmp", "new sidecar");
    struct Case {
        TargetExistsPolicy policy;
        const char* existing;
        const char* photoResult;
        const char* result;
        const char* base;  // the group's base name
        const char* content;  // of IMG_5.xmp afterwards
    };
    const Case cases[] = {
            {TargetExistsPolicy::RenameAutomatically, "old sidecar", "OK", "OK", "IMG_5_1", "old sidecar"},
            {TargetExistsPolicy::Skip, "old sidecar",
             "Target file of a companion exists (IMG_5.xmp); skipped", "Target file exists; skipped", "IMG_5",
             "old sidecar"},
            {TargetExistsPolicy::Overwrite, "old sidecar", "OK", "OK", "IMG_5", "new sidecar"},
            // Only the photo is compared: a sidecar alone does not make the group one that is there.
            {kIdentical, "new sidecar", "OK", "OK", "IMG_5_1", "new sidecar"},
            {kIdentical, "old sidecar", "OK", "OK", "IMG_5_1", "old sidecar"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<unsigned>(c.policy));
        const std::string out = "out" + std::to_string(n++);
        const std::string folder = tree.Path(out + "\\2012\\2012_01\\");
        host.settings.CustomTargetFolder = tree.Path(out);
        host.settings.TargetExistsOpt = c.policy;
        Plant(out + "\\2012\\2012_01\\IMG_5.xmp", c.existing);
        host.Run(false);
        EXPECT_EQ(host.Result(0), c.photoResult);
        EXPECT_EQ(host.Target(0), folder + c.base + ".JPG");
        EXPECT_EQ(host.Result(1), c.result);
        EXPECT_EQ(host.Target(1), folder + c.base + ".xmp");
        EXPECT_EQ(ReadText(folder + "IMG_5.xmp"), c.content);
    }
}

TEST_F(HygieneRunTest, ARawWithItsOwnSidecarIsNumberedWithItsJpeg)
{
    host.settings.CompanionFiles = 1;
    host.settings.Mode = OrganizeMode::Modified;
    host.settings.CreateYearFolder = 0;
    host.settings.CreateMonthFolder = 0;
    // JPEG + raw pair, the raw's edits in IMG_8.NEF.xmp; only that sidecar's name is taken.
    Source("IMG_8.JPG", "jpeg");
    Source("IMG_8.NEF", "raw");
    Source("IMG_8.NEF.xmp", "raw edits");
    Plant("out\\IMG_8.NEF.xmp", "someone else's edits");
    for (const TargetExistsPolicy policy : {TargetExistsPolicy::RenameAutomatically, kIdentical}) {
        SCOPED_TRACE(static_cast<unsigned>(policy));
        host.settings.TargetExistsOpt = policy;
        host.Run(false);
        EXPECT_EQ(host.Target(0), tree.Path("out\\IMG_8_1.JPG"));
        EXPECT_EQ(host.Target(1), tree.Path("out\\IMG_8_1.NEF"));
        EXPECT_EQ(host.Target(2), tree.Path("out\\IMG_8_1.NEF.xmp"));
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(host.Result(row), "OK") << row;
        EXPECT_EQ(ReadText(tree.Path("out\\IMG_8_1.NEF.xmp")), "raw edits");
        EXPECT_EQ(ReadText(tree.Path("out\\IMG_8.NEF.xmp")), "someone else's edits");
        RemoveTree(tree.Path("out"));
        Plant("out\\IMG_8.NEF.xmp", "someone else's edits");
    }

    // Skip leaves all three where they are.
    host.settings.TargetExistsOpt = TargetExistsPolicy::Skip;
    host.Run(true);
    EXPECT_EQ(host.Result(0), "Target file of a companion exists (IMG_8.NEF.xmp); skipped");
    EXPECT_EQ(host.Result(1), "Stays with its photo (IMG_8.NEF.xmp exists; skipped)");
    EXPECT_EQ(host.Result(2), "Target file exists; skipped");
    EXPECT_EQ(host.Target(2), tree.Path("out\\IMG_8.NEF.xmp"));
    EXPECT_EQ(FilesBelow(tree.Path("src\\")).size(), 3u);
    EXPECT_EQ(FilesBelow(tree.Path("out\\")),
              (std::map<std::string, std::string> {{"IMG_8.NEF.xmp", "someone else's edits"}}));

    // A folder where the raw would go fails the raw under Overwrite; its sidecar stays with it.
    RemoveTree(tree.Path("out"));
    ASSERT_TRUE(MakeFolders(tree.Path("out\\IMG_8.NEF")));
    host.settings.TargetExistsOpt = TargetExistsPolicy::Overwrite;
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1).rfind("Failure", 0), 0u) << host.Result(1);
    EXPECT_EQ(host.Result(2), kStays);
    EXPECT_EQ(host.Target(2), "");
    EXPECT_FALSE(Exists(tree.Path("out\\IMG_8.NEF.xmp")));
}

TEST_F(HygieneRunTest, ImportingAGroupAgainUnderRenameUnlessIdenticalLeavesItWhereItIs)
{
    host.settings.CompanionFiles = 1;
    host.settings.Mode = OrganizeMode::Modified;
    host.settings.CreateYearFolder = 0;
    host.settings.CreateMonthFolder = 0;
    host.settings.TargetExistsOpt = kIdentical;
    host.settings.SaveToLog = 1;
    host.settings.LogFile = tree.Path("log.txt");
    // Another photo of the name is there already: the first import numbers the group.
    Plant("out\\IMG_9.JPG", "another photo");
    const std::string jpg = Source("IMG_9.JPG", "the photo");
    const std::string xmp = Source("IMG_9.xmp", "its edits");
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("out\\IMG_9_1.JPG"));
    EXPECT_EQ(host.Target(1), tree.Path("out\\IMG_9_1.xmp"));

    // The second import finds the photo under its number: the whole group is there, even with
    // its sidecar edited since.
    ASSERT_TRUE(WriteText(xmp, "edited again"));
    host.Run(true);
    EXPECT_EQ(host.Result(0), kIdenticalResult);
    EXPECT_EQ(host.Target(0), tree.Path("out\\IMG_9_1.JPG"));
    EXPECT_EQ(host.Result(1), "Stays with its photo (identical photo exists; skipped)");
    EXPECT_EQ(host.Target(1), tree.Path("out\\IMG_9_1.xmp"));
    EXPECT_TRUE(Exists(jpg));
    EXPECT_EQ(ReadText(xmp), "edited again");
    EXPECT_EQ(FilesBelow(tree.Path("out\\")), (std::map<std::string, std::string> {
                                                      {"IMG_9.JPG", "another photo"},
                                                      {"IMG_9_1.JPG", "the photo"},
                                                      {"IMG_9_1.xmp", "its edits"},
                                              }));
    EXPECT_NE(ReadText(tree.Path("log.txt")).find("Stays with its photo (identical photo exists; skipped)"),
              std::string::npos);
}

TEST_F(HygieneRunTest, OverwriteNeverReplacesWhatTheRunPlacedAndThePreviewAgrees)
{
    host.settings.CompanionFiles = 1;
    host.settings.Mode = OrganizeMode::Modified;
    host.settings.CreateYearFolder = 0;
    host.settings.CreateMonthFolder = 0;
    host.settings.TargetExistsOpt = TargetExistsPolicy::Overwrite;
    Plant("out\\IMG_0001.JPG", "older photo");
    Plant("src\\camA\\IMG_0001.JPG", "camera A photo");
    Plant("src\\camA\\IMG_0001.XMP", "camera A edits");
    Plant("src\\camB\\IMG_0001.JPG", "camera B photo");
    Plant("src\\camB\\IMG_0001.XMP", "camera B edits");
    for (const char* name :
         {"camA\\IMG_0001.JPG", "camA\\IMG_0001.XMP", "camB\\IMG_0001.JPG", "camB\\IMG_0001.XMP"})
        host.AddRow(tree.Path(std::string("src\\") + name));
    const std::vector<std::string> targets {tree.Path("out\\IMG_0001.JPG"), tree.Path("out\\IMG_0001.XMP"),
                                            tree.Path("out\\IMG_0001_1.JPG"),
                                            tree.Path("out\\IMG_0001_1.XMP")};

    // The preview first: the same targets and results, and nothing changed.
    DryRunFileSystem preview;
    host.fileSystem = &preview;
    host.Run(true);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(host.Target(row), targets[static_cast<std::size_t>(row)]) << row;
        EXPECT_EQ(host.Result(row), "OK") << row;
    }
    EXPECT_EQ(FilesBelow(tree.Path("out\\")),
              (std::map<std::string, std::string> {{"IMG_0001.JPG", "older photo"}}));

    host.fileSystem = nullptr;
    host.Run(true);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(host.Target(row), targets[static_cast<std::size_t>(row)]) << row;
        EXPECT_EQ(host.Result(row), "OK") << row;
    }
    EXPECT_EQ(FilesBelow(tree.Path("out\\")), (std::map<std::string, std::string> {
                                                      {"IMG_0001.JPG", "camera A photo"},
                                                      {"IMG_0001.XMP", "camera A edits"},
                                                      {"IMG_0001_1.JPG", "camera B photo"},
                                                      {"IMG_0001_1.XMP", "camera B edits"},
                                              }));
}

TEST_F(HygieneRunTest, LivePhotoVideoAndRawFollowTheStillsDateAndName)
{
    host.settings.Mode = OrganizeMode::TakenElseModified;
    host.settings.CreateDayFolder = 1;
    host.settings.DayFolderFormat = "%D";
    host.settings.RenameTargetFileName = 1;
    host.settings.TargetFilenameFormat = "%Y%M%D_%H%I%S";
    Source("IMG_6.JPG", JpegTaken("2012:01:27 23:30:00"));
    // The video's own time is hours off, past midnight: a time-zone error.
    const std::string mov = Source("IMG_6.MOV", "not a movie anyone can read");
    ASSERT_TRUE(SetModifiedLocal(mov, 2012, 1, 28, 5, 30));
    Source("DSC_7.JPG", JpegTaken("2013:05:01 12:00:00"));
    const std::string nef = Source("DSC_7.NEF", "raw bytes");
    ASSERT_TRUE(SetModifiedLocal(nef, 2013, 5, 2, 9, 0));

    // Alone, each goes by its own file time (no metadata tool lies beside the test program, and a
    // lookup that cannot be made fails the row instead of falling back).
    host.settings.Mode = OrganizeMode::Modified;
    host.Run(false);
    EXPECT_EQ(host.Target(1), tree.Path("out\\2012\\2012_01\\28\\20120128_053000.MOV"));
    EXPECT_EQ(host.Target(3), tree.Path("out\\2013\\2013_05\\02\\20130502_090000.NEF"));

    host.settings.Mode = OrganizeMode::TakenElseModified;
    host.settings.CompanionFiles = 1;
    host.settings.CustomTargetFolder = tree.Path("paired");
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("paired\\2012\\2012_01\\27\\20120127_233000.JPG"));
    EXPECT_EQ(host.Target(1), tree.Path("paired\\2012\\2012_01\\27\\20120127_233000.MOV"));
    EXPECT_EQ(host.Target(2), tree.Path("paired\\2013\\2013_05\\01\\20130501_120000.JPG"));
    EXPECT_EQ(host.Target(3), tree.Path("paired\\2013\\2013_05\\01\\20130501_120000.NEF"));
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(host.Result(row), "OK") << row;
}

TEST_F(HygieneRunTest, NameDatesComeAfterTheCaptureDateAndBeforeTheFileTime)
{
    host.settings.Mode = OrganizeMode::TakenElseModified;
    host.settings.RenameTargetFileName = 1;
    host.settings.TargetFilenameFormat = "%Y%M%D_%H%I%S";
    // JPEG files without EXIF: read in-process, no metadata tool needed.
    const std::string named = Source("IMG_20200101_123456.jpeg", "no metadata");
    const std::string exif = Source("IMG_20200101_123456.jpg", JpegTaken("2012:01:27 10:46:15"));
    const std::string invalid = Source("IMG_20201301_123456.jpeg", "no metadata either");
    for (const auto& path : {named, exif, invalid})
        ASSERT_TRUE(SetModifiedLocal(path, 2009, 3, 14, 23, 30));

    // Off: the file time, as always.
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("out\\2009\\2009_03\\20090314_233000.jpeg"));
    EXPECT_EQ(host.Result(0), "OK");

    host.settings.NameDates = 1;
    host.settings.CustomTargetFolder = tree.Path("named");
    host.settings.SaveToLog = 1;
    host.settings.LogFile = tree.Path("log.txt");
    host.Run(false);
    EXPECT_EQ(host.Target(0), tree.Path("named\\2020\\2020_01\\20200101_123456.jpeg"));
    EXPECT_EQ(host.Result(0), "OK (date from file name)");
    EXPECT_EQ(host.Target(1), tree.Path("named\\2012\\2012_01\\20120127_104615.jpg"));
    EXPECT_EQ(host.Result(1), "OK");
    EXPECT_EQ(host.Target(2), tree.Path("named\\2009\\2009_03\\20090314_233000.jpeg"));
    EXPECT_EQ(host.Result(2), "OK");
    EXPECT_NE(ReadText(tree.Path("log.txt")).find("OK (date from file name)"), std::string::npos);

    // Mode 100 has no file time to fall back on, but reads the name of a file without a capture date.
    host.settings.Mode = OrganizeMode::Taken;
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK (date from file name)");
}
