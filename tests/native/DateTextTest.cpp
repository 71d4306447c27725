#include "metadata/DateText.h"

#include <gtest/gtest.h>

namespace {

void ExpectDate(const DateTime& d, int y, int mo, int da, int h, int mi, int s)
{
    EXPECT_EQ(d.year, y);
    EXPECT_EQ(d.month, mo);
    EXPECT_EQ(d.day, da);
    EXPECT_EQ(d.hour, h);
    EXPECT_EQ(d.minute, mi);
    EXPECT_EQ(d.second, s);
}

TEST(DateText, ExifForm)
{
    DateTime d;
    ASSERT_TRUE(ParseDateText("2010:07:15 14:03:09", d));
    ExpectDate(d, 2010, 7, 15, 14, 3, 9);
}

TEST(DateText, FractionsAndTimeZoneIgnored)
{
    DateTime d;
    ASSERT_TRUE(ParseDateText("2021:12:31 23:59:58.123+02:00", d));
    ExpectDate(d, 2021, 12, 31, 23, 59, 58);
}

TEST(DateText, MidnightIsValid)
{
    DateTime d;
    ASSERT_TRUE(ParseDateText("2009:01:02 00:00:00", d));
    ExpectDate(d, 2009, 1, 2, 0, 0, 0);
}

TEST(DateText, ZerosOfYearMonthDayFail)
{
    DateTime d {1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(ParseDateText("0000:00:00 00:00:00", d));
    EXPECT_FALSE(ParseDateText("2010:00:15 14:03:09", d));
    EXPECT_FALSE(ParseDateText("2010:07:00 14:03:09", d));
    ExpectDate(d, 1, 2, 3, 4, 5, 6);  // untouched on failure
}

TEST(DateText, MissingPartsFail)
{
    DateTime d;
    EXPECT_FALSE(ParseDateText("", d));
    EXPECT_FALSE(ParseDateText("    ", d));
    EXPECT_FALSE(ParseDateText("2010", d));
    EXPECT_FALSE(ParseDateText("2010:07", d));
    EXPECT_FALSE(ParseDateText("2010:07:15", d));  // no time part
    EXPECT_FALSE(ParseDateText("2010:07:15T14:03:09", d));  // no space after the day
    EXPECT_FALSE(ParseDateText("2010:07:15 14", d));
    EXPECT_FALSE(ParseDateText("2010:07:15 14:03", d));
    EXPECT_FALSE(ParseDateText("abc:07:15 14:03:09", d));
}

TEST(DateText, NumbersReadLikeDecimalPrefixes)
{
    DateTime d;
    ASSERT_TRUE(ParseDateText("  +2010: 7:-3 x:03:9s", d));
    ExpectDate(d, 2010, 7, -3, 0, 3, 9);  // no range checks; no digits read as 0
}

TEST(DateText, ValuesOutOfRangeTakenAsTheyStand)
{
    DateTime d;
    ASSERT_TRUE(ParseDateText("2010:13:45 25:61:99", d));
    ExpectDate(d, 2010, 13, 45, 25, 61, 99);
}

TEST(DateText, OtherSeparatorsAfterTheYearAreSkipped)
{
    DateTime d;
    // The month follows the first colon of the whole text: here 03, the day 09, and then no
    // space is left for the time part.
    EXPECT_FALSE(ParseDateText("2010-07-15 14:03:09", d));
    ASSERT_TRUE(ParseDateText("2010-07-15 14:03:09 1:2:3", d));
    ExpectDate(d, 2010, 3, 9, 1, 2, 3);
}

TEST(DateText, NumberTooLargeFails)
{
    DateTime d;
    EXPECT_FALSE(ParseDateText("99999999999:07:15 14:03:09", d));
    EXPECT_FALSE(ParseDateText("2010:07:15 14:03:99999999999999999999", d));
    ASSERT_TRUE(ParseDateText("2147483647:07:15 14:03:09", d));
    EXPECT_EQ(d.year, 2147483647);
    ASSERT_TRUE(ParseDateText("-2147483648:07:15 14:03:09", d));
    EXPECT_EQ(d.year, -2147483647 - 1);
}

TEST(DateText, NotTerminatedView)
{
    const char text[] = "2010:07:15 14:03:0912345";
    DateTime d;
    ASSERT_TRUE(ParseDateText(std::string_view(text, 19), d));
    EXPECT_EQ(d.second, 9);
}

}  // namespace
