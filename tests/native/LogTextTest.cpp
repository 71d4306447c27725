// The operation log's texts, byte for byte.
#include <gtest/gtest.h>

#include "engine/LogText.h"

namespace {
const std::string kRule(67, '=');
const LogTime kFriday {2012, 1, 27, 5, 10, 46, 15};

// The log record of a row that ended with result (verb "Move" or "Copy").
std::string Record(const std::string& source, const std::string& target, const std::string& verb,
                   const std::string& result)
{
    RunRecord record;
    record.source = source;
    record.target = target;
    record.move = verb == "Move";
    record.result = {RowOutcome::Done, result};
    return LogRecord(record);
}
}  // namespace

TEST(LogText, TimeHasEnglishNamesTwoDigitDayAnd24HourClock)
{
    EXPECT_EQ(FormatLogTime(kFriday), "Friday, 27 January 2012 10:46:15");
    EXPECT_EQ(FormatLogTime({2009, 12, 3, 0, 0, 5, 9}), "Sunday, 03 December 2009 00:05:09");
    EXPECT_EQ(FormatLogTime({2010, 6, 30, 3, 23, 59, 59}), "Wednesday, 30 June 2010 23:59:59");
}

TEST(LogText, HeaderIntroOnlyForAnEmptyFile)
{
    EXPECT_EQ(LogHeader(true, kFriday), "This is a log file created by Quillmere.\r\n\r\n" + kRule +
                                                "\r\nStart at: Friday, 27 January 2012 10:46:15\r\n\r\n");
    EXPECT_EQ(LogHeader(false, kFriday), kRule + "\r\nStart at: Friday, 27 January 2012 10:46:15\r\n\r\n");
}

TEST(LogText, RecordAndFooter)
{
    EXPECT_EQ(Record("C:\\Pics\\IMG_1.JPG", "D:\\Out\\2012\\2012_01\\IMG_1.JPG", "Move", "OK"),
              "[Source] C:\\Pics\\IMG_1.JPG\r\n[Target] D:\\Out\\2012\\2012_01\\IMG_1.JPG\r\n[Move] "
              "OK\r\n\r\n");
    EXPECT_EQ(Record("C:\\a", "", "Copy", "No file extension"),
              "[Source] C:\\a\r\n[Target] \r\n[Copy] No file extension\r\n\r\n");
    EXPECT_EQ(LogFooter(kFriday), "Finish at: Friday, 27 January 2012 10:46:15\r\n" + kRule + "\r\n\r\n\r\n");
}

TEST(LogText, WhatTheProgramWritesIsALog)
{
    const std::string run = LogHeader(true, kFriday) +
                            Record("C:\\caf\xE9.jpg", "D:\\Out\\caf\xE9.jpg", "Move", "OK") +
                            Record("C:\\b", "", "Copy", "Failed. Access is denied.") + LogFooter(kFriday);
    EXPECT_TRUE(IsLogText("", true));
    EXPECT_TRUE(IsLogText(run, true));
    EXPECT_TRUE(IsLogText(run + LogHeader(false, kFriday), true));
    // Lines in the old code page, and in UTF-8.
    EXPECT_TRUE(
            IsLogText("[Source] C:\\\xD0\xAF.jpg\r\n[Target] D:\\caf\xE9.jpg\r\n[Copy] OK\r\n\r\n", true));
}

TEST(LogText, ALastLineCutShortIsStillALog)
{
    const std::string run = LogHeader(true, kFriday) + Record("C:\\a.jpg", "D:\\a.jpg", "Copy", "OK");
    for (std::size_t cut = 1; cut <= run.size(); ++cut)
        EXPECT_TRUE(IsLogText(run.substr(0, cut), true)) << run.substr(0, cut);
}

TEST(LogText, OtherFilesAreNoLog)
{
    // A photo: bytes below the space that text has not.
    EXPECT_FALSE(IsLogText(std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11), true));
    EXPECT_FALSE(IsLogText("[Source] C:\\a\x01.jpg\r\n", true));
    // Text, but not the log's lines.
    EXPECT_FALSE(IsLogText("Shopping list\r\n", true));
    EXPECT_FALSE(IsLogText("Shopping", true));
    EXPECT_FALSE(IsLogText(Record("C:\\a", "D:\\a", "Copy", "OK") + "notes\r\n", true));
    EXPECT_FALSE(IsLogText("This is a log file created by Quillmere. Or not.\r\n", true));
    EXPECT_FALSE(IsLogText(std::string(66, '=') + "\r\n", true));
    EXPECT_FALSE(IsLogText("[Sourced] C:\\a\r\n", true));
}

TEST(LogText, OnlyTheWholeFileHasItsLastLineJudged)
{
    // The beginning of a large log ends in the middle of a line, whatever that line is.
    const std::string head = Record("C:\\a.jpg", "D:\\a.jpg", "Copy", "OK") + "[Sour";
    EXPECT_TRUE(IsLogText(head + "ce] C:\\", false));
    EXPECT_TRUE(IsLogText(Record("C:\\a", "D:\\a", "Copy", "OK") + "cut in the mid", false));
    EXPECT_FALSE(IsLogText(Record("C:\\a", "D:\\a", "Copy", "OK") + "cut in the mid", true));
    EXPECT_FALSE(IsLogText("notes\r\n[Source] C:\\a", false));
}
