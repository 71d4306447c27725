// The JSON file that a Google Takeout export writes beside each photo or video ("sidecar"): the
// fields Quillmere uses and nothing else. A small parser of our own with limits on size and depth,
// so that a damaged or hostile file gives a clear error and never more work than its size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/DateTime.h"
#include "base/GeoPosition.h"
#include "engine/FileTimeDate.h"

// Largest sidecar read, in bytes; real ones hold a few kilobytes.
inline constexpr std::size_t kMaxTakeoutJsonBytes = 1024 * 1024;
// Deepest nesting of objects and arrays read; real ones nest three deep.
inline constexpr int kMaxTakeoutJsonDepth = 32;

struct TakeoutSidecar {
    std::string title;  // the media file's original name
    std::optional<std::int64_t> photoTaken;  // seconds since 1970, UTC
    std::optional<std::int64_t> created;  // when it was uploaded, seconds since 1970, UTC
    // geoData, else geoDataExif; none where both are 0,0 (the export's "no position") or absent.
    std::optional<GeoPosition> position;
};

// Reads a sidecar's text; false with error saying what is wrong and where.
bool ReadTakeoutJson(std::string_view text, TakeoutSidecar& sidecar, std::string& error);

// The UTC calendar date and time of seconds since 1970.
DateTime UtcDateOfSeconds(std::int64_t seconds);

// The local date and time a photo taken at seconds since 1970 (UTC) was taken, by the zone's rule
// of that date; position, when known, is where it was taken (not used by this zone, kept for a
// zone by position). False when the zone has no rule for the year or the instant is out of range.
bool TakeoutLocalDate(std::int64_t seconds, const std::optional<GeoPosition>& position, ZoneRules& zone,
                      DateTime& date);
