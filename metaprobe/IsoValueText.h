// Text forms of the values of ISO media boxes: dates, durations, rates, matrices, brands.
#pragma once

#include <cstdint>
#include <string>

namespace metaprobe {

// "2019-05-04T15:20:30+0200" -> "2019:05:04 15:20:30+02:00": the date and time in EXIF form when
// the text starts with them (seconds optional) and the rest, after any white space, has none;
// a zone of four digits at the end gets its colon either way. Other texts stay as they are.
std::string CreationDateText(const std::string& value);
// Movie dates count seconds from 1904 in UTC; they are shown in local time, the day a person
// shot. Zero (not set) is shown as zeros.
std::string MovieDateText(uint64_t seconds);
// The instant (seconds since 1970 UTC) of a movie header's date; false for 0 (not set) and for
// values past the signed range.
bool MovieDateInstant(uint64_t seconds, int64_t& unixSeconds);
// "0 s", "4.97 s" below half a minute, "0:01:05" from there.
std::string DurationText(double seconds);
// "0 bps", "512 kbps", "1.23 Mbps".
std::string BitrateText(double bits);
// The 3x3 transformation matrix (nine big-endian words): 16.16 fixed-point values, the third
// column 2.30.
std::string MatrixText(const uint8_t* m);
// The clockwise turn of a track's matrix when it is a plain quarter turn: (a, b) of its first
// row is (1, 0), (0, 1), (-1, 0) or (0, -1); empty for any other transformation.
std::string RotationText(const uint8_t* m);
// The name of a file type brand ("qt  " -> "Apple QuickTime (.MOV/QT)"), else the brand itself.
std::string BrandName(const std::string& brand);

}  // namespace metaprobe
