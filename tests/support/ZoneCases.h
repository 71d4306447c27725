// File times near midnight, in both seasons, with the local time Windows shows for them in the
// time zones the tests are run in (the system's own zone; under Wine the host's TZ). A program
// that applies today's daylight-saving offset to every date puts one of each pair in the wrong
// day, whatever the season of the run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qmtest {

struct ZoneCase {
    SYSTEMTIME utc;  // the file time
    int year, month, day, hour, minute;  // its local time
    int offsetMinutes;  // local minus UTC on that date
};

// The cases for the system's time zone; empty with the zone described in `zone` when the
// tests do not know it (they then skip).
std::vector<ZoneCase> NearMidnightCases(std::string& zone);

// Sets a file's creation, access and write times; false when it cannot.
bool SetAllFileTimes(const std::string& path, const SYSTEMTIME& utc);

}  // namespace qmtest
