// Reads the few XMP properties that matter for dates and orientation out of an XMP packet.
// XMP values never replace values of the EXIF directories (they list with priority 0).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/GeoPosition.h"

#include "metaprobe/ByteSource.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

// Largest packet read; larger ones are skipped.
constexpr uint64_t kMaxXmpBytes = 4u << 20;

void ReadXmp(const std::string& packet, Listing& listing);
// Reads `size` bytes at `offset` of `source` as a packet.
void ReadXmpAt(ByteSource& source, uint64_t offset, uint64_t size, Listing& listing);

// "2012-02-02T10:00:00+02:00" -> "2012:02:02 10:00:00+02:00" (exposed for tests).
std::string XmpDateText(const std::string& value);

// The ID of the extended packet a standard packet names (xmpNote:HasExtendedXMP), or empty.
std::string XmpExtendedId(const std::string& packet);

// The position of exif:GPSLatitude and exif:GPSLongitude ("48,34.38N", "7,48,54.72E"); nothing
// unless both are there and read.
std::optional<GeoPosition> XmpGpsPosition(const std::string& packet);

}  // namespace metaprobe
