#include <gtest/gtest.h>

#include <functional>

#include "engine/FileTimeDate.h"

namespace {

// 100-nanosecond units since 1601 of a UTC calendar time, counted day by day so that the test
// does not lean on the calendar arithmetic it checks.
std::uint64_t Ticks(int year, int month, int day, int hour, int minute, int second = 0)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    std::uint64_t days = 0;
    for (int y = 1601; y < year; ++y)
        days += leap(y) ? 366 : 365;
    for (int m = 1; m < month; ++m)
        days += kDays[m - 1] + (m == 2 && leap(year) ? 1 : 0);
    days += static_cast<std::uint64_t>(day - 1);
    const std::uint64_t seconds =
            days * 86400 + static_cast<std::uint64_t>(hour * 3600 + minute * 60 + second);
    return seconds * 10'000'000;
}

DateTime Date(int year, int month, int day, int hour, int minute, int second = 0)
{
    return {year, month, day, hour, minute, second};
}

// A zone made of a rule per year (the same rule for every year unless a year has its own).
class FakeZone : public ZoneRules {
public:
    FakeZone(std::function<bool(int, ZoneYear&)> rules, std::int32_t currentBias)
        : rules_(std::move(rules)), currentBias_(currentBias)
    { }
    bool ForYear(int year, ZoneYear& rule) override { return rules_(year, rule); }
    std::int32_t CurrentBias() override { return currentBias_; }

private:
    std::function<bool(int, ZoneYear&)> rules_;
    std::int32_t currentBias_;
};

// Central Europe: UTC+1, summer time from the last Sunday of March 02:00 to the last Sunday of
// October 03:00.
ZoneYear CentralEurope()
{
    ZoneYear rule;
    rule.bias = -60;
    rule.daylightBias = -60;
    rule.daylightStart = {0, 3, 0, 5, 2, 0};
    rule.standardStart = {0, 10, 0, 5, 3, 0};
    return rule;
}

// US Eastern, whose summer time was lengthened in 2007: until 2006 from the first Sunday of
// April to the last Sunday of October, since from the second Sunday of March to the first
// Sunday of November.
bool Eastern(int year, ZoneYear& rule)
{
    rule = ZoneYear {};
    rule.bias = 300;
    rule.daylightBias = -60;
    if (year <= 2006) {
        rule.daylightStart = {0, 4, 0, 1, 2, 0};
        rule.standardStart = {0, 10, 0, 5, 2, 0};
    } else {
        rule.daylightStart = {0, 3, 0, 2, 2, 0};
        rule.standardStart = {0, 11, 0, 1, 2, 0};
    }
    return true;
}

// New Zealand: UTC+12, summer time across New Year, from the last Sunday of September 02:00 to
// the first Sunday of April 03:00.
bool NewZealand(int, ZoneYear& rule)
{
    rule = ZoneYear {};
    rule.bias = -720;
    rule.daylightBias = -60;
    rule.daylightStart = {0, 9, 0, 5, 2, 0};
    rule.standardStart = {0, 4, 0, 1, 3, 0};
    return true;
}

bool Europe(int, ZoneYear& rule)
{
    rule = CentralEurope();
    return true;
}

// Today is winter in Central Europe.
constexpr std::int32_t kWinterBias = -60;

DateTime Local(std::uint64_t ticks, bool fat, ZoneRules& zone)
{
    DateTime date;
    EXPECT_TRUE(LocalDateOfFileTime(ticks, fat, zone, date));
    return date;
}

}  // namespace

TEST(FileTimeDate, FatAndExFatKeepLocalTimeOtherVolumesUtc)
{
    for (const char* name : {"FAT", "FAT12", "FAT16", "FAT32", "exFAT", "EXFAT", "fat32"})
        EXPECT_TRUE(KeepsLocalTime(name)) << name;
    for (const char* name : {"NTFS", "ReFS", "UDF", "CDFS", "", "FAT32X", "XFAT"})
        EXPECT_FALSE(KeepsLocalTime(name)) << name;
}

