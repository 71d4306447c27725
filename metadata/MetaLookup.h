#pragma once
// For one file: when was it taken (or modified, created, accessed, by the organize mode), and
// how is the picture oriented. JPEG files are read in-process; every other file is asked
// through the metadata tool. No state is kept between calls.

#include <optional>
#include <string>

#include "engine/DateTime.h"
#include "engine/OrganizeMode.h"
#include "metadata/MetaToolRunner.h"

class MetaLookup {
public:
    MetaLookup();  // the tool beside the executable, with the default time limit
    explicit MetaLookup(MetaToolConfig toolConfig);

    std::optional<DateTime> GetDateTaken(const std::string& path) const;
    // The date a date mode takes; nothing for a mode that is not a date mode. origin, when given,
    // gets where the date came from: the metadata field's name ("Date/Time Original", ...),
    // "XMP capture date" (a JPEG's XMP when its EXIF has no capture date),
    // "file name", or "file modified", "file created", "file accessed".
    std::optional<DateTime> GetDateForMode(const std::string& path, OrganizeMode mode,
                                           std::string* origin = nullptr) const;
    // A folder name: "Horizontal (normal)", "Rotate 90 CW", "Rotate 90 CCW", or the tool's text.
    bool GetOrientationText(const std::string& path, std::string& text) const;
    // What the file has for the mode: its date, extension or orientation; nothing when it has no
    // answer (or the mode is unknown). The run and quillmere-cli lookup both ask here. With
    // nameDates, the modes that fall back to a file time try a date in the file name first.
    // origin, when given, gets where a date came from, as GetDateForMode says.
    std::optional<ModeValue> ForMode(const std::string& path, std::uint32_t mode, bool nameDates = false,
                                     std::string* origin = nullptr) const;
    // The identifier that ties a Live Photo's still to its video, as the metadata tool lists it.
    bool GetContentIdentifier(const std::string& path, std::string& identifier) const;

private:
    std::optional<DateTime> DateFor(const std::string& path, std::uint32_t mode, bool nameDates,
                                    bool& fromName, std::string& origin) const;

    MetaToolConfig toolConfig_;
};
