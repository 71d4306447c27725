#include "metaprobe/FileInfo.h"

#include <sys/stat.h>

#include <cstdio>

#include "metaprobe/ValueText.h"

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

std::string PermissionText(unsigned mode)
{
    std::string text = (mode & S_IFMT) == S_IFDIR ? "d" : "-";
    static const unsigned bits[] = {0400, 0200, 0100, 040, 020, 010, 04, 02, 01};
    static const char letters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        text += (mode & bits[i]) ? letters[i] : '-';
    return text;
}

}  // namespace

bool LocalTimeParts(std::time_t time, std::tm& local, long& offsetSeconds)
{
#ifdef _WIN32
    if (localtime_s(&local, &time) != 0)
        return false;
#else
    if (!localtime_r(&time, &local))
        return false;
#endif
    int64_t asUtc =
            DaysFromCivil(local.tm_year + 1900LL, unsigned(local.tm_mon + 1), unsigned(local.tm_mday)) *
                    86400 +
            local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    offsetSeconds = long(asUtc - int64_t(time));
    return true;
}

std::string LocalTimeText(std::time_t time)
{
    std::tm local {};
    long offset = 0;
    if (!LocalTimeParts(time, local, offset))
        return "";
    long absolute = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d%c%02ld:%02ld", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  offset < 0 ? '-' : '+', absolute / 3600, absolute / 60 % 60);
    return text;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

bool AddFileLines(const std::string& path, Listing& listing)
{
    std::string folder, name;
    SplitPath(path, folder, name);
    listing.Add("ExifTool Version Number", kListingVersion);
    listing.Add("File Name", name);
    listing.Add("Directory", folder);
#ifdef _WIN32
    struct _stat64 info;
    if (_stat64(path.c_str(), &info) != 0)
        return false;
#else
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return false;
#endif
    listing.Add("File Size", FormatFileSize(uint64_t(info.st_size)));
    listing.Add("File Modification Date/Time", LocalTimeText(info.st_mtime));
    listing.Add("File Access Date/Time", LocalTimeText(info.st_atime));
#ifdef _WIN32
    listing.Add("File Creation Date/Time", LocalTimeText(info.st_ctime));
#else
    listing.Add("File Inode Change Date/Time", LocalTimeText(info.st_ctime));
#endif
    listing.Add("File Permissions", PermissionText(unsigned(info.st_mode)));
    return true;
}

}  // namespace metaprobe
