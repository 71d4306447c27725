// Camera clock rules: "camera=shift" lines that move the capture date of the files a camera took
// (a camera whose clock was set wrong, or left on another zone), and the hour a day begins at for
// the date folders. The camera is its model as the file names it, one body of it as
// "Model#Serial", or "*" for every file; the shift is signed days, hours, minutes and seconds
// ("+01:00", "-00:07:36", "-2d 00:00", "+1d").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTime.h"

struct ClockRule {
    std::string model;  // empty for "*"
    std::string serial;  // empty when the rule names no body
    bool everyFile = false;  // "*"
    std::int64_t seconds = 0;  // the shift
    std::string text;  // the rule as it was written, trimmed: the name rows and reports show
};

// The most a rule may move a date: far beyond any camera clock's error, and small enough that a
// shifted date stays a four-digit year.
inline constexpr std::int64_t kMaxShiftDays = 36500;

// One rule; false with error "Not a clock rule: TEXT (why)" otherwise.
bool ParseClockRule(std::string_view text, ClockRule& rule, std::string& error);

// Rules one per line (LF or CR LF); blank lines are skipped. False with the first bad line's error.
bool ParseClockRules(std::string_view lines, std::vector<ClockRule>& rules, std::string& error);

// The rule that applies to a file of this camera: a "Model#Serial" rule over a "Model" rule over
// "*"; the first of equals. Models and serials compare without regard to ASCII case and to spaces
// at either end. Null when none applies.
const ClockRule* FindClockRule(const std::vector<ClockRule>& rules, std::string_view model,
                               std::string_view serial);

// The date moved by seconds on the calendar (month and year ends, leap days). False, with the
// date unchanged, for a date that is not a valid one or a result outside the years 1 to 9999.
bool ShiftDate(DateTime& date, std::int64_t seconds);

// The shift as a rule writes it: "+01:00", "-00:07:36", "+1d 02:00".
std::string ShiftText(std::int64_t seconds);

// The seconds from one date to another (to - from); false when either is not a valid date.
bool SecondsBetween(const DateTime& from, const DateTime& to, std::int64_t& seconds);

// "HH:MM", 00:00 to 23:59, as minutes after midnight; false for any other text.
bool ParseDayBegins(std::string_view text, int& minutes);

// The date whose folders a file goes into when the day begins minutes after midnight: a time
// before then counts to the day before.
DateTime FolderDate(const DateTime& date, int dayBeginsMinutes);
