// The position a video records, as ISO 6709 text (QuickTime's user data and Apple's location key):
// "+35.6895+139.6917/", with an altitude "+35.6895+139.6917+040.000/", or in degrees and minutes
// ("+3541.37+13941.50/") or degrees, minutes and seconds ("+354122.2+1394130.1/").
#pragma once

#include <string_view>

struct VideoPosition {
    double latitude = 0;  // degrees, north positive
    double longitude = 0;  // degrees, east positive
};

// False (leaving `position` untouched) for any other text, and for minutes or seconds of 60 and
// more and positions beyond the poles or the date line.
bool ParseIso6709(std::string_view text, VideoPosition& position);
