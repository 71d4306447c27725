#include <windows.h>

#include <sys/stat.h>

#include "metaprobe/HostFacts.h"

namespace metaprobe {

namespace {

// FILETIME counts 100 ns steps from 1601-01-01 UTC.
constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

int64_t UnixSeconds(const FILETIME& time)
{
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return int64_t(ticks.QuadPart / kTicksPerSecond) - kSecondsFrom1601To1970;
}

int64_t SecondsOf(const SYSTEMTIME& time, bool& ok)
{
    FILETIME file;
    ok = ok && SystemTimeToFileTime(&time, &file);
    return ok ? UnixSeconds(file) : 0;
}

}  // namespace

bool ReadFileFacts(const std::string& path, FileFacts& facts)
{
    // Size and mode from the C library, which sets the permission bits as elsewhere; the times
    // from the system itself, since the library's round trip through local time can be an hour
    // off near a daylight-saving change.
    struct _stat64 info;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (_stat64(path.c_str(), &info) != 0 ||
        !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    facts.size = uint64_t(info.st_size);
    facts.mode = unsigned(info.st_mode);
    facts.modified = UnixSeconds(data.ftLastWriteTime);
    facts.accessed = UnixSeconds(data.ftLastAccessTime);
    facts.changed = UnixSeconds(data.ftCreationTime);
    return true;
}

bool LocalTimeParts(int64_t seconds, std::tm& local, long& offsetSeconds)
{
    // Each instant with the daylight-saving rule of its own date, as Explorer shows it. The C
    // library's localtime follows a TZ variable in the environment when there is one (Wine
    // passes the host's on), which may name a zone it cannot read; the system's zone is the
    // one Windows users see.
    if (seconds < -kSecondsFrom1601To1970 || seconds > INT64_MAX / kTicksPerSecond - kSecondsFrom1601To1970)
        return false;
    ULARGE_INTEGER ticks;
    ticks.QuadPart = uint64_t(seconds + kSecondsFrom1601To1970) * uint64_t(kTicksPerSecond);
    const FILETIME file = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME utc, calendar;
    if (!FileTimeToSystemTime(&file, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &calendar))
        return false;
    bool ok = true;
    offsetSeconds = long(SecondsOf(calendar, ok) - SecondsOf(utc, ok));
    if (!ok)
        return false;
    local = std::tm {};
    local.tm_year = calendar.wYear - 1900;
    local.tm_mon = calendar.wMonth - 1;
    local.tm_mday = calendar.wDay;
    local.tm_hour = calendar.wHour;
    local.tm_min = calendar.wMinute;
    local.tm_sec = calendar.wSecond;
    local.tm_wday = calendar.wDayOfWeek;
    return true;
}

}  // namespace metaprobe
