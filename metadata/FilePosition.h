// Where a file was taken, from what its metadata records: a JPEG's EXIF GPS directory, else its
// XMP (exif:GPSLatitude, exif:GPSLongitude); for any other file the metadata tool's listing:
// "GPS Position" (EXIF), else "GPS Latitude" with "GPS Longitude", else "GPS Coordinates" (a
// video's QuickTime "\xa9xyz" box or Apple's ISO 6709 location key). A position that names no
// place (0,0, out of range) counts as none.
#pragma once

#include <optional>
#include <vector>

#include "base/GeoPosition.h"
#include "metadata/ImageInfo.h"
#include "metadata/ListingParser.h"

std::optional<GeoPosition> PositionFromJpeg(const ImageInfo& info);

std::optional<GeoPosition> PositionFromListing(const std::vector<MetaField>& fields);
