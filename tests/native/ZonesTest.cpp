#include "zones/Zones.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

std::int64_t Utc(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    return zones::SecondsOf(DateTime {year, month, day, hour, minute, second});
}

std::int32_t Offset(const char* zone, std::int64_t utc)
{
    std::int32_t offset = -1;
    EXPECT_TRUE(zones::OffsetAt(zone, utc, offset)) << zone;
    return offset;
}

TEST(ZoneAtTest, NamesTheZoneOfCitiesOnEveryContinent)
{
    EXPECT_EQ(zones::ZoneAt(35.6895, 139.6917), "Asia/Tokyo");
    EXPECT_EQ(zones::ZoneAt(52.52, 13.405), "Europe/Berlin");
    EXPECT_EQ(zones::ZoneAt(40.7128, -74.0060), "America/New_York");
    EXPECT_EQ(zones::ZoneAt(-33.8688, 151.2093), "Australia/Sydney");
    EXPECT_EQ(zones::ZoneAt(-23.5505, -46.6333), "America/Sao_Paulo");
    EXPECT_EQ(zones::ZoneAt(27.7172, 85.3240), "Asia/Kathmandu");
    EXPECT_EQ(zones::ZoneAt(19.0760, 72.8777), "Asia/Kolkata");
    EXPECT_EQ(zones::ZoneAt(47.5615, -52.7126), "America/St_Johns");
    EXPECT_EQ(zones::ZoneAt(55.7558, 37.6173), "Europe/Moscow");
    EXPECT_EQ(zones::ZoneAt(-36.8485, 174.7633), "Pacific/Auckland");
    EXPECT_EQ(zones::ZoneAt(-33.9249, 18.4241), "Africa/Johannesburg");
    EXPECT_EQ(zones::ZoneAt(51.5074, -0.1278), "Europe/London");
}

TEST(ZoneAtTest, NeighboursAcrossABorderGetTheirOwnZones)
{
    // Strasbourg and Kehl, either side of the Rhine, share a zone; Tijuana and San Diego too,
    // while El Paso (Mountain) and Ciudad Juarez differ from Chicago.
    EXPECT_EQ(zones::ZoneAt(48.5734, 7.7521), "Europe/Paris");
    EXPECT_EQ(zones::ZoneAt(48.5800, 7.8150), "Europe/Berlin");
    EXPECT_EQ(zones::ZoneAt(41.8781, -87.6298), "America/Chicago");
    EXPECT_EQ(zones::ZoneAt(31.7619, -106.4850), "America/Denver");
}

TEST(ZoneAtTest, TheSeaAndAPositionNeverSetAreNoPlace)
{
    EXPECT_EQ(zones::ZoneAt(30.0, -40.0), "");  // mid-Atlantic
    EXPECT_EQ(zones::ZoneAt(-40.0, -120.0), "");  // South Pacific
    EXPECT_EQ(zones::ZoneAt(0.0, 0.0), "");  // a camera's empty position
    // Near 0,0 but not it: still the Gulf of Guinea, at sea.
    EXPECT_EQ(zones::ZoneAt(0.001, 0.0), "");
    // 0,0 is no place, yet a position on the equator or the prime meridian on land is.
    EXPECT_EQ(zones::ZoneAt(0.0, 32.58), "Africa/Kampala");
    EXPECT_EQ(zones::ZoneAt(51.4779, 0.0), "Europe/London");
}

TEST(ZoneAtTest, ValuesOutOfRangeAreNoPlace)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(zones::ZoneAt(nan, 10.0), "");
    EXPECT_EQ(zones::ZoneAt(50.0, nan), "");
    EXPECT_EQ(zones::ZoneAt(90.5, 10.0), "");
    EXPECT_EQ(zones::ZoneAt(-90.5, 10.0), "");
    EXPECT_EQ(zones::ZoneAt(50.0, 180.5), "");
    EXPECT_EQ(zones::ZoneAt(50.0, -180.5), "");
    // The pole itself is no place, though the data's cells below it hold land zones.
    EXPECT_EQ(zones::ZoneAt(90.0, 0.0), "");
    EXPECT_EQ(zones::ZoneAt(90.0, -15.0), "");
    EXPECT_EQ(zones::ZoneAt(89.99, -15.0), "America/Nuuk");
    // The range's own ends are positions: the date line and the South Pole's station.
    EXPECT_NE(zones::ZoneAt(-90.0, 0.0), "");
    EXPECT_EQ(zones::ZoneAt(65.0, -180.0), zones::ZoneAt(65.0, 180.0));
}

