#include <windows.h>

#include <sys/stat.h>

#include <cwchar>

#include "base/WidePath.h"
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

// The permission bits as the C library's stat sets them (which takes no long-form path): read for
// everyone, write unless read-only, execute for folders and programs by their extension.
unsigned ModeOf(const std::string& path, DWORD attributes)
{
    constexpr unsigned kEveryone = 0111;  // one bit for the owner, the group and the others
    unsigned mode = _S_IREAD / 0100 * kEveryone;
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0)
        mode |= _S_IWRITE / 0100 * kEveryone;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return mode | _S_IFDIR | _S_IEXEC / 0100 * kEveryone;
    mode |= _S_IFREG;
    const std::wstring wide = WideText(path);
    const std::size_t dot = wide.rfind(L'.');
    if (dot != std::wstring::npos && wide.find_first_of(L"\\/", dot) == std::wstring::npos) {
        for (const wchar_t* program : {L".exe", L".com", L".bat", L".cmd"})
            if (_wcsicmp(wide.c_str() + dot, program) == 0)
                mode |= _S_IEXEC / 0100 * kEveryone;
    }
    return mode;
}

}  // namespace

std::FILE* OpenFileForReading(const std::string& path)
{
    return _wfopen(WidePath(path).c_str(), L"rb");
}

bool ReadFileFacts(const std::string& path, FileFacts& facts)
{
    // The times from the system itself, since the C library's round trip through local time can be
    // an hour off near a daylight-saving change.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    facts.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts.mode = ModeOf(path, data.dwFileAttributes);
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
