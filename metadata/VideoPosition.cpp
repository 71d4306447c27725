#include "metadata/VideoPosition.h"

#include <cstddef>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One signed coordinate at `at` whose whole part has `degreeDigits` digits of degrees, followed by
// two of minutes and two of seconds when it is that long; `at` moves past it.
bool ReadCoordinate(std::string_view text, std::size_t& at, std::size_t degreeDigits, double& value)
{
    if (at >= text.size() || (text[at] != '+' && text[at] != '-'))
        return false;
    const bool negative = text[at] == '-';
    std::size_t end = at + 1;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    const std::size_t whole = end - at - 1;
    if (whole != degreeDigits && whole != degreeDigits + 2 && whole != degreeDigits + 4)
        return false;
    double fraction = 0;
    if (end < text.size() && text[end] == '.') {
        double scale = 0.1;
        std::size_t digit = end + 1;
        for (; digit < text.size() && IsDigit(text[digit]); ++digit, scale /= 10)
            fraction += (text[digit] - '0') * scale;
        if (digit == end + 1)
            return false;
        end = digit;
    }
    // The whole part's digit groups: degrees, then minutes and seconds; the fraction belongs to
    // the last group.
    int parts[3] = {0, 0, 0};
    std::size_t digit = at + 1;
    for (int group = 0; digit < at + 1 + whole; ++group) {
        const std::size_t width = group == 0 ? degreeDigits : 2;
        for (std::size_t i = 0; i < width; ++i, ++digit)
            parts[group] = parts[group] * 10 + (text[digit] - '0');
    }
    const double minutes = parts[1] + (whole == degreeDigits + 2 ? fraction : 0);
    const double seconds = parts[2] + (whole == degreeDigits + 4 ? fraction : 0);
    if (minutes >= 60 || seconds >= 60)
        return false;
    value = parts[0] + (whole == degreeDigits ? fraction : 0) + minutes / 60 + seconds / 3600;
    if (negative)
        value = -value;
    at = end;
    return true;
}

}  // namespace

bool ParseIso6709(std::string_view text, VideoPosition& position)
{
    std::size_t at = 0;
    double latitude = 0, longitude = 0;
    if (!ReadCoordinate(text, at, 2, latitude) || !ReadCoordinate(text, at, 3, longitude))
        return false;
    if (latitude < -90 || latitude > 90 || longitude < -180 || longitude > 180)
        return false;
    // An altitude is a plain signed number of any length.
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        std::size_t digits = at + 1;
        while (digits < text.size() && (IsDigit(text[digits]) || text[digits] == '.'))
            ++digits;
        if (digits == at + 1)
            return false;
        at = digits;
    }
    // A reference system names itself up to the closing slash.
    if (text.substr(at, 3) == "CRS") {
        const std::size_t slash = text.find('/', at);
        if (slash == std::string_view::npos)
            return false;
        at = slash;
    }
    if (at < text.size() && text[at] == '/')
        ++at;
    if (at != text.size())
        return false;
    position.latitude = latitude;
    position.longitude = longitude;
    return true;
}
