// A calendar date and time of day, as a file's capture date or file time gives it. The values
// are taken as they stand, without range checks.
#pragma once

#include <string>

struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const DateTime&) const = default;
};

// "YYYY:MM:DD HH:MM:SS", the form of the EXIF date texts.
std::string DateTimeText(const DateTime& date);
