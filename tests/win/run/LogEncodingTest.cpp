// The log in UTF-8: names in any script are written as they are, and a log that an older version
// wrote in the system's old code page is converted once, line by line, so the whole file reads in
// one encoding.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "engine/OperationLog.h"
#include "engine/PathUtils.h"
#include "base/Utf8Text.h"
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

UINT SystemCodePage()
{
    char digits[8] = "";
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits);
    return static_cast<UINT>(std::strtoul(digits, nullptr, 10));
}

class LogEncodingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the program's manifest sets UTF-8";
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
        source = tree.Path("src\\\xE6\x97\xA5\xE6\x9C\xAC.jpg");  // 日本.jpg
        ASSERT_TRUE(WriteText(source, JpegTaken("2012:01:27 10:00:00")));
        host.settings.OutputFolderType = 1;
        host.settings.CustomTargetFolder = tree.Path("out");
        host.settings.CreateYearFolder = 0;
        host.settings.CreateMonthFolder = 0;
        host.settings.CreateDayFolder = 0;
        host.settings.SaveToLog = 1;
        host.settings.LogFile =
                tree.Path("\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB.txt");  // журнал.txt
        host.AddRow(source);
    }

    TempTree tree;
    TestRunHost host;
    std::string source;
};

}  // namespace

TEST_F(LogEncodingTest, NamesAreLoggedInUtf8)
{
    host.Run(false);
    const std::string log = ReadText(host.settings.LogFile);
    EXPECT_TRUE(IsValidUtf8(log));
    EXPECT_NE(log.find("[Source] " + source + "\r\n[Target] " +
                       tree.Path("out\\\xE6\x97\xA5\xE6\x9C\xAC.jpg") + "\r\n[Copy] OK\r\n"),
              std::string::npos)
            << log;
}

TEST_F(LogEncodingTest, AnOldCodePageLogIsConvertedOnceBeforeTheRunAppends)
{
    if (SystemCodePage() != 1252)
        GTEST_SKIP() << "the old log is written in code page 1252; this system's is " << SystemCodePage();
    // A record this version wrote, then one an older version appended in code page 1252.
    const std::string utf8Record =
            "[Source] C:\\\xD0\xAF.jpg\r\n[Target] D:\\\xD0\xAF.jpg\r\n[Copy] OK\r\n\r\n";
    const std::string old =
            utf8Record +
            "[Source] C:\\caf\xE9.jpg\r\n[Target] D:\\\xC4pfel\\caf\xE9.jpg\r\n[Copy] OK\r\n\r\n";
    ASSERT_TRUE(WriteText(host.settings.LogFile, old));
    host.Run(false);
    const std::string log = ReadText(host.settings.LogFile);
    EXPECT_TRUE(IsValidUtf8(log));
    EXPECT_EQ(
            log.rfind(
                    utf8Record +
                            "[Source] C:\\caf\xC3\xA9.jpg\r\n[Target] D:\\\xC3\x84pfel\\caf\xC3\xA9.jpg\r\n",
                    0),
            0u)
            << log;
    EXPECT_NE(log.find("[Source] " + source), std::string::npos);
    // Nothing is left beside the log, and a log that is UTF-8 already is appended to as it is.
    EXPECT_EQ(FilesBelow(tree.Root()).count("~\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB.txt.qmpart"),
              0u);
    host.Run(false);
    const std::string again = ReadText(host.settings.LogFile);
    EXPECT_EQ(again.rfind(log, 0), 0u);
}

TEST_F(LogEncodingTest, APhotoNamedAsTheLogIsRefusedBeforeTheRunAndStaysAsItWas)
{
    const std::string photo = JpegTaken("2011:05:05 05:05:05");
    ASSERT_TRUE(WriteText(host.settings.LogFile, photo));
    host.Run(true);
    EXPECT_EQ(ReadText(host.settings.LogFile), photo);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, MessageKind::Warning);
    EXPECT_NE(host.messages[0].text.find("is not a log file of Quillmere"), std::string::npos)
            << host.messages[0].text;
    EXPECT_NE(host.messages[0].text.find(host.settings.LogFile), std::string::npos);
    // The run did not start: the photo was not moved, not even the output folder was made, no
    // progress window was shown.
    EXPECT_EQ(ReadText(source), JpegTaken("2012:01:27 10:00:00"));
    EXPECT_FALSE(Exists(tree.Path("out")));
    EXPECT_EQ(host.progressWindow, nullptr);
    EXPECT_EQ(host.savedCount, 0);
}

TEST_F(LogEncodingTest, OldCodePageTextThatIsNoLogIsNotConverted)
{
    const std::string notes = "Caf\xE9 opening times\r\n";
    ASSERT_TRUE(WriteText(host.settings.LogFile, notes));
    host.Run(false);
    EXPECT_EQ(ReadText(host.settings.LogFile), notes);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("is not a log file of Quillmere"), std::string::npos);
    EXPECT_EQ(FilesBelow(tree.Root()).count("out\\\xE6\x97\xA5\xE6\x9C\xAC.jpg"), 0u);
}

TEST_F(LogEncodingTest, AnEmptyFileIsUsedAsTheLog)
{
    ASSERT_TRUE(WriteText(host.settings.LogFile, ""));
    host.Run(false);
    EXPECT_TRUE(host.messages.empty());
    const std::string log = ReadText(host.settings.LogFile);
    EXPECT_EQ(log.rfind("This is a log file created by Quillmere.\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("[Source] " + source + "\r\n"), std::string::npos) << log;
}

TEST_F(LogEncodingTest, OpeningAFileThatIsNoLogChangesNothing)
{
    // Open judges the file again: it may have been replaced since the run checked it.
    const std::string photo = JpegTaken("2011:05:05 05:05:05");
    ASSERT_TRUE(WriteText(host.settings.LogFile, photo));
    OperationLog log;
    const Status opened = log.Open(host.settings.LogFile);
    ASSERT_FALSE(opened.Ok());
    EXPECT_EQ(opened.Kind(), FailureKind::Damaged);
    EXPECT_FALSE(log.IsOpen());
    log.Close();
    EXPECT_EQ(ReadText(host.settings.LogFile), photo);
    EXPECT_NE(opened.Reason().find("is not a log file of Quillmere"), std::string::npos);
    EXPECT_EQ(OperationLog::Check(host.settings.LogFile).Kind(), FailureKind::Damaged);
}

TEST_F(LogEncodingTest, ALogAnotherProgramHoldsWithoutSharingIsInUseAndStopsTheRun)
{
    ASSERT_TRUE(WriteText(host.settings.LogFile, ""));
    HANDLE held = CreateFileA(host.settings.LogFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    OperationLog log;
    const Status opened = log.Open(host.settings.LogFile);
    std::string why;
    ASSERT_TRUE(SystemErrorText(ERROR_SHARING_VIOLATION, why));
    EXPECT_FALSE(opened.Ok());
    EXPECT_EQ(opened.Kind(), FailureKind::InUse);
    EXPECT_EQ(opened.Code(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(opened.Reason(), "Quillmere keeps a log of its runs, as chosen in Options.\n"
                               "However, the program failed to create the following log file. " +
                                       why + "\n\n" + host.settings.LogFile);
    EXPECT_FALSE(log.IsOpen());
    // The run says so before it moves anything.
    host.Run(true);
    CloseHandle(held);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, opened.Reason());
    EXPECT_TRUE(Exists(source));
    EXPECT_EQ(ReadText(host.settings.LogFile), "");
}
