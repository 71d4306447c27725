#include "base/DateTime.h"

#include <cstdio>

std::string DateTimeText(const DateTime& date)
{
    char text[96];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", date.year, date.month, date.day,
                  date.hour, date.minute, date.second);
    return text;
}
