#include "engine/LogText.h"

#include <cstdio>

namespace {

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

const std::string kRule(67, '=');
const char kIntro[] = "This is a log file created by Quillmere.";

// How each kind of line of the log begins; an intro or rule line is that text alone.
const std::string_view kLineStarts[] = {"Start at: ", "Finish at: ", "[Source] ",
                                        "[Target] ",  "[Move] ",     "[Copy] "};

bool IsLogLine(std::string_view line)
{
    if (line.empty() || line == kIntro || line == kRule)
        return true;
    for (const std::string_view start : kLineStarts)
        if (line.substr(0, start.size()) == start)
            return true;
    return false;
}

// The beginning of a log line that was cut short.
bool IsCutLogLine(std::string_view line)
{
    if (IsLogLine(line) || std::string_view(kIntro).substr(0, line.size()) == line ||
        std::string_view(kRule).substr(0, line.size()) == line)
        return true;
    for (const std::string_view start : kLineStarts)
        if (start.substr(0, line.size()) == line)
            return true;
    return false;
}

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
        text += std::string(kIntro) + "\r\n\r\n";
    text += kRule + "\r\n";
    text += "Start at: " + FormatLogTime(start) + "\r\n\r\n";
    return text;
}

std::string LogRecord(const RunRecord& record)
{
    const char* const verb = record.move ? "Move" : "Copy";
    return "[Source] " + record.source + "\r\n[Target] " + record.target + "\r\n[" + verb + "] " +
           record.result.text + "\r\n\r\n";
}

std::string LogFooter(const LogTime& finish)
{
    return "Finish at: " + FormatLogTime(finish) + "\r\n" + kRule + "\r\n\r\n\r\n";
}

bool IsLogText(std::string_view content, bool whole)
{
    // Control bytes other than tab and line ends mark a file that is not text (a photo, say).
    for (const char c : content)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n')
            return false;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t end = content.find('\n', start);
        std::string_view line = content.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (end == std::string_view::npos)
            return !whole || IsCutLogLine(line);
        if (!IsLogLine(line))
            return false;
        start = end + 1;
    }
    return true;
}
