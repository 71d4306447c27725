#include "metaprobe/ValueText.h"

#include "base/Utf8Text.h"

#include <cmath>
#include <cstdio>

namespace metaprobe {

std::string FormatG(double value, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

std::string FormatF(double value, int decimals)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e30)
        return FormatG(value, 10);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string FormatRatio(int64_t num, int64_t den)
{
    if (den == 0)
        return num == 0 ? "undef" : (num < 0 ? "-inf" : "inf");
    return FormatG(double(num) / double(den), 10);
}

std::string FormatExposureTime(double seconds)
{
    if (seconds > 0 && seconds < 0.25001) {
        char text[64];
        std::snprintf(text, sizeof text, "1/%.0f", std::floor(0.5 + 1 / seconds));
        return text;
    }
    std::string text = FormatF(seconds, 1);
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0)
        text.resize(text.size() - 2);
    return text;
}

std::string FormatFraction(double value)
{
    value *= 1.00001;  // absorbs rounding of values such as 0.333
    if (value == 0)
        return "0";
    if (!std::isfinite(value) || std::fabs(value) > 1e9)
        return FormatG(value, 10);
    char text[32];
    double whole = std::trunc(value);
    if (whole / value > 0.999) {
        std::snprintf(text, sizeof text, "%+.0f", whole);
    } else if (std::trunc(value * 2) / (value * 2) > 0.999) {
        std::snprintf(text, sizeof text, "%+.0f/2", std::trunc(value * 2));
    } else if (std::trunc(value * 3) / (value * 3) > 0.999) {
        std::snprintf(text, sizeof text, "%+.0f/3", std::trunc(value * 3));
    } else {
        std::snprintf(text, sizeof text, "%+.3g", value);
    }
    return text;
}

std::string FormatFileSize(uint64_t size)
{
    char text[32];
    if (size < 2000) {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(size));
        return text;
    }
    static const char* const units[] = {"kB", "MB", "GB", "TB"};
    double value = double(size) / 1000;
    int unit = 0;
    while (value >= 2000 && unit < 3) {
        value /= 1000;
        ++unit;
    }
    std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, units[unit]);
    return text;
}

std::string FormatCoordinate(double degrees)
{
    degrees = std::fabs(degrees);
    if (!std::isfinite(degrees) || degrees > 1e12)
        return FormatG(degrees, 10) + " deg";
    double whole = std::floor(degrees);
    double minutes = (degrees - whole) * 60;
    double wholeMinutes = std::floor(minutes);
    char text[96];
    std::snprintf(text, sizeof text, "%.0f deg %.0f' %.2f\"", whole, wholeMinutes,
                  (minutes - wholeMinutes) * 60);
    return text;
}

std::string Latin1ToUtf8(const std::string& text)
{
    if (IsValidUtf8(text))
        return text;
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string TrimRight(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

const char* YCbCrSubSamplingName(int64_t horizontal, int64_t vertical)
{
    static const struct {
        int64_t h, v;
        const char* text;
    } kinds[] = {
            {1, 1, "YCbCr4:4:4 (1 1)"}, {2, 1, "YCbCr4:2:2 (2 1)"}, {2, 2, "YCbCr4:2:0 (2 2)"},
            {4, 1, "YCbCr4:1:1 (4 1)"}, {4, 2, "YCbCr4:1:0 (4 2)"}, {1, 2, "YCbCr4:4:0 (1 2)"},
            {1, 4, "YCbCr4:4:1 (1 4)"}, {2, 4, "YCbCr4:2:1 (2 4)"},
    };
    for (const auto& kind : kinds) {
        if (kind.h == horizontal && kind.v == vertical)
            return kind.text;
    }
    return nullptr;
}

std::string CameraClockText(int64_t seconds)
{
    // Whole days down, so that a time before 1970 keeps a positive time of day.
    int64_t days = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0), rest = seconds - days * 86400;
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    int64_t z = days + 719468, era = z / 146097, doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    int64_t day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
    int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[128];  // room for any six 64-bit numbers
    std::snprintf(text, sizeof text, "%04lld:%02lld:%02lld %02lld:%02lld:%02lld", (long long)year,
                  (long long)month, (long long)day, (long long)(rest / 3600), (long long)(rest / 60 % 60),
                  (long long)(rest % 60));
    return text;
}

}  // namespace metaprobe
