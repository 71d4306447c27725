#pragma once
// For one file: when was it taken (or modified, created, accessed, by the organize mode), and
// how is the picture oriented. JPEG files are read in-process; every other file is asked
// through the metadata tool. No state is kept between calls.

#include <string>

#include "engine/OrganizeOptions.h"
#include "metadata/MetaToolRunner.h"

class MetaLookup {
public:
    MetaLookup();  // the tool beside the executable, with the default time limit
    explicit MetaLookup(MetaToolConfig toolConfig);

    // The outputs are written only when the result is true.
    bool GetDateTaken(const std::string& path, int& year, int& month, int& day, int& hour, int& minute,
                      int& second) const;
    // origin, when given, gets where the date came from: the metadata field's name ("Date/Time
    // Original", ...) or "file modified", "file created", "file accessed".
    bool GetDateForMode(const std::string& path, DateSource mode, int& year, int& month, int& day, int& hour,
                        int& minute, int& second, std::string* origin = nullptr) const;
    // A folder name: "Horizontal (normal)", "Rotate 90 CW", "Rotate 90 CCW", or the tool's text.
    bool GetOrientationText(const std::string& path, std::string& text) const;

private:
    MetaToolConfig toolConfig_;
};
