// The texts of the operation log: one run's header, its records and its footer, lines ending in
// CR LF. Times are written with English names whatever the user's locale, so logs read the same
// everywhere.
#pragma once

#include <string>
#include <string_view>

#include "engine/RunRecord.h"

struct LogTime {
    int year = 0;
    int month = 1;  // 1-12
    int day = 1;
    int weekday = 0;  // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "%A, %d %B %Y %H:%M:%S", for example "Friday, 27 January 2012 10:46:15".
std::string FormatLogTime(const LogTime& time);

// The intro line (only when the file is empty), a rule and the start line.
std::string LogHeader(bool fileIsEmpty, const LogTime& start);
// A row's record: its source, its target, and what the run did ("[Move]" or "[Copy]") with its
// result.
std::string LogRecord(const RunRecord& record);
std::string LogFooter(const LogTime& finish);

// True when content is what this program writes into a log, so that a run may append to it (and
// convert it from the old code page): text whose every line is one the log is made of (the intro,
// a rule, a start or finish line, a record's line, an empty line). Empty content counts as a log.
// When whole is true the content is the entire file and its last line may be cut short (a run
// that was ended while writing); when false it is only the file's beginning and its last,
// unfinished line is not judged.
bool IsLogText(std::string_view content, bool whole);
