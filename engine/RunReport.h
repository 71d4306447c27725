// The rows' report: a CSV file with a line per row, written by the command line as the run goes
// and by the window's "Save Rows as Report...". The window keeps no copy hashes, so its report
// has no hash column.
#pragma once

#include <string>

#include "engine/RowTexts.h"

enum class ReportColumns { Window, WithHash };

// The byte-order mark, which makes spreadsheet programs read the names as UTF-8 and not in the
// ANSI code page, and the line of column names.
// A run that makes backups says where each went, in a last column after those every report has.
std::string ReportHeader(ReportColumns columns, bool backupColumn = false);
std::string ReportLine(const std::string& source, const RowTexts& texts, ReportColumns columns,
                       bool backupColumn = false);
