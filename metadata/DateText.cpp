#include "metadata/DateText.h"

#include <climits>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The decimal number at `from`: leading white space, an optional sign, then digits up to the
// first non-digit. No digits reads as 0. False only when the number does not fit an int.
bool ReadNumber(std::string_view text, std::size_t from, int& value)
{
    std::size_t i = from;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            return false;
        ++i;
    }
    if (negative)
        magnitude = -magnitude;
    if (magnitude > INT_MAX || magnitude < INT_MIN)
        return false;
    value = static_cast<int>(magnitude);
    return true;
}

// The number that starts right after the first `mark` found at or after `from`.
bool NumberAfter(std::string_view text, char mark, std::size_t from, std::size_t& markAt, int& value)
{
    markAt = text.find(mark, from);
    if (markAt == std::string_view::npos)
        return false;
    return ReadNumber(text, markAt + 1, value);
}

}  // namespace

bool ParseDateText(std::string_view text, DateTime& date)
{
    DateTime parsed;
    if (!ReadNumber(text, 0, parsed.year) || parsed.year == 0)
        return false;
    std::size_t monthColon = 0;
    if (!NumberAfter(text, ':', 0, monthColon, parsed.month) || parsed.month == 0)
        return false;
    std::size_t dayColon = 0;
    if (!NumberAfter(text, ':', monthColon + 1, dayColon, parsed.day) || parsed.day == 0) {
        return false;
    }
    std::size_t space = 0;
    if (!NumberAfter(text, ' ', dayColon + 1, space, parsed.hour))
        return false;
    std::size_t minuteColon = 0;
    if (!NumberAfter(text, ':', space + 1, minuteColon, parsed.minute))
        return false;
    std::size_t secondColon = 0;
    if (!NumberAfter(text, ':', minuteColon + 1, secondColon, parsed.second))
        return false;
    date = parsed;
    return true;
}