TEST(FileTimeDate, SummerAndWinterStampsOnNtfsTakeTheRuleOfTheirOwnDate)
{
    FakeZone zone(Europe, kWinterBias);
    // 22:30 UTC on 1 July is 00:30 the next day in summer time.
    EXPECT_EQ(Local(Ticks(2020, 7, 1, 22, 30), false, zone), Date(2020, 7, 2, 0, 30));
    // 23:30 UTC in January is 00:30 the next day in standard time.
    EXPECT_EQ(Local(Ticks(2020, 1, 15, 23, 30), false, zone), Date(2020, 1, 16, 0, 30));
    EXPECT_EQ(Local(Ticks(2020, 1, 15, 22, 30), false, zone), Date(2020, 1, 15, 23, 30));
}

TEST(FileTimeDate, TheChangeHappensAtItsMinute)
{
    FakeZone zone(Europe, kWinterBias);
    // 28 March 2021, the last Sunday: 02:00 standard time is 01:00 UTC.
    EXPECT_EQ(Local(Ticks(2021, 3, 28, 0, 59, 59), false, zone), Date(2021, 3, 28, 1, 59, 59));
    EXPECT_EQ(Local(Ticks(2021, 3, 28, 1, 0), false, zone), Date(2021, 3, 28, 3, 0));
    // 31 October 2021: 03:00 summer time is 01:00 UTC.
    EXPECT_EQ(Local(Ticks(2021, 10, 31, 0, 59, 59), false, zone), Date(2021, 10, 31, 2, 59, 59));
    EXPECT_EQ(Local(Ticks(2021, 10, 31, 1, 0), false, zone), Date(2021, 10, 31, 2, 0));
}

TEST(FileTimeDate, ALastWeekInAMonthOfFourSundaysAndAMonthOfFive)
{
    FakeZone zone(Europe, kWinterBias);
    // March 2020 has five Sundays, the last on the 29th; March 2019 its last on the 31st.
    EXPECT_EQ(Local(Ticks(2020, 3, 28, 12, 0), false, zone), Date(2020, 3, 28, 13, 0));
    EXPECT_EQ(Local(Ticks(2020, 3, 29, 12, 0), false, zone), Date(2020, 3, 29, 14, 0));
    EXPECT_EQ(Local(Ticks(2019, 3, 30, 12, 0), false, zone), Date(2019, 3, 30, 13, 0));
    EXPECT_EQ(Local(Ticks(2019, 3, 31, 12, 0), false, zone), Date(2019, 3, 31, 14, 0));
}

TEST(FileTimeDate, ADateBeforeTheZonesRuleChangeTakesTheOldRule)
{
    FakeZone zone(Eastern, 300);
    // 30 October 2006 04:30 UTC: standard time under 2006's rule (summer time had ended on the
    // 29th), so still the 29th; today's rule would keep summer time until 5 November and give
    // the 30th.
    EXPECT_EQ(Local(Ticks(2006, 10, 30, 4, 30), false, zone), Date(2006, 10, 29, 23, 30));
    // The same day of 2008 lies in summer time under the rule of its own year.
    EXPECT_EQ(Local(Ticks(2008, 10, 30, 4, 30), false, zone), Date(2008, 10, 30, 0, 30));
    // March 2006 before April: standard time; March 2008 after the second Sunday: summer time.
    EXPECT_EQ(Local(Ticks(2006, 3, 20, 4, 30), false, zone), Date(2006, 3, 19, 23, 30));
    EXPECT_EQ(Local(Ticks(2008, 3, 20, 4, 30), false, zone), Date(2008, 3, 20, 0, 30));
}

TEST(FileTimeDate, AStandardOffsetGivenAsStandardBiasCountsForTheChanges)
{
    // Central Europe again, with its hour in the standard bias instead of the bias.
    FakeZone zone(
            [](int, ZoneYear& rule) {
                rule = CentralEurope();
                rule.bias = 0;
                rule.standardBias = -60;
                rule.daylightBias = -120;
                return true;
            },
            kWinterBias);
    EXPECT_EQ(Local(Ticks(2021, 3, 28, 0, 59, 59), false, zone), Date(2021, 3, 28, 1, 59, 59));
    EXPECT_EQ(Local(Ticks(2021, 3, 28, 1, 0), false, zone), Date(2021, 3, 28, 3, 0));
    EXPECT_EQ(Local(Ticks(2021, 7, 1, 22, 30), false, zone), Date(2021, 7, 2, 0, 30));
}

