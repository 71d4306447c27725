// Name templates: the year, month and day sub-folders and the renamed target file name that an
// organize run builds from a date and the %-tags of the user's templates.
#pragma once

#include <string>

#include "base/DateTime.h"
#include "engine/OrganizeMode.h"
#include "engine/OrganizeOptions.h"

// Expands the month-folder tags %Y %M %A %L; anything else stays as written.
std::string ExpandMonthTemplate(const std::string& text, int year, int month);

// Expands the day-folder tags %Y %M %A %L %D.
std::string ExpandDayTemplate(const std::string& text, int year, int month, int day);

// Expands the file-name tags %Y %M %A %L %D %P %H %J %I %S %N; %N becomes stem and, being
// replaced last, percent signs inside it stay as they are.
std::string ExpandFileNameTemplate(const std::string& text, int year, int month, int day, int hour,
                                   int minute, int second, const std::string& stem);

// The year, month and day levels the switches and templates ask for, each ending in a
// backslash; empty when none. A switch that is on with an empty template adds no level.
std::string BuildSubfolderPath(const OrganizeOptions& options, const DateTime& date);

// The target file name, without folder: the source's own name unless renaming applies (switch
// on, template not empty, not By File Extension or By Orientation), else the expanded template
// plus the source extension.
std::string BuildTargetName(const OrganizeOptions& options, const std::string& sourcePath,
                            const DateTime& date);
