#include <gtest/gtest.h>

#include "metadata/VideoPosition.h"
#include "metadata/VideoTime.h"
#include "zones/Zones.h"

namespace {

std::int64_t Utc(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    return zones::SecondsOf(DateTime {year, month, day, hour, minute, second});
}

VideoPosition Parsed(const char* text)
{
    VideoPosition position {-1, -1};
    EXPECT_TRUE(ParseIso6709(text, position)) << text;
    return position;
}

TEST(Iso6709Test, DecimalDegreesWithAndWithoutAltitude)
{
    VideoPosition p = Parsed("+35.6895+139.6917/");
    EXPECT_DOUBLE_EQ(p.latitude, 35.6895);
    EXPECT_DOUBLE_EQ(p.longitude, 139.6917);
    p = Parsed("-33.8688+151.2093+012.345/");
    EXPECT_DOUBLE_EQ(p.latitude, -33.8688);
    EXPECT_DOUBLE_EQ(p.longitude, 151.2093);
    p = Parsed("+40.7128-074.0060-010/");
    EXPECT_DOUBLE_EQ(p.longitude, -74.0060);
    p = Parsed("+52-013");  // whole degrees, no closing slash
    EXPECT_DOUBLE_EQ(p.latitude, 52);
    EXPECT_DOUBLE_EQ(p.longitude, -13);
    p = Parsed("+35.6895+139.6917+40CRSWGS_84/");
    EXPECT_DOUBLE_EQ(p.latitude, 35.6895);
}

TEST(Iso6709Test, MinutesAndSeconds)
{
    VideoPosition p = Parsed("+3541.37+13941.50/");
    EXPECT_NEAR(p.latitude, 35 + 41.37 / 60, 1e-9);
    EXPECT_NEAR(p.longitude, 139 + 41.5 / 60, 1e-9);
    p = Parsed("-354122.5-1394130/");
    EXPECT_NEAR(p.latitude, -(35 + 41 / 60.0 + 22.5 / 3600), 1e-9);
    EXPECT_NEAR(p.longitude, -(139 + 41 / 60.0 + 30 / 3600.0), 1e-9);
}

TEST(Iso6709Test, RefusesOtherTexts)
{
    for (const char* text : {"", "/", "35.6895+139.6917/", "+35.6895 139.6917/", "+35.6895+139.6917/x",
                             "+356.895+139.6917/", "+35.6895+39.6917/", "+35.+139.6917/", "+3560.0+13941.5/",
                             "+354160+1394130/", "+91.0+010.0/", "-90.5+010.0/", "+45.0+180.5/",
                             "+45.0-181.0/", "+35.6895+139.6917+/", "+35.6895+139.6917CRS", "+35.6895"}) {
        VideoPosition p {7, 8};
        EXPECT_FALSE(ParseIso6709(text, p)) << text;
        EXPECT_EQ(p.latitude, 7) << text;
        EXPECT_EQ(p.longitude, 8) << text;
    }
    // The range's own ends are positions.
    EXPECT_DOUBLE_EQ(Parsed("+90.0-180.0/").latitude, 90);
    EXPECT_DOUBLE_EQ(Parsed("-90.0+180.0/").longitude, 180);
}

TEST(RecordedOffsetTest, ReadsEachSignHalfHoursAndUtc)
{
    int offset = 1;
    ASSERT_TRUE(RecordedOffset("2019:07:15 06:00:00+09:00", offset));
    EXPECT_EQ(offset, 9 * 3600);
    ASSERT_TRUE(RecordedOffset("2019:07:15 06:00:00-03:30", offset));
    EXPECT_EQ(offset, -(3 * 3600 + 30 * 60));
    ASSERT_TRUE(RecordedOffset("2019:07:15 06:00:00+0545", offset));
    EXPECT_EQ(offset, 5 * 3600 + 45 * 60);
    ASSERT_TRUE(RecordedOffset("2019:07:15 06:00+05:30", offset));  // no seconds
    EXPECT_EQ(offset, 5 * 3600 + 30 * 60);
    ASSERT_TRUE(RecordedOffset("2019:07:15 06:00:00.123-12:00", offset));
    EXPECT_EQ(offset, -12 * 3600);
    ASSERT_TRUE(RecordedOffset("2019:07:15 06:00:00+14:00", offset));
    EXPECT_EQ(offset, 14 * 3600);
    ASSERT_TRUE(RecordedOffset("2019:07:15 06:00:00Z", offset));
    EXPECT_EQ(offset, 0);
}

TEST(RecordedOffsetTest, RefusesTextsWithoutAZone)
{
    for (const char* text :
         {"", "Z", "2019:07:15 06:00:00", "2019:07:15 06:00:00+09", "2019:07:15 06:00:00+09:60",
          "2019:07:15 06:00:00+14:01", "2019:07:15 06:00:00-12:30", "2019:07:15 06:00:00 09:00",
          "2019:07:15 06:00:00*0900", "+09:00", "2019:07:15 06:00:00+9:00", "2019:07:15 06:00:0Z:",
          "20190715", "2019:07:15 06:00:00 Z", "2019:07:15 06:00:00 +09:00", "offset+09:00", "offset+0900"}) {
        int offset = 77;
        EXPECT_FALSE(RecordedOffset(text, offset)) << text;
        EXPECT_EQ(offset, 77) << text;
    }
}

TEST(OffsetTextTest, SignsAndMinutes)
{
    EXPECT_EQ(OffsetText(9 * 3600), "+09:00");
    EXPECT_EQ(OffsetText(-(3 * 3600 + 30 * 60)), "-03:30");
    EXPECT_EQ(OffsetText(5 * 3600 + 45 * 60), "+05:45");
    EXPECT_EQ(OffsetText(0), "+00:00");
}

TEST(VideoLocalTimeTest, TheRecordedOffsetWinsOverThePosition)
{
    VideoTime time;
    // Recorded +05:30 while the position lies in Tokyo: the file's own offset decides.
    ASSERT_TRUE(
            VideoLocalTime(Utc(2019, 7, 14, 20, 0), "2019:07:15 01:30:00+05:30", "+35.6895+139.6917/", time));
    EXPECT_EQ(time.local, (DateTime {2019, 7, 15, 1, 30, 0}));
    EXPECT_EQ(time.note, "+05:30 recorded by the phone");
    ASSERT_TRUE(VideoLocalTime(Utc(2020, 1, 1, 2, 0), "2019:12:31 22:30:00-03:30", "", time));
    EXPECT_EQ(time.local, (DateTime {2019, 12, 31, 22, 30, 0}));
    EXPECT_EQ(time.note, "-03:30 recorded by the phone");
}

TEST(VideoLocalTimeTest, ThePositionsZoneWithItsRulesOfThatDate)
{
    VideoTime time;
    ASSERT_TRUE(VideoLocalTime(Utc(2019, 7, 14, 21, 0), "", "+35.6895+139.6917/", time));
    EXPECT_EQ(time.local, (DateTime {2019, 7, 15, 6, 0, 0}));
    EXPECT_EQ(time.note, "Asia/Tokyo from the GPS position");
    // Sydney in January (summer, +11) and July (+10).
    ASSERT_TRUE(VideoLocalTime(Utc(2019, 1, 15, 13, 30), "", "-33.8688+151.2093/", time));
    EXPECT_EQ(time.local, (DateTime {2019, 1, 16, 0, 30, 0}));
    ASSERT_TRUE(VideoLocalTime(Utc(2019, 7, 15, 13, 30), "", "-33.8688+151.2093/", time));
    EXPECT_EQ(time.local, (DateTime {2019, 7, 15, 23, 30, 0}));
    // Moscow in 2013 kept +04:00 all year.
    ASSERT_TRUE(VideoLocalTime(Utc(2013, 1, 15, 20, 30), "", "+55.7558+037.6173/", time));
    EXPECT_EQ(time.local, (DateTime {2013, 1, 16, 0, 30, 0}));
    EXPECT_EQ(time.note, "Europe/Moscow from the GPS position");
    // A text that is no position, an offset that is none: the position still decides.
    ASSERT_TRUE(VideoLocalTime(Utc(2019, 7, 14, 21, 0), "2019:07:15 06:00:00", "+35.6895+139.6917/", time));
    EXPECT_EQ(time.note, "Asia/Tokyo from the GPS position");
}

TEST(VideoLocalTimeTest, NoPlaceLeavesTheComputersZone)
{
    VideoTime time;
    time.note = "untouched";
    EXPECT_FALSE(VideoLocalTime(Utc(2019, 7, 14, 21, 0), "", "", time));
    EXPECT_FALSE(VideoLocalTime(Utc(2019, 7, 14, 21, 0), "", "+00.0000+000.0000/", time));  // 0,0
    EXPECT_FALSE(VideoLocalTime(Utc(2019, 7, 14, 21, 0), "", "+30.0000-040.0000/", time));  // at sea
    EXPECT_FALSE(VideoLocalTime(Utc(2019, 7, 14, 21, 0), "", "not a position", time));
    EXPECT_EQ(time.note, "untouched");
    EXPECT_EQ(ComputerZoneNote("W. Europe Standard Time"), "W. Europe Standard Time: this computer's zone");
    EXPECT_EQ(ComputerZoneNote(""), "this computer's zone");
}

}  // namespace
