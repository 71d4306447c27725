#include "metaprobe/IsoValueText.h"

#include <cstdio>
#include <ctime>
#include <limits>

#include "metaprobe/ByteSource.h"
#include "metaprobe/FileInfo.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

constexpr int64_t kSecondsFrom1904To1970 = 2082844800;

bool IsDigits(const std::string& text, size_t at, size_t count)
{
    if (at + count > text.size())
        return false;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

std::string CreationDateText(const std::string& value)
{
    std::string text = value;
    const bool dateTime = IsDigits(value, 0, 4) && value.size() >= 16 && value[4] == '-' &&
                          IsDigits(value, 5, 2) && value[7] == '-' && IsDigits(value, 8, 2) &&
                          value[10] == 'T' && IsDigits(value, 11, 2) && value[13] == ':' &&
                          IsDigits(value, 14, 2);
    if (dateTime) {
        size_t timeEnd = 16;
        if (value.size() >= 19 && value[16] == ':' && IsDigits(value, 17, 2))
            timeEnd = 19;
        size_t rest = timeEnd;
        while (rest < value.size() && IsSpace(value[rest]))
            ++rest;
        bool restHasSpace = false;
        for (size_t i = rest; i < value.size(); ++i)
            restHasSpace = restHasSpace || IsSpace(value[i]);
        if (!restHasSpace) {
            text = value.substr(0, 4) + ':' + value.substr(5, 2) + ':' + value.substr(8, 2) + ' ' +
                   value.substr(11, timeEnd - 11) + value.substr(rest);
        }
    }
    const size_t n = text.size();
    if (n >= 5 && (text[n - 5] == '+' || text[n - 5] == '-') && IsDigits(text, n - 4, 4))
        text.insert(n - 2, 1, ':');
    return text;
}

std::string MovieDateText(uint64_t seconds)
{
    if (seconds == 0)
        return "0000:00:00 00:00:00";
    // Past the signed range no calendar can show the time, as for any time the host cannot convert.
    int64_t unix = 0;
    if (!MovieDateInstant(seconds, unix))
        return "";
    return LocalTimeText(unix);
}

bool MovieDateInstant(uint64_t seconds, int64_t& unixSeconds)
{
    if (seconds == 0 || seconds > uint64_t(std::numeric_limits<int64_t>::max()))
        return false;
    unixSeconds = int64_t(seconds) - kSecondsFrom1904To1970;
    return true;
}

std::string DurationText(double seconds)
{
    if (seconds == 0)
        return "0 s";
    if (seconds < 30)
        return FormatF(seconds, 2) + " s";
    uint64_t whole = uint64_t(seconds + 0.5);
    char text[48];
    std::snprintf(text, sizeof text, "%llu:%02u:%02u", static_cast<unsigned long long>(whole / 3600),
                  unsigned(whole / 60 % 60), unsigned(whole % 60));
    return text;
}

std::string BitrateText(double bits)
{
    static const char* const units[] = {"bps", "kbps", "Mbps", "Gbps"};
    int unit = 0;
    while (bits >= 1000 && unit < 3) {
        bits /= 1000;
        ++unit;
    }
    return FormatG(bits, 3) + " " + units[unit];
}

std::string MatrixText(const uint8_t* m)
{
    std::string text;
    for (int i = 0; i < 9; ++i) {
        double value = int32_t(Get32(m + 4 * i, true)) / (i % 3 == 2 ? 1073741824.0 : 65536.0);
        text += (i ? " " : "") + FormatG(value, 10);
    }
    return text;
}

std::string RotationText(const uint8_t* m)
{
    const int32_t a = int32_t(Get32(m, true)), b = int32_t(Get32(m + 4, true));
    const int32_t c = int32_t(Get32(m + 12, true)), e = int32_t(Get32(m + 16, true));
    static const struct {
        int32_t a, b;
        const char* text;
    } turns[] = {{0x10000, 0, "0"}, {0, 0x10000, "90"}, {-0x10000, 0, "180"}, {0, -0x10000, "270"}};
    for (const auto& turn : turns) {
        if (a == turn.a && b == turn.b && c == -turn.b && e == turn.a)
            return turn.text;
    }
    return {};
}

std::string BrandName(const std::string& brand)
{
    static const struct {
        const char* brand;
        const char* text;
    } names[] = {
            {"heic", "High Efficiency Image Format HEVC still image (.HEIC)"},
            {"heix", "High Efficiency Image Format still image (.HEIF)"},
            {"mif1", "High Efficiency Image Format still image (.HEIF)"},
            {"avif", "AV1 Image File Format (.AVIF)"},
            {"crx ", "Canon Raw (.CRX)"},
            {"qt  ", "Apple QuickTime (.MOV/QT)"},
            {"isom", "MP4 Base Media v1 [IS0 14496-12:2003]"},
            {"mp41", "MP4 v1 [ISO 14496-1:ch13]"},
            {"mp42", "MP4 v2 [ISO 14496-14]"},
            {"3gp4", "3GPP Media (.3GP) Release 4"},
            {"3gp5", "3GPP Media (.3GP) Release 5"},
            {"3gp6", "3GPP Media (.3GP) Release 6 Streaming Servers"},
            {"M4V ", "Apple iTunes Video (.M4V) Video"},
    };
    for (const auto& n : names) {
        if (brand == n.brand)
            return n.text;
    }
    return TrimRight(brand);
}

}  // namespace metaprobe
