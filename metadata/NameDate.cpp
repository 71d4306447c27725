#include "metadata/NameDate.h"

#include <cstddef>

namespace {

constexpr int kFirstYear = 1990;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsAlnum(char c)
{
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsHex(char c)
{
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsSeparator(char c)
{
    return c == '_' || c == '-' || c == '.' || c == ' ';
}

// A cursor over the name that never reads past its end.
class Cursor {
public:
    Cursor(std::string_view text, std::size_t at) : text_(text), at_(at) { }

    std::size_t At() const { return at_; }
    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }

    // Exactly `count` digits as a number.
    bool Number(std::size_t count, int& value)
    {
        if (text_.size() - at_ < count)
            return false;
        int result = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (!IsDigit(text_[at_ + i]))
                return false;
            result = result * 10 + (text_[at_ + i] - '0');
        }
        at_ += count;
        value = result;
        return true;
    }

    bool Take(char c)
    {
        if (AtEnd() || text_[at_] != c)
            return false;
        ++at_;
        return true;
    }

    // Skips up to `count` further digits (fractions of a second).
    void SkipDigits(std::size_t count)
    {
        for (std::size_t i = 0; i < count && IsDigit(Peek()); ++i)
            ++at_;
    }

private:
    std::string_view text_;
    std::size_t at_;
};

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool IsValidDate(int year, int month, int day, int currentYear)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < kFirstYear || year > currentYear + 1 || month < 1 || month > 12 || day < 1)
        return false;
    const int last = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    return day <= last;
}

bool IsValidTime(int hour, int minute, int second)
{
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// 8-4-4-4-12 hexadecimal digits: an identifier whose first group may be all digits.
bool IsUuidLike(std::string_view name)
{
    static const std::size_t kGroups[] = {8, 4, 4, 4, 12};
    std::size_t at = 0;
    for (std::size_t g = 0; g < 5; ++g) {
        for (std::size_t i = 0; i < kGroups[g]; ++i, ++at)
            if (at >= name.size() || !IsHex(name[at]))
                return false;
        if (g < 4 && (at >= name.size() || name[at++] != '-'))
            return false;
    }
    return at == name.size() || !IsAlnum(name[at]);
}

// The time after a date: HHMMSS with up to three more digits, or HH?MM?SS with one separator
// used twice. True with nothing read when no digit follows.
bool ReadTime(Cursor& cursor, DateTime& date)
{
    if (!IsDigit(cursor.Peek()))
        return false;
    int hour = 0, minute = 0, second = 0;
    Cursor compact = cursor;
    if (compact.Number(2, hour) && compact.Number(2, minute) && compact.Number(2, second)) {
        compact.SkipDigits(3);
        if (IsDigit(compact.Peek()) || !IsValidTime(hour, minute, second))
            return false;
        cursor = compact;
    } else {
        if (!cursor.Number(2, hour))
            return false;
        const char separator = cursor.Peek();
        if (!IsSeparator(separator) || !cursor.Take(separator) || !cursor.Number(2, minute) ||
            !cursor.Take(separator) || !cursor.Number(2, second) || IsDigit(cursor.Peek()) ||
            !IsValidTime(hour, minute, second))
            return false;
    }
    date.hour = hour;
    date.minute = minute;
    date.second = second;
    return true;
}

// A date starting at `start`: YYYYMMDD or YYYY?MM?DD, then optionally a separator and a time.
bool ReadCandidate(std::string_view name, std::size_t start, int currentYear, DateTime& date)
{
    Cursor cursor(name, start);
    DateTime found;
    if (!cursor.Number(4, found.year))
        return false;
    const char separator = cursor.Peek();
    if (IsDigit(separator)) {
        if (!cursor.Number(2, found.month) || !cursor.Number(2, found.day))
            return false;
    } else if (separator == '-' || separator == '_' || separator == '.') {
        cursor.Take(separator);
        if (!cursor.Number(2, found.month) || !cursor.Take(separator) || !cursor.Number(2, found.day))
            return false;
    } else {
        return false;
    }
    if (!IsValidDate(found.year, found.month, found.day, currentYear))
        return false;
    // Directly followed by more digits or letters, the number is something else.
    if (IsAlnum(cursor.Peek()))
        return false;
    if (IsSeparator(cursor.Peek())) {
        Cursor time = cursor;
        time.Take(time.Peek());
        // A separator and digits that make no time: the digits belong to some other number.
        if (IsDigit(time.Peek()) && !ReadTime(time, found))
            return false;
    }
    date = found;
    return true;
}

}  // namespace

bool DateFromFileName(std::string_view fileName, int currentYear, DateTime& date)
{
    if (IsUuidLike(fileName))
        return false;
    for (std::size_t at = 0; at + 8 <= fileName.size(); ++at) {
        // A date starts a name or follows a separator, never the middle of a word or number.
        if (at > 0 && !IsSeparator(fileName[at - 1]))
            continue;
        if (ReadCandidate(fileName, at, currentYear, date))
            return true;
    }
    return false;
}
