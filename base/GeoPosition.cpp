#include "base/GeoPosition.h"

#include <cmath>
#include <cstddef>

namespace {

constexpr double kEarthRadiusKm = 6371.0088;
constexpr double kPi = 3.14159265358979323846;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void SkipSpaces(std::string_view text, std::size_t& at)
{
    while (at < text.size() && text[at] == ' ')
        ++at;
}

// An unsigned decimal number at `at`: digits, optionally a point and more digits; at least one
// digit, at most 15 in all so that the value is exact enough and cannot overflow. `whole` gets
// how many digits stood before the point.
std::optional<double> Number(std::string_view text, std::size_t& at, int* whole = nullptr)
{
    double value = 0;
    int digits = 0, before = 0;
    bool point = false;
    double scale = 1;
    while (at < text.size() && (IsDigit(text[at]) || (text[at] == '.' && !point))) {
        if (text[at] == '.') {
            point = true;
        } else {
            if (++digits > 15)
                return std::nullopt;
            if (point) {
                scale /= 10;
                value += (text[at] - '0') * scale;
            } else {
                value = value * 10 + (text[at] - '0');
                ++before;
            }
        }
        ++at;
    }
    if (digits == 0)
        return std::nullopt;
    if (whole != nullptr)
        *whole = before;
    return value;
}

bool Literal(std::string_view text, std::size_t& at, std::string_view literal)
{
    if (text.substr(at, literal.size()) != literal)
        return false;
    at += literal.size();
    return true;
}

// Degrees from minutes and seconds; nothing when either is 60 or more.
std::optional<double> Sexagesimal(double degrees, double minutes, double seconds)
{
    if (minutes >= 60 || seconds >= 60)
        return std::nullopt;
    return degrees + minutes / 60 + seconds / 3600;
}

}  // namespace

bool IsUsablePosition(const GeoPosition& position)
{
    if (!std::isfinite(position.latitude) || !std::isfinite(position.longitude))
        return false;
    if (std::fabs(position.latitude) > 90 || std::fabs(position.longitude) > 180)
        return false;
    return position.latitude != 0 || position.longitude != 0;
}

double DistanceKm(const GeoPosition& a, const GeoPosition& b)
{
    const double toRadians = kPi / 180;
    const double dLat = (b.latitude - a.latitude) * toRadians;
    const double dLon = (b.longitude - a.longitude) * toRadians;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(a.latitude * toRadians) * std::cos(b.latitude * toRadians) *
                             std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadiusKm * std::asin(std::sqrt(std::fmin(1.0, h)));
}

std::optional<double> ParseCoordinateText(std::string_view text, char positive, char negative, double limit)
{
    std::size_t at = 0;
    SkipSpaces(text, at);
    double sign = 1;
    bool signed_ = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        sign = text[at] == '-' ? -1 : 1;
        signed_ = true;
        ++at;
    }
    const auto degrees = Number(text, at);
    if (!degrees)
        return std::nullopt;
    std::optional<double> value;
    if (Literal(text, at, " deg")) {
        // D deg M' S.SS"
        SkipSpaces(text, at);
        const auto minutes = Number(text, at);
        if (!minutes || !Literal(text, at, "'"))
            return std::nullopt;
        SkipSpaces(text, at);
        const auto seconds = Number(text, at);
        if (!seconds || !Literal(text, at, "\""))
            return std::nullopt;
        value = Sexagesimal(*degrees, *minutes, *seconds);
    } else if (Literal(text, at, ",")) {
        // D,M.mm or D,M,S
        const auto minutes = Number(text, at);
        if (!minutes)
            return std::nullopt;
        double seconds = 0;
        if (Literal(text, at, ",")) {
            const auto s = Number(text, at);
            if (!s)
                return std::nullopt;
            seconds = *s;
        }
        value = Sexagesimal(*degrees, *minutes, seconds);
    } else {
        value = degrees;
    }
    if (!value)
        return std::nullopt;
    SkipSpaces(text, at);
    if (at < text.size() && (text[at] == positive || text[at] == negative)) {
        // A hemisphere letter after a sign would say the same thing twice, perhaps differently.
        if (signed_)
            return std::nullopt;
        sign = text[at] == negative ? -1 : 1;
        ++at;
    }
    SkipSpaces(text, at);
    if (at != text.size() || *value > limit)
        return std::nullopt;
    return sign * *value;
}

std::optional<GeoPosition> ParsePositionText(std::string_view text)
{
    const std::size_t comma = text.find(", ");
    if (comma == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = text.substr(comma + 2);
    // The third part, an altitude, does not place the file.
    const std::size_t altitude = rest.find(", ");
    if (altitude != std::string_view::npos)
        rest = rest.substr(0, altitude);
    const auto latitude = ParseCoordinateText(text.substr(0, comma), 'N', 'S', 90);
    const auto longitude = ParseCoordinateText(rest, 'E', 'W', 180);
    if (!latitude || !longitude)
        return std::nullopt;
    return GeoPosition {*latitude, *longitude};
}

namespace {

// One signed ISO 6709 coordinate whose whole degrees take `degreeDigits` digits.
std::optional<double> Iso6709Part(std::string_view text, std::size_t& at, int degreeDigits, double limit)
{
    if (at >= text.size() || (text[at] != '+' && text[at] != '-'))
        return std::nullopt;
    const double sign = text[at] == '-' ? -1 : 1;
    ++at;
    int whole = 0;
    const auto number = Number(text, at, &whole);
    if (!number)
        return std::nullopt;
    std::optional<double> value;
    const double n = *number;
    if (whole == degreeDigits) {
        value = n;
    } else if (whole == degreeDigits + 2) {
        const double degrees = std::floor(n / 100);
        value = Sexagesimal(degrees, n - degrees * 100, 0);
    } else if (whole == degreeDigits + 4) {
        const double degrees = std::floor(n / 10000);
        const double minutes = std::floor((n - degrees * 10000) / 100);
        value = Sexagesimal(degrees, minutes, n - degrees * 10000 - minutes * 100);
    }
    if (!value || *value > limit)
        return std::nullopt;
    return sign * *value;
}

}  // namespace

std::optional<GeoPosition> ParseIso6709(std::string_view text)
{
    std::size_t at = 0;
    const auto latitude = Iso6709Part(text, at, 2, 90);
    if (!latitude)
        return std::nullopt;
    const auto longitude = Iso6709Part(text, at, 3, 180);
    if (!longitude)
        return std::nullopt;
    // An altitude may follow, then a reference system; neither changes the point.
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
        if (!Number(text, at))
            return std::nullopt;
    }
    if (Literal(text, at, "CRS")) {
        while (at < text.size() && text[at] != '/')
            ++at;
    }
    Literal(text, at, "/");
    if (at != text.size())
        return std::nullopt;
    return GeoPosition {*latitude, *longitude};
}
