// Name templates: the year, month and day sub-folders and the renamed target file name that an
// organize run builds from a date and the %-tags of the user's templates.
#pragma once

#include <string>

#include "base/DateTime.h"
#include "engine/OrganizeMode.h"
#include "engine/OrganizeOptions.h"
#include "engine/PlaceNames.h"

// Expands the month-folder tags %Y %M %A %L and the place tags %C %R %T (each place text as
// PlaceTagText gives it; an unknown place without a place given); anything else stays as written.
std::string ExpandMonthTemplate(const std::string& text, int year, int month, const PlaceNames& place = {});

// Expands the day-folder tags %Y %M %A %L %D %C %R %T.
std::string ExpandDayTemplate(const std::string& text, int year, int month, int day,
                              const PlaceNames& place = {});

// Expands the file-name tags %Y %M %A %L %D %C %R %T %P %H %J %I %S %N; %N becomes stem and,
// being replaced last, percent signs inside it stay as they are.
std::string ExpandFileNameTemplate(const std::string& text, int year, int month, int day, int hour,
                                   int minute, int second, const std::string& stem,
                                   const PlaceNames& place = {});

// The year, month and day levels the switches and templates ask for, each ending in a
// backslash; empty when none. A switch that is on with an empty template adds no level.
std::string BuildSubfolderPath(const OrganizeOptions& options, const DateTime& date,
                               const PlaceNames& place = {});

// The target file name, without folder: the source's own name unless renaming applies (switch
// on, template not empty, not By File Extension or By Orientation), else the expanded template
// plus the source extension.
std::string BuildTargetName(const OrganizeOptions& options, const std::string& sourcePath,
                            const DateTime& date, const PlaceNames& place = {});

// Whether a template that is in use holds %C, %R or %T: only then does a run look for places.
bool TemplatesUsePlace(const OrganizeOptions& options);
