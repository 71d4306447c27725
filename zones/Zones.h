// Time zones without the system: which zone holds a place, and the offset from UTC a zone had at
// an instant under the rules of that date (summer time, changes such as Moscow's 2011-2014).
// The data is bundled (a table generated at build time from the IANA rules and the tz-lookup
// position data), so the answers are the same on every computer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/DateTime.h"

namespace zones {

// The zone's IANA name ("Asia/Tokyo") at a position in degrees (north and east positive); empty
// where no place is: at sea (the data's Etc/GMT... zones; 0,0, a position never set, lies there),
// at the North Pole, or for values out of range or not numbers.
std::string_view ZoneAt(double latitude, double longitude);

// The zone's offset east of UTC in seconds at an instant (seconds since 1970-01-01 UTC); false
// for a name the rules do not know.
bool OffsetAt(std::string_view zone, std::int64_t utcSeconds, std::int32_t& offsetSeconds);

// The local time of a place at a UTC instant: the zone at the position, its offset then, and the
// calendar time that offset gives.
struct PlaceTime {
    std::string_view zone;
    std::int32_t offsetSeconds = 0;
    DateTime local;
};

// False where ZoneAt finds no place (the caller falls back to another zone).
bool LocalTimeAt(std::int64_t utcSeconds, double latitude, double longitude, PlaceTime& time);

// The calendar time of seconds since 1970-01-01 (proleptic Gregorian, any year).
DateTime CalendarOf(std::int64_t seconds);
// Seconds since 1970-01-01 of a calendar time (out-of-range fields carry over).
std::int64_t SecondsOf(const DateTime& date);

// The bundled data: the rules' version ("2025b"), the position data's, and the table's bytes.
const char* RulesVersion();
const char* PositionsVersion();
std::size_t TableBytes();
// "Time zone data: rules 2025b, positions 11.8.0, table 277669 bytes", for --version and About.
std::string ZoneDataText();

}  // namespace zones