TEST(FileTimeDate, TheNewYearsRuleStartsAtLocalMidnight)
{
    // A zone that moved from UTC+1 to UTC+2 for good at the start of 2022.
    FakeZone zone(
            [](int year, ZoneYear& rule) {
                rule = ZoneYear {};
                rule.bias = year >= 2022 ? -120 : -60;
                return true;
            },
            -120);
    // 23:30 UTC on New Year's Eve is past midnight in 2021's offset already: 2022's rule applies.
    EXPECT_EQ(Local(Ticks(2021, 12, 31, 23, 30), false, zone), Date(2022, 1, 1, 1, 30));
    EXPECT_EQ(Local(Ticks(2021, 12, 31, 22, 30), false, zone), Date(2021, 12, 31, 23, 30));
}

TEST(FileTimeDate, SummerTimeAcrossNewYearSouthOfTheEquator)
{
    FakeZone zone(NewZealand, -780);
    EXPECT_EQ(Local(Ticks(2021, 1, 10, 11, 30), false, zone), Date(2021, 1, 11, 0, 30));
    EXPECT_EQ(Local(Ticks(2021, 6, 10, 12, 30), false, zone), Date(2021, 6, 11, 0, 30));
    EXPECT_EQ(Local(Ticks(2021, 6, 10, 11, 30), false, zone), Date(2021, 6, 10, 23, 30));
    EXPECT_EQ(Local(Ticks(2021, 12, 31, 11, 30), false, zone), Date(2022, 1, 1, 0, 30));
}

TEST(FileTimeDate, AZoneWithoutSummerTimeTakesItsBiasAlone)
{
    FakeZone zone(
            [](int, ZoneYear& rule) {
                rule = ZoneYear {};
                rule.bias = -540;  // UTC+9 all year
                return true;
            },
            -540);
    EXPECT_EQ(Local(Ticks(2020, 7, 1, 15, 30), false, zone), Date(2020, 7, 2, 0, 30));
    EXPECT_EQ(Local(Ticks(2020, 1, 1, 14, 59), false, zone), Date(2020, 1, 1, 23, 59));
}

TEST(FileTimeDate, AFatStampIsTheTimeTheCameraWroteInEverySeason)
{
    // The camera wrote 23:30 on 1 July; organized in winter, the driver subtracted today's hour.
    FakeZone winter(Europe, kWinterBias);
    const std::uint64_t summerStamp = Ticks(2020, 7, 1, 22, 30);
    EXPECT_EQ(Local(summerStamp, true, winter), Date(2020, 7, 1, 23, 30));
    // On NTFS the same UTC time is a summer time past midnight.
    EXPECT_EQ(Local(summerStamp, false, winter), Date(2020, 7, 2, 0, 30));
    // Organized in summer (two hours subtracted) the written time comes back as well.
    FakeZone summer(Europe, -120);
    EXPECT_EQ(Local(Ticks(2020, 7, 1, 21, 30), true, summer), Date(2020, 7, 1, 23, 30));
    EXPECT_EQ(Local(Ticks(2020, 1, 15, 21, 30), true, summer), Date(2020, 1, 15, 23, 30));
}

TEST(FileTimeDate, NoRuleForTheYearGivesNoDate)
{
    FakeZone zone([](int, ZoneYear&) { return false; }, 0);
    DateTime date;
    EXPECT_FALSE(LocalDateOfFileTime(Ticks(2020, 7, 1, 12, 0), false, zone, date));
    // A FAT stamp needs no year's rule.
    EXPECT_TRUE(LocalDateOfFileTime(Ticks(2020, 7, 1, 12, 0), true, zone, date));
    EXPECT_EQ(date, Date(2020, 7, 1, 12, 0));
}

TEST(FileTimeDate, ATimeWithNoDayBeforeItGivesNoDate)
{
    FakeZone zone(Europe, kWinterBias);
    DateTime date;
    EXPECT_FALSE(LocalDateOfFileTime(0, false, zone, date));
    EXPECT_FALSE(LocalDateOfFileTime(0, true, zone, date));
}
