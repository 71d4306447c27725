#pragma once
// Capture dates that cameras, phones and messaging apps write into file names
// (IMG_20200101_123456, PXL_20200101_123456789, IMG-20200101-WA0001,
// Screenshot_2020-01-01-12-34-56, 2020-01-01 12.34.56, signal-2020-01-01-123456).
// Only year-first forms are read, so day and month are never guessed; a name whose numbers
// merely look like a date (a longer number, an invalid date or time, a UUID) gives nothing.

#include <string_view>

#include "base/DateTime.h"

// fileName is a name without folder. A date must lie between 1990 and currentYear + 1; a name
// without a time gives 00:00:00. False leaves `date` untouched.
bool DateFromFileName(std::string_view fileName, int currentYear, DateTime& date);
