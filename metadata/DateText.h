#pragma once
// Date texts of the form year:month:day hour:minute:second, as EXIF and the metadata tool
// write them. Anything after the seconds (fractions, a time zone) is ignored; the values are
// taken as they stand, without range checks, except that year, month and day must not be 0.

#include <string_view>

#include "base/DateTime.h"

// False leaves `date` untouched. A number too large for an int fails the parse.
bool ParseDateText(std::string_view text, DateTime& date);
