// How a file time becomes the calendar date a file is sorted by, the date Explorer shows for it.
// The system gives every file time in UTC, but where it came from depends on the volume: NTFS,
// ReFS and network file systems keep UTC, so each time is shown with the daylight-saving rule of
// its own date and year (a zone's rules change over the years); FAT and exFAT keep the camera's
// local time as written, which the file-system driver turned into UTC with today's offset, so
// only today's offset gives back what the camera wrote. Free of the system, so that both rules
// are tested with made-up zones.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/DateTime.h"

// A day of the year a zone's clocks change, as the system describes it: in month, the week-th
// (1 to 4, 5 for the last) dayOfWeek (0 Sunday), at hour:minute local time; with year non-zero
// that one date (day of the month in week) instead. month 0: no change.
struct ZoneTransition {
    int year = 0;
    int month = 0;
    int dayOfWeek = 0;
    int week = 0;
    int hour = 0;
    int minute = 0;
};

// One year's rule of a zone, in minutes, as the system gives it: UTC = local + bias +
// standardBias (or + daylightBias while daylight saving is in force, from daylightStart in
// standard time to standardStart in daylight time).
struct ZoneYear {
    std::int32_t bias = 0;
    std::int32_t standardBias = 0;
    std::int32_t daylightBias = 0;
    ZoneTransition standardStart;
    ZoneTransition daylightStart;
};

// The user's time zone: the rule of any year, and the offset in force now.
class ZoneRules {
public:
    virtual ~ZoneRules() = default;
    virtual bool ForYear(int year, ZoneYear& rule) = 0;
    // Minutes: UTC = local + CurrentBias(), daylight saving included when in force today.
    virtual std::int32_t CurrentBias() = 0;
};

// Volumes that keep local time (FAT12, FAT16, FAT32, FAT, exFAT), by the file-system name the
// volume reports; any other name keeps UTC.
bool KeepsLocalTime(std::string_view fileSystemName);

// The local date of a file time (100-nanosecond units since 1601, UTC as the system gives it) on
// a volume that keeps local time or not; false when the zone gives no rule for the year.
bool LocalDateOfFileTime(std::uint64_t fileTime, bool localTimeVolume, ZoneRules& zone, DateTime& date);
