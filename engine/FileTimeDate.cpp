#include "engine/FileTimeDate.h"

#include <cctype>
#include <string>

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;
// Days from 0000-03-01 (the civil calendar's start below) to 1601-01-01.
constexpr std::int64_t kDaysTo1601 = 584'694;

// Days since 0000-03-01 of a proleptic Gregorian date, and back.
std::int64_t DaysOf(int year, int month, int day)
{
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = y / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra;
}

void DateOfDays(std::int64_t days, int& year, int& month, int& day)
{
    const std::int64_t era = days / 146'097;
    const std::int64_t dayOfEra = days - era * 146'097;
    const std::int64_t yearOfEra =
            (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(era * 400 + yearOfEra + (month <= 2 ? 1 : 0));
}

// Seconds since 1601 of a calendar time, and back.
std::int64_t SecondsOf(int year, int month, int day, int hour, int minute)
{
    return (DaysOf(year, month, day) - kDaysTo1601) * kSecondsPerDay + hour * 3600 + minute * 60;
}

DateTime DateOfSeconds(std::int64_t seconds)
{
    DateTime date;
    const std::int64_t days = seconds / kSecondsPerDay;
    const std::int64_t rest = seconds % kSecondsPerDay;
    DateOfDays(days + kDaysTo1601, date.year, date.month, date.day);
    date.hour = static_cast<int>(rest / 3600);
    date.minute = static_cast<int>(rest / 60 % 60);
    date.second = static_cast<int>(rest % 60);
    return date;
}

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// The local time (seconds since 1601) at which the change happens in year; false for a rule the
// system would not give.
bool TransitionSeconds(const ZoneTransition& change, int year, std::int64_t& seconds)
{
    if (change.month < 1 || change.month > 12 || change.hour < 0 || change.hour > 23 || change.minute < 0 ||
        change.minute > 59)
        return false;
    if (change.year != 0) {
        if (change.week < 1 || change.week > DaysInMonth(year, change.month))
            return false;
        seconds = SecondsOf(year, change.month, change.week, change.hour, change.minute);
        return true;
    }
    if (change.dayOfWeek < 0 || change.dayOfWeek > 6 || change.week < 1 || change.week > 5)
        return false;
    // 0000-03-01 was a Wednesday (3).
    const int firstWeekday = static_cast<int>((DaysOf(year, change.month, 1) + 3) % 7);
    int day = 1 + (change.dayOfWeek - firstWeekday + 7) % 7 + (change.week - 1) * 7;
    while (day > DaysInMonth(year, change.month))
        day -= 7;  // week 5: the last one in the month
    seconds = SecondsOf(year, change.month, day, change.hour, change.minute);
    return true;
}

}  // namespace

bool KeepsLocalTime(std::string_view fileSystemName)
{
    std::string name;
    for (const char c : fileSystemName)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "FAT" || name == "FAT12" || name == "FAT16" || name == "FAT32" || name == "EXFAT";
}

bool LocalDateOfFileTime(std::uint64_t fileTime, bool localTimeVolume, ZoneRules& zone, DateTime& date)
{
    const std::int64_t utc = static_cast<std::int64_t>(fileTime / kTicksPerSecond);
    // No zone is a day or more off UTC: a time within a day of 1601 has no date before it.
    if (utc < kSecondsPerDay)
        return false;
    if (localTimeVolume) {
        // The driver subtracted today's offset from the time as written; adding it back gives
        // the camera's own clock reading, whatever season it was taken in.
        date = DateOfSeconds(utc - std::int64_t(zone.CurrentBias()) * 60);
        return true;
    }
    ZoneYear rule;
    const int utcYear = DateOfSeconds(utc).year;
    if (!zone.ForYear(utcYear, rule))
        return false;
    // The year of the local standard time decides, so that New Year's night takes its own
    // year's rule.
    const int year = DateOfSeconds(utc - std::int64_t(rule.bias + rule.standardBias) * 60).year;
    if (year != utcYear && !zone.ForYear(year, rule))
        return false;
    std::int32_t offset = rule.bias + rule.standardBias;
    std::int64_t daylightFrom = 0, daylightUntil = 0;
    if (rule.daylightStart.month != 0 && rule.standardStart.month != 0 &&
        TransitionSeconds(rule.daylightStart, year, daylightFrom) &&
        TransitionSeconds(rule.standardStart, year, daylightUntil)) {
        // Each change is given in the local time in force before it.
        daylightFrom += std::int64_t(rule.bias + rule.standardBias) * 60;
        daylightUntil += std::int64_t(rule.bias + rule.daylightBias) * 60;
        // North of the equator daylight saving lies inside the year; south, across New Year.
        const bool daylight = daylightFrom < daylightUntil ? utc >= daylightFrom && utc < daylightUntil
                                                           : utc >= daylightFrom || utc < daylightUntil;
        if (daylight)
            offset = rule.bias + rule.daylightBias;
    }
    date = DateOfSeconds(utc - std::int64_t(offset) * 60);
    return true;
}
