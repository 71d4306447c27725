#include "tests/support/ZoneCases.h"

#include <string>

namespace qmtest {

namespace {

SYSTEMTIME At(int year, int month, int day, int hour, int minute)
{
    SYSTEMTIME time {};
    time.wYear = WORD(year);
    time.wMonth = WORD(month);
    time.wDay = WORD(day);
    time.wHour = WORD(hour);
    time.wMinute = WORD(minute);
    return time;
}

}  // namespace

std::vector<ZoneCase> NearMidnightCases(std::string& zone)
{
    TIME_ZONE_INFORMATION info;
    if (GetTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID) {
        zone = "no time zone information";
        return {};
    }
    // Known by their rules, not their names, which Windows localizes.
    const int daylightStarts = info.DaylightDate.wMonth, daylightEnds = info.StandardDate.wMonth;
    if (info.Bias == 0 && daylightStarts == 0)  // UTC
        return {{At(2014, 7, 15, 23, 30), 2014, 7, 15, 23, 30, 0},
                {At(2014, 1, 15, 0, 30), 2014, 1, 15, 0, 30, 0}};
    if (info.Bias == -60 && daylightStarts == 3 && daylightEnds == 10)  // Central Europe
        return {{At(2014, 7, 15, 22, 30), 2014, 7, 16, 0, 30, 120},
                {At(2014, 1, 15, 22, 30), 2014, 1, 15, 23, 30, 60}};
    if (info.Bias == -720 && daylightStarts == 9 && daylightEnds == 4)  // New Zealand
        return {{At(2014, 1, 15, 11, 30), 2014, 1, 16, 0, 30, 780},
                {At(2014, 7, 15, 11, 30), 2014, 7, 15, 23, 30, 720}};
    zone = "bias " + std::to_string(info.Bias) + " minutes, daylight from month " +
           std::to_string(daylightStarts) + " to " + std::to_string(daylightEnds);
    return {};
}

bool SetAllFileTimes(const std::string& path, const SYSTEMTIME& utc)
{
    FILETIME time;
    if (!SystemTimeToFileTime(&utc, &time))
        return false;
    const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool set = SetFileTime(file, &time, &time, &time);
    CloseHandle(file);
    return set;
}

}  // namespace qmtest