TEST(OffsetAtTest, SummerTimeInBothHemispheres)
{
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2019, 7, 15, 12)), 7200);
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2019, 1, 15, 12)), 3600);
    EXPECT_EQ(Offset("Australia/Sydney", Utc(2019, 1, 15, 12)), 11 * 3600);
    EXPECT_EQ(Offset("Australia/Sydney", Utc(2019, 7, 15, 12)), 10 * 3600);
    EXPECT_EQ(Offset("America/Sao_Paulo", Utc(2018, 1, 15, 12)), -2 * 3600);  // summer time then
    EXPECT_EQ(Offset("America/Sao_Paulo", Utc(2020, 1, 15, 12)), -3 * 3600);  // abolished in 2019
    EXPECT_EQ(Offset("Asia/Tokyo", Utc(2019, 7, 15, 12)), 9 * 3600);
    // Negative summer time: Irish standard time is the summer one.
    EXPECT_EQ(Offset("Europe/Dublin", Utc(2019, 7, 15, 12)), 3600);
    EXPECT_EQ(Offset("Europe/Dublin", Utc(2019, 1, 15, 12)), 0);
}

TEST(OffsetAtTest, ChangesAtTheExactSecond)
{
    // 2019-03-31 01:00 UTC Berlin went to summer time; 2019-10-27 01:00 UTC back.
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2019, 3, 31, 0, 59, 59)), 3600);
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2019, 3, 31, 1)), 7200);
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2019, 10, 27, 0, 59, 59)), 7200);
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2019, 10, 27, 1)), 3600);
    // New York: the second Sunday of March at 2:00 local (07:00 UTC), the first of November at
    // 2:00 summer time (06:00 UTC).
    EXPECT_EQ(Offset("America/New_York", Utc(2021, 3, 14, 6, 59, 59)), -5 * 3600);
    EXPECT_EQ(Offset("America/New_York", Utc(2021, 3, 14, 7)), -4 * 3600);
    EXPECT_EQ(Offset("America/New_York", Utc(2021, 11, 7, 5, 59, 59)), -4 * 3600);
    EXPECT_EQ(Offset("America/New_York", Utc(2021, 11, 7, 6)), -5 * 3600);
}

TEST(OffsetAtTest, RulesOfTheFarFuture)
{
    // Beyond the listed changes the zone's rule decides. March 2050 has four Sundays, so its
    // "last Sunday" (the rule's fifth week) steps back to the 27th.
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2050, 3, 27, 0, 59, 59)), 3600);  // last Sunday: the 27th
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2050, 3, 27, 1)), 7200);
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2050, 10, 30, 0, 59, 59)), 7200);
    EXPECT_EQ(Offset("Europe/Berlin", Utc(2050, 10, 30, 1)), 3600);
    EXPECT_EQ(Offset("America/New_York", Utc(2040, 3, 11, 6, 59, 59)), -5 * 3600);
    EXPECT_EQ(Offset("America/New_York", Utc(2040, 3, 11, 7)), -4 * 3600);
    // Southern summer spans the year's end.
    EXPECT_EQ(Offset("Australia/Sydney", Utc(2050, 12, 31, 23)), 11 * 3600);
    EXPECT_EQ(Offset("Australia/Sydney", Utc(2050, 1, 1, 0)), 11 * 3600);
    EXPECT_EQ(Offset("Australia/Sydney", Utc(2050, 7, 1, 0)), 10 * 3600);
}

TEST(OffsetAtTest, HistoricalChanges)
{
    // Moscow: summer time until 2010, a year-round +04:00 from 2011 to October 2014, then +03:00.
    EXPECT_EQ(Offset("Europe/Moscow", Utc(2010, 1, 15, 12)), 3 * 3600);
    EXPECT_EQ(Offset("Europe/Moscow", Utc(2010, 7, 15, 12)), 4 * 3600);
    EXPECT_EQ(Offset("Europe/Moscow", Utc(2013, 1, 15, 12)), 4 * 3600);
    EXPECT_EQ(Offset("Europe/Moscow", Utc(2013, 7, 15, 12)), 4 * 3600);
    EXPECT_EQ(Offset("Europe/Moscow", Utc(2014, 10, 25, 21, 59, 59)), 4 * 3600);
    EXPECT_EQ(Offset("Europe/Moscow", Utc(2014, 10, 25, 22)), 3 * 3600);
    EXPECT_EQ(Offset("Europe/Moscow", Utc(2019, 7, 15, 12)), 3 * 3600);
    // Before the first change a zone keeps its first (local mean) time.
    EXPECT_EQ(Offset("Europe/Berlin", Utc(1850, 1, 1, 0)), 53 * 60 + 28);
}

