// A network share (\\server\share, which the test wrapper makes on this machine) as the source
// and the output folder of a run: folders are made at every level below the share root.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "engine/PathUtils.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/run/TestRunHost.h"

namespace {

std::string JpegTaken(const std::string& date)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Sub(0x8769, exif);
    const auto bytes = qmtest::MinimalJpeg(ifd0);
    return std::string(bytes.begin(), bytes.end());
}

class NetworkShareTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* share = std::getenv("QM_TEST_SHARE");
        if (share == nullptr || *share == '\0')
            GTEST_SKIP() << "no network share: run through with_test_drives.sh";
        root = std::string(share) + "t" + std::to_string(GetCurrentProcessId()) + "\\";
        RemoveTree(root);
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr)) << root << " error " << GetLastError();
    }

    void TearDown() override
    {
        if (!root.empty())
            RemoveTree(root);
    }

    std::string root;  // a fresh folder on the share, with its trailing backslash
};

}  // namespace

TEST_F(NetworkShareTest, FoldersAreMadeAtEveryLevelBelowTheShare)
{
    const std::string share = std::getenv("QM_TEST_SHARE");
    EXPECT_TRUE(EnsureFolder(share, true));
    EXPECT_TRUE(EnsureFolder(share.substr(0, share.size() - 1), true));  // without its backslash
    const std::string deep = root + "2012\\2012_01\\27\\";
    EXPECT_TRUE(EnsureFolder(deep, true)) << GetLastError();
    EXPECT_TRUE(FolderExists(root + "2012"));
    EXPECT_TRUE(FolderExists(root + "2012\\2012_01"));
    EXPECT_TRUE(FolderExists(deep));

    // A share is never made: one that is not there fails the walk, and nothing is created.
    SetLastError(0);
    EXPECT_FALSE(EnsureFolder("\\\\localhost\\qm-no-such-share\\a\\", true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_NETPATH));
    EXPECT_FALSE(FolderExists("\\\\localhost\\qm-no-such-share"));
}

TEST_F(NetworkShareTest, ARunTakesItsFilesFromAShareAndPutsThemIntoNewFoldersOnAShare)
{
    ASSERT_TRUE(CreateDirectoryA((root + "src").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((root + "src\\\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE").c_str(), nullptr));
    const std::string a = root + "src\\\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE\\\xE6\x97\xA5\xE6\x9C\xAC.jpg";
    const std::string b = root + "src\\b.jpg";
    ASSERT_TRUE(WriteText(a, JpegTaken("2012:01:27 10:00:00")));
    ASSERT_TRUE(WriteText(b, JpegTaken("2013:11:03 08:30:00")));
    // A local file moved onto the share, too.
    TempTree local;
    const std::string c = local.Path("c.jpg");
    ASSERT_TRUE(WriteText(c, JpegTaken("2014:05:06 07:08:09")));

    TestRunHost host;
    host.settings.OutputFolderType = 1;
    host.settings.CustomTargetFolder = root + "out\\library";
    host.settings.CreateYearFolder = 1;
    host.settings.CreateMonthFolder = 1;
    host.settings.CreateDayFolder = 1;
    host.settings.MonthFolderFormat = "%Y_%M";
    host.settings.DayFolderFormat = "%D";
    for (const std::string& path : {a, b, c})
        host.AddRow(path);
    host.Run(true);
    EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
    const std::string out = root + "out\\library\\";
    const std::string expected[] = {out + "2012\\2012_01\\27\\\xE6\x97\xA5\xE6\x9C\xAC.jpg",
                                    out + "2013\\2013_11\\03\\b.jpg", out + "2014\\2014_05\\06\\c.jpg"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(host.Result(row), "OK") << row;
        EXPECT_EQ(host.Target(row), expected[row]);
        EXPECT_TRUE(Exists(expected[row])) << expected[row];
    }
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));
    EXPECT_FALSE(Exists(c));
}
