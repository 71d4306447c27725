// A row's texts as the file list, the command line's lines and the reports show them, made from
// the row's record.
#pragma once

#include <string>

#include "engine/RunRecord.h"

struct RowTexts {
    std::string target;
    std::string result;
    std::string date;  // "YYYY-MM-DD hh:mm:ss", empty when no date was used
    std::string dateOrigin;
    std::string place;
    std::string hash;
    std::string backup;
};

// The run's own words, as the command line prints and reports them.
RowTexts RowTextsOf(const RunRecord& record);

// Whether a row was placed by a file time in a mode that takes the capture date first
// (fileTimeFallback), which the window names in the row and counts in its summary.
bool PlacedByFileTime(const RunRecord& record, bool fileTimeFallback);

// As the window's list shows them: a preview says what the run would do, and a row placed by a
// file time says which one.
RowTexts WindowRowTexts(const RunRecord& record, bool fileTimeFallback);