TEST(OffsetAtTest, OddOffsetsAndLinkedNames)
{
    EXPECT_EQ(Offset("Asia/Kathmandu", Utc(2019, 7, 15, 12)), 5 * 3600 + 45 * 60);
    EXPECT_EQ(Offset("Asia/Kolkata", Utc(2019, 7, 15, 12)), 5 * 3600 + 30 * 60);
    EXPECT_EQ(Offset("America/St_Johns", Utc(2019, 1, 15, 12)), -(3 * 3600 + 30 * 60));
    EXPECT_EQ(Offset("America/St_Johns", Utc(2019, 7, 15, 12)), -(2 * 3600 + 30 * 60));
    // Old names stay known.
    EXPECT_EQ(Offset("Asia/Calcutta", Utc(2019, 7, 15, 12)), 5 * 3600 + 30 * 60);
    EXPECT_EQ(Offset("Europe/Kiev", Utc(2019, 7, 15, 12)), 3 * 3600);
    EXPECT_EQ(Offset("UTC", Utc(2019, 7, 15, 12)), 0);
}

TEST(OffsetAtTest, UnknownNamesAreRefused)
{
    std::int32_t offset = 12345;
    EXPECT_FALSE(zones::OffsetAt("Mars/Olympus_Mons", 0, offset));
    EXPECT_FALSE(zones::OffsetAt("", 0, offset));
    EXPECT_FALSE(zones::OffsetAt("Europe/Berli", 0, offset));
    EXPECT_FALSE(zones::OffsetAt("Europe/Berlinx", 0, offset));
    EXPECT_EQ(offset, 12345);
}

TEST(LocalTimeAtTest, ThePlacesCalendarTime)
{
    zones::PlaceTime time;
    // 2019-07-14 21:30 UTC is the next morning in Tokyo.
    ASSERT_TRUE(zones::LocalTimeAt(Utc(2019, 7, 14, 21, 30), 35.6895, 139.6917, time));
    EXPECT_EQ(time.zone, "Asia/Tokyo");
    EXPECT_EQ(time.offsetSeconds, 9 * 3600);
    EXPECT_EQ(time.local, (DateTime {2019, 7, 15, 6, 30, 0}));
    // New Year's Eve in New York is already the new year in UTC.
    ASSERT_TRUE(zones::LocalTimeAt(Utc(2020, 1, 1, 4, 59, 59), 40.7128, -74.0060, time));
    EXPECT_EQ(time.local, (DateTime {2019, 12, 31, 23, 59, 59}));
    EXPECT_FALSE(zones::LocalTimeAt(Utc(2020, 1, 1, 4), 30.0, -40.0, time));
    EXPECT_FALSE(zones::LocalTimeAt(Utc(2020, 1, 1, 4), 0.0, 0.0, time));
}

TEST(CalendarTest, RoundTripsAcrossCenturiesAndLeapDays)
{
    EXPECT_EQ(zones::CalendarOf(0), (DateTime {1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(zones::CalendarOf(-1), (DateTime {1969, 12, 31, 23, 59, 59}));
    EXPECT_EQ(zones::CalendarOf(951782400), (DateTime {2000, 2, 29, 0, 0, 0}));
    EXPECT_EQ(zones::SecondsOf(DateTime {2000, 3, 1, 0, 0, 0}), 951868800);
    EXPECT_EQ(zones::SecondsOf(DateTime {1904, 1, 1, 0, 0, 0}), -2082844800);
    for (std::int64_t t = -5000000000LL; t < 9000000000LL; t += 86399 * 37 + 17)
        ASSERT_EQ(zones::SecondsOf(zones::CalendarOf(t)), t);
}

TEST(ZoneDataTest, NamesItsVersionsAndSize)
{
    EXPECT_STREQ(zones::RulesVersion(), "2025b");
    EXPECT_STREQ(zones::PositionsVersion(), "11.8.0");
    EXPECT_GT(zones::TableBytes(), 100000u);
    EXPECT_LT(zones::TableBytes(), 1000000u);
}

}  // namespace
