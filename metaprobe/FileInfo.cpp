#include "metaprobe/FileInfo.h"

#include <sys/stat.h>

#include <cstdio>

#include "metaprobe/HostFacts.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

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

std::string LocalTimeText(int64_t seconds)
{
    std::tm local {};
    long offset = 0;
    if (!LocalTimeParts(seconds, local, offset))
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
    FileFacts facts;
    if (!ReadFileFacts(path, facts))
        return false;
    listing.Add("File Size", FormatFileSize(facts.size));
    listing.Add("File Modification Date/Time", LocalTimeText(facts.modified));
    listing.Add("File Access Date/Time", LocalTimeText(facts.accessed));
#ifdef _WIN32
    listing.Add("File Creation Date/Time", LocalTimeText(facts.changed));
#else
    listing.Add("File Inode Change Date/Time", LocalTimeText(facts.changed));
#endif
    listing.Add("File Permissions", PermissionText(facts.mode));
    return true;
}

}  // namespace metaprobe
