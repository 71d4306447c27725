// The local time where a video was taken, from the UTC instant its header records: with the
// offset the file records beside it (Apple's creation date, "2019:07:15 06:00:00+09:00"), else
// with the rules of the zone at the position it records. Without either the caller keeps the
// computer's zone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/DateTime.h"

// The zone offset at the end of a date text, in seconds east of UTC: "+09:00", "-03:30", "+0545",
// "Z". False when the text ends in none, or in one beyond -12:00 ... +14:00.
bool RecordedOffset(std::string_view dateText, int& offsetSeconds);

// "+09:00", "-03:30", "+00:00".
std::string OffsetText(int offsetSeconds);

struct VideoTime {
    DateTime local;
    // How the offset was found: "+09:00 recorded by the phone", "Asia/Tokyo from the GPS position".
    std::string note;
};

// recordedDate: the listing's creation date with its offset (or empty); position: the ISO 6709
// text the file records (or empty). False when neither gives an offset.
bool VideoLocalTime(std::int64_t utcSeconds, std::string_view recordedDate, std::string_view position,
                    VideoTime& time);

// The note for a time left in the computer's zone: "W. Europe Standard Time: this computer's zone".
std::string ComputerZoneNote(const std::string& zoneName);
