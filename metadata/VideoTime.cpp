#include "metadata/VideoTime.h"

#include <cstdio>
#include <cstdlib>

#include "metadata/VideoPosition.h"
#include "zones/Zones.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int TwoDigits(std::string_view text, std::size_t at)
{
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

constexpr int kWestmost = -12 * 3600;
constexpr int kEastmost = 14 * 3600;

}  // namespace

bool RecordedOffset(std::string_view text, int& offsetSeconds)
{
    const std::size_t n = text.size();
    // The zone follows the time's last digit.
    if (n >= 2 && text[n - 1] == 'Z' && IsDigit(text[n - 2])) {
        offsetSeconds = 0;
        return true;
    }
    std::size_t sign = 0;
    int hours = 0, minutes = 0;
    if (n >= 7 && text[n - 3] == ':' && IsDigit(text[n - 5]) && IsDigit(text[n - 4]) &&
        IsDigit(text[n - 2]) && IsDigit(text[n - 1])) {
        sign = n - 6;
        hours = TwoDigits(text, n - 5);
        minutes = TwoDigits(text, n - 2);
    } else if (n >= 6 && IsDigit(text[n - 4]) && IsDigit(text[n - 3]) && IsDigit(text[n - 2]) &&
               IsDigit(text[n - 1])) {
        sign = n - 5;
        hours = TwoDigits(text, n - 4);
        minutes = TwoDigits(text, n - 2);
    } else {
        return false;
    }
    if ((text[sign] != '+' && text[sign] != '-') || !IsDigit(text[sign - 1]) || minutes >= 60)
        return false;
    const int offset = (text[sign] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    if (offset < kWestmost || offset > kEastmost)
        return false;
    offsetSeconds = offset;
    return true;
}

std::string OffsetText(int offsetSeconds)
{
    const int magnitude = std::abs(offsetSeconds);
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", offsetSeconds < 0 ? '-' : '+', magnitude / 3600,
                  magnitude / 60 % 60);
    return text;
}

bool VideoLocalTime(std::int64_t utcSeconds, std::string_view recordedDate, std::string_view position,
                    VideoTime& time)
{
    int offset = 0;
    if (RecordedOffset(recordedDate, offset)) {
        time.local = zones::CalendarOf(utcSeconds + offset);
        time.note = OffsetText(offset) + " recorded by the phone";
        return true;
    }
    VideoPosition place;
    zones::PlaceTime placeTime;
    if (ParseIso6709(position, place) &&
        zones::LocalTimeAt(utcSeconds, place.latitude, place.longitude, placeTime)) {
        time.local = placeTime.local;
        time.note = std::string(placeTime.zone) + " from the GPS position";
        return true;
    }
    return false;
}

std::string ComputerZoneNote(const std::string& zoneName)
{
    return zoneName.empty() ? std::string("this computer's zone") : zoneName + ": this computer's zone";
}
