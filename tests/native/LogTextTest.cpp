// The operation log's texts, byte for byte.
#include <gtest/gtest.h>

#include "engine/LogText.h"

namespace {
const std::string kRule(67, '=');
const LogTime kFriday {2012, 1, 27, 5, 10, 46, 15};
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
    EXPECT_EQ(LogRecord("C:\\Pics\\IMG_1.JPG", "D:\\Out\\2012\\2012_01\\IMG_1.JPG", "Move", "OK"),
              "[Source] C:\\Pics\\IMG_1.JPG\r\n[Target] D:\\Out\\2012\\2012_01\\IMG_1.JPG\r\n[Move] "
              "OK\r\n\r\n");
    EXPECT_EQ(LogRecord("C:\\a", "", "Copy", "No file extension"),
              "[Source] C:\\a\r\n[Target] \r\n[Copy] No file extension\r\n\r\n");
    EXPECT_EQ(LogFooter(kFriday), "Finish at: Friday, 27 January 2012 10:46:15\r\n" + kRule + "\r\n\r\n\r\n");
}
