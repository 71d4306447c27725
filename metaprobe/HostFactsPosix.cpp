#include <sys/stat.h>

#include "metaprobe/HostFacts.h"

namespace metaprobe {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

}  // namespace

std::FILE* OpenFileForReading(const std::string& path)
{
    return std::fopen(path.c_str(), "rb");
}

bool ReadFileFacts(const std::string& path, FileFacts& facts)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return false;
    facts.size = uint64_t(info.st_size);
    facts.mode = unsigned(info.st_mode);
    facts.modified = int64_t(info.st_mtime);
    facts.accessed = int64_t(info.st_atime);
    facts.changed = int64_t(info.st_ctime);
    return true;
}

bool LocalTimeParts(int64_t seconds, std::tm& local, long& offsetSeconds)
{
    const std::time_t time = std::time_t(seconds);
    if (int64_t(time) != seconds || !localtime_r(&time, &local))
        return false;
    const int64_t asUtc =
            DaysFromCivil(local.tm_year + 1900LL, unsigned(local.tm_mon + 1), unsigned(local.tm_mday)) *
                    86400 +
            local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    offsetSeconds = long(asUtc - seconds);
    return true;
}

}  // namespace metaprobe
