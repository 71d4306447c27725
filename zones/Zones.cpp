#include "zones/Zones.h"

#include <algorithm>
#include <cmath>

#include "zones/ZoneTable.h"

namespace zones {

namespace {

using namespace table;

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (months and days may overflow).
std::int64_t DaysOf(std::int64_t year, std::int64_t month, std::int64_t day)
{
    year += (month - 1) / 12;
    month = (month - 1) % 12 + 1;
    if (month <= 0) {
        month += 12;
        year -= 1;
    }
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

bool IsLeap(std::int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(std::int64_t year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// The local seconds (since 1970) at which a rule's day and time fall in a year.
std::int64_t RuleLocalSeconds(std::int64_t year, const RuleDate& rule)
{
    const std::int64_t first = DaysOf(year, rule.month, 1);
    const int firstWeekday = int(((first + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
    int day = 1 + (rule.weekday - firstWeekday + 7) % 7 + 7 * (rule.week - 1);
    while (day > DaysInMonth(year, rule.month))
        day -= 7;
    return (first + day - 1) * kSecondsPerDay + rule.seconds;
}

std::int32_t RuleOffset(const ZoneRule& rule, std::int64_t utc)
{
    if (!rule.hasSummer)
        return rule.standardOffset;
    const std::int64_t year = CalendarOf(utc + rule.standardOffset).year;
    // A change happens at its local time in the offset it ends.
    const std::int64_t start = RuleLocalSeconds(year, rule.summerStart) - rule.standardOffset;
    const std::int64_t end = RuleLocalSeconds(year, rule.summerEnd) - rule.summerOffset;
    const bool summer = start < end ? utc >= start && utc < end  // summer within the year
                                    : !(utc >= end && utc < start);  // summer across the year's end
    return summer ? rule.summerOffset : rule.standardOffset;
}

int GridDigit(std::size_t at)
{
    return kGrid.scale * kGridData[at] + kGridData[at + 1] - kGrid.bias;
}

}  // namespace

std::string_view ZoneAt(double latitude, double longitude)
{
    // Comparisons false for NaN keep it out too.
    if (!(latitude >= -90 && latitude < 90 && longitude >= -180 && longitude <= 180))
        return {};
    // The walk of the position data's quadtree, in its own arithmetic so that borders fall where
    // the data puts them (make_zone_table.py checked that every walk stays inside the data).
    double x = kGrid.columns * (180.0 + longitude) / 360.00000000000006;
    double y = kGrid.rows * (90.0 - latitude) / 180.00000000000003;
    int column = int(x), row = int(y);
    std::size_t at = 2 * (std::size_t(row) * kGrid.columns + column);
    const int zoneCount = int(kGridZoneCount);
    int digit = GridDigit(at);
    int node = -1;
    while (digit + zoneCount < kGrid.leafBase) {
        node += digit + 1;
        y = std::fmod(2 * (y - row), 2.0);
        row = int(y);
        x = std::fmod(2 * (x - column), 2.0);
        column = int(x);
        at = std::size_t(8) * node + 4 * row + 2 * column + kGrid.nodeBase;
        digit = GridDigit(at);
    }
    const std::string_view name = kZoneNames[kGridZones[digit + zoneCount - kGrid.leafBase]].name;
    if (name.substr(0, 4) == "Etc/")
        return {};  // the sea's nautical zones: no place
    return name;
}

bool OffsetAt(std::string_view zone, std::int64_t utcSeconds, std::int32_t& offsetSeconds)
{
    const ZoneName* end = kZoneNames + kZoneNameCount;
    const ZoneName* found =
            std::lower_bound(kZoneNames, end, zone, [](const ZoneName& entry, std::string_view name) {
                return std::string_view(entry.name) < name;
            });
    if (found == end || found->name != zone)
        return false;
    const ZoneRule& rule = kZoneRules[found->rule];
    const std::int64_t* first = kTransitionTimes + rule.firstTransition;
    const std::int64_t* last = first + rule.transitionCount;
    const std::int64_t* after = std::upper_bound(first, last, utcSeconds);
    if (after == last && rule.hasRule) {
        offsetSeconds = RuleOffset(rule, utcSeconds);
        return true;
    }
    // Before the first transition the zone's first offset holds.
    const std::size_t type =
            after == first ? 0 : kTransitionOffsets[rule.firstTransition + (after - first) - 1];
    offsetSeconds = kOffsets[rule.firstOffset + type];
    return true;
}

bool LocalTimeAt(std::int64_t utcSeconds, double latitude, double longitude, PlaceTime& time)
{
    const std::string_view zone = ZoneAt(latitude, longitude);
    std::int32_t offset = 0;
    if (zone.empty() || !OffsetAt(zone, utcSeconds, offset))
        return false;
    time.zone = zone;
    time.offsetSeconds = offset;
    time.local = CalendarOf(utcSeconds + offset);
    return true;
}

DateTime CalendarOf(std::int64_t seconds)
{
    const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const std::int64_t rest = seconds - days * kSecondsPerDay;
    const std::int64_t shifted = days + 719468;
    const std::int64_t era = FloorDiv(shifted, 146097);
    const std::int64_t dayOfEra = shifted - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    DateTime date;
    date.day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    date.month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    date.year = int(yearOfEra + era * 400 + (date.month <= 2));
    date.hour = int(rest / 3600);
    date.minute = int(rest / 60 % 60);
    date.second = int(rest % 60);
    return date;
}

std::int64_t SecondsOf(const DateTime& date)
{
    return DaysOf(date.year, date.month, date.day) * kSecondsPerDay + std::int64_t(date.hour) * 3600 +
           std::int64_t(date.minute) * 60 + date.second;
}

const char* RulesVersion()
{
    return kRulesVersion;
}

const char* PositionsVersion()
{
    return kPositionsVersion;
}

std::size_t TableBytes()
{
    return kTableBytes;
}

std::string ZoneDataText()
{
    return std::string("Time zone data: rules ") + kRulesVersion + ", positions " + kPositionsVersion +
           ", table " + std::to_string(kTableBytes) + " bytes";
}

}  // namespace zones
