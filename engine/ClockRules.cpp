#include "engine/ClockRules.h"

#include <cstdio>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kMaxShiftSeconds = kMaxShiftDays * kSecondsPerDay;

const char kShiftForm[] = "the shift is + or - with HH:MM, HH:MM:SS, Nd or Nd HH:MM";

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b)
{
    a = Trimmed(a);
    b = Trimmed(b);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Up to maxDigits digits at the front of text, taken off it; false when there are none or more.
bool TakeNumber(std::string_view& text, std::size_t maxDigits, std::int64_t& number)
{
    std::size_t count = 0;
    number = 0;
    while (count < text.size() && IsDigit(text[count])) {
        if (count == maxDigits)
            return false;
        number = number * 10 + (text[count] - '0');
        ++count;
    }
    if (count == 0)
        return false;
    text.remove_prefix(count);
    return true;
}

// Exactly two digits, 00 to 59, after a colon.
bool TakeSixty(std::string_view& text, std::int64_t& number)
{
    if (text.size() < 3 || text[0] != ':' || !IsDigit(text[1]) || !IsDigit(text[2]))
        return false;
    number = (text[1] - '0') * 10 + (text[2] - '0');
    text.remove_prefix(3);
    return number < 60;
}

// "HH:MM" or "HH:MM:SS", all of text.
bool ParseClock(std::string_view text, std::int64_t& seconds)
{
    std::int64_t hours = 0;
    std::int64_t minutes = 0;
    std::int64_t secs = 0;
    if (!TakeNumber(text, 6, hours) || !TakeSixty(text, minutes))
        return false;
    if (!text.empty() && !TakeSixty(text, secs))
        return false;
    if (!text.empty())
        return false;
    seconds = hours * 3600 + minutes * 60 + secs;
    return true;
}

bool ParseShift(std::string_view text, std::int64_t& seconds)
{
    if (text.empty() || (text[0] != '+' && text[0] != '-'))
        return false;
    const bool negative = text[0] == '-';
    text.remove_prefix(1);
    std::int64_t total = 0;
    std::string_view rest = text;
    std::int64_t days = 0;
    if (TakeNumber(rest, 6, days) && !rest.empty() && (rest[0] == 'd' || rest[0] == 'D')) {
        rest.remove_prefix(1);
        total = days * kSecondsPerDay;
        text = Trimmed(rest);
        // "+1d" alone; a time of day after the days follows a space.
        if (!text.empty() && text.size() == rest.size())
            return false;
        if (text.empty()) {
            seconds = negative ? -total : total;
            return total <= kMaxShiftSeconds;
        }
    }
    std::int64_t clock = 0;
    if (!ParseClock(text, clock))
        return false;
    total += clock;
    if (total > kMaxShiftSeconds)
        return false;
    seconds = negative ? -total : total;
    return true;
}

bool Refuse(std::string_view text, const char* why, std::string& error)
{
    error = "Not a clock rule: \"" + std::string(text) + "\" (" + why + ")";
    return false;
}

bool IsLeapYear(std::int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(std::int64_t year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(const DateTime& date)
{
    return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
           date.day <= DaysInMonth(date.year, date.month) && date.hour >= 0 && date.hour <= 23 &&
           date.minute >= 0 && date.minute <= 59 && date.second >= 0 && date.second <= 59;
}

// Days since 0000-03-01 of the proleptic Gregorian calendar, counted from March so that a leap
// day ends its year.
std::int64_t DayNumber(std::int64_t year, int month, int day)
{
    if (month <= 2)
        --year;
    const std::int64_t era = year / 400;  // years are at least 0 here
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra;
}

void DateOfDayNumber(std::int64_t number, DateTime& date)
{
    const std::int64_t era = number / 146097;
    const std::int64_t dayOfEra = number - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    date.month = month;
    date.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
}

std::int64_t SecondsOf(const DateTime& date)
{
    return DayNumber(date.year, date.month, date.day) * kSecondsPerDay + date.hour * 3600 + date.minute * 60 +
           date.second;
}

}  // namespace

bool ParseClockRule(std::string_view text, ClockRule& rule, std::string& error)
{
    const std::string_view whole = Trimmed(text);
    for (const char c : whole)
        if (static_cast<unsigned char>(c) < 0x20)
            return Refuse(whole, "it holds a control character", error);
    const std::size_t equals = whole.rfind('=');
    if (equals == std::string_view::npos)
        return Refuse(whole, "write CAMERA=SHIFT, the camera as a model, Model#Serial or *", error);
    const std::string_view camera = Trimmed(whole.substr(0, equals));
    const std::string_view shift = Trimmed(whole.substr(equals + 1));
    ClockRule parsed;
    if (camera.empty())
        return Refuse(whole, "no camera before the =", error);
    if (camera == "*") {
        parsed.everyFile = true;
    } else {
        const std::size_t hash = camera.rfind('#');
        parsed.model = std::string(Trimmed(camera.substr(0, hash)));
        if (hash != std::string_view::npos) {
            parsed.serial = std::string(Trimmed(camera.substr(hash + 1)));
            if (parsed.serial.empty())
                return Refuse(whole, "no serial number after the #", error);
        }
        if (parsed.model.empty())
            return Refuse(whole, "no camera model before the #", error);
        if (parsed.model == "*")
            return Refuse(whole, "* stands for every file and takes no serial number", error);
    }
    if (!ParseShift(shift, parsed.seconds))
        return Refuse(whole, kShiftForm, error);
    parsed.text = std::string(camera) + "=" + std::string(shift);
    rule = std::move(parsed);
    return true;
}

bool ParseClockRules(std::string_view lines, std::vector<ClockRule>& rules, std::string& error)
{
    std::vector<ClockRule> parsed;
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (Trimmed(line).empty())
            continue;
        ClockRule rule;
        if (!ParseClockRule(line, rule, error))
            return false;
        parsed.push_back(std::move(rule));
    }
    rules = std::move(parsed);
    return true;
}

const ClockRule* FindClockRule(const std::vector<ClockRule>& rules, std::string_view model,
                               std::string_view serial)
{
    // A rule names a model and a serial, if any, that are not empty: a file that names none
    // matches no such rule.
    const ClockRule* forModel = nullptr;
    const ClockRule* forAll = nullptr;
    for (const ClockRule& rule : rules) {
        if (rule.everyFile) {
            if (forAll == nullptr)
                forAll = &rule;
        } else if (SameText(rule.model, model)) {
            if (rule.serial.empty()) {
                if (forModel == nullptr)
                    forModel = &rule;
            } else if (SameText(rule.serial, serial)) {
                return &rule;
            }
        }
    }
    return forModel != nullptr ? forModel : forAll;
}

bool ShiftDate(DateTime& date, std::int64_t seconds)
{
    if (!IsValidDate(date))
        return false;
    const std::int64_t moved = SecondsOf(date) + seconds;
    if (moved < SecondsOf(DateTime {1, 1, 1, 0, 0, 0}) ||
        moved > SecondsOf(DateTime {9999, 12, 31, 23, 59, 59}))
        return false;
    const std::int64_t day = moved / kSecondsPerDay;
    const std::int64_t time = moved % kSecondsPerDay;
    DateOfDayNumber(day, date);
    date.hour = static_cast<int>(time / 3600);
    date.minute = static_cast<int>(time % 3600 / 60);
    date.second = static_cast<int>(time % 60);
    return true;
}

std::string ShiftText(std::int64_t seconds)
{
    const bool negative = seconds < 0;
    const std::int64_t total = negative ? -seconds : seconds;
    const std::int64_t days = total / kSecondsPerDay;
    const std::int64_t rest = total % kSecondsPerDay;
    std::string text(1, negative ? '-' : '+');
    if (days != 0) {
        text += std::to_string(days) + "d";
        if (rest == 0)
            return text;
        text += ' ';
    }
    char clock[16];
    if (rest % 60 != 0)
        std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", static_cast<int>(rest / 3600),
                      static_cast<int>(rest % 3600 / 60), static_cast<int>(rest % 60));
    else
        std::snprintf(clock, sizeof clock, "%02d:%02d", static_cast<int>(rest / 3600),
                      static_cast<int>(rest % 3600 / 60));
    return text + clock;
}

bool SecondsBetween(const DateTime& from, const DateTime& to, std::int64_t& seconds)
{
    if (!IsValidDate(from) || !IsValidDate(to))
        return false;
    seconds = SecondsOf(to) - SecondsOf(from);
    return true;
}

bool ParseDayBegins(std::string_view text, int& minutes)
{
    text = Trimmed(text);
    std::int64_t hours = 0;
    std::int64_t mins = 0;
    if (text.size() != 5 || !TakeNumber(text, 2, hours) || !TakeSixty(text, mins) || !text.empty() ||
        hours > 23)
        return false;
    minutes = static_cast<int>(hours * 60 + mins);
    return true;
}

DateTime FolderDate(const DateTime& date, int dayBeginsMinutes)
{
    DateTime folder = date;
    if (date.hour * 60 + date.minute < dayBeginsMinutes)
        ShiftDate(folder, -kSecondsPerDay);  // an invalid date stays as it is, as without the option
    return folder;
}
