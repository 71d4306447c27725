#include "engine/LogText.h"

#include <cstdio>

namespace {

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

const std::string kRule(67, '=');

}  // namespace

std::string FormatLogTime(const LogTime& t)
{
    const char* weekday = t.weekday >= 0 && t.weekday < 7 ? kWeekdays[t.weekday] : "";
    const char* month = t.month >= 1 && t.month <= 12 ? kMonths[t.month - 1] : "";
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %d %02d:%02d:%02d", weekday, t.day, month, t.year, t.hour,
                  t.minute, t.second);
    return buf;
}

std::string LogHeader(bool fileIsEmpty, const LogTime& start)
{
    std::string text;
    if (fileIsEmpty)
        text += "This is a log file created by Quillmere.\r\n\r\n";
    text += kRule + "\r\n";
    text += "Start at: " + FormatLogTime(start) + "\r\n\r\n";
    return text;
}

std::string LogRecord(const std::string& source, const std::string& target, const std::string& verb,
                      const std::string& result)
{
    return "[Source] " + source + "\r\n[Target] " + target + "\r\n[" + verb + "] " + result + "\r\n\r\n";
}

std::string LogFooter(const LogTime& finish)
{
    return "Finish at: " + FormatLogTime(finish) + "\r\n" + kRule + "\r\n\r\n\r\n";
}
