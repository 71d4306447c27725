#pragma once
// For one file: when was it taken (or modified, created, accessed, by the organize mode), and
// how is the picture oriented. JPEG files are read in-process; every other file is asked
// through the metadata tool. No state is kept between calls.

#include <string>

#include "engine/OrganizeOptions.h"
#include "metadata/DateText.h"
#include "metadata/MetaToolRunner.h"

// Where a date was found.
enum class DateOrigin { Metadata, FileName, FileTime };

class MetaLookup {
public:
    MetaLookup();  // the tool beside the executable, with the default time limit
    explicit MetaLookup(MetaToolConfig toolConfig);

    // The outputs are written only when the result is true.
    bool GetDateTaken(const std::string& path, int& year, int& month, int& day, int& hour, int& minute,
                      int& second) const;
    bool GetDateForMode(const std::string& path, DateSource mode, int& year, int& month, int& day, int& hour,
                        int& minute, int& second) const;
    // The date for the mode and where it came from. With nameDates, modes 600, 700 and 800 try a
    // date in the file name after the capture date and before the file time.
    bool FindDate(const std::string& path, DateSource mode, bool nameDates, DateTimeFields& date,
                  DateOrigin& origin) const;
    // The identifier that ties a Live Photo's still to its video, as the metadata tool lists it.
    bool GetContentIdentifier(const std::string& path, std::string& identifier) const;
    // A folder name: "Horizontal (normal)", "Rotate 90 CW", "Rotate 90 CCW", or the tool's text.
    bool GetOrientationText(const std::string& path, std::string& text) const;

private:
    MetaToolConfig toolConfig_;
};
