// A point on the earth as photos and videos record it, and the texts it is written in: the
// metadata tool's degrees ("48 deg 34' 22.80\" N"), XMP's "48,34.38N" and ISO 6709
// ("+48.5730+007.8152+140.000/"), as QuickTime's location fields hold it. Every text comes from a
// file and is untrusted: a parser gives nothing for anything it does not fully understand.
#pragma once

#include <optional>
#include <string_view>

struct GeoPosition {
    double latitude = 0;  // degrees, north positive
    double longitude = 0;  // degrees, east positive

    bool operator==(const GeoPosition&) const = default;
};

// A position that can name a place: finite, within the earth's ranges, and not 0,0 (what a
// device without a fix writes, far out in the Atlantic).
bool IsUsablePosition(const GeoPosition& position);

// The great-circle distance in kilometres (a sphere of the earth's mean radius).
double DistanceKm(const GeoPosition& a, const GeoPosition& b);

// One coordinate: decimal degrees ("-33.8688"), the metadata tool's "D deg M' S.SS\" H", or XMP's
// "D,M.mmH" and "D,M,SH"; H is positive or negative (N/S, E/W) and is optional where a sign may
// stand instead. Nothing when the value is out of range (limit 90 or 180) or not one of these.
std::optional<double> ParseCoordinateText(std::string_view text, char positive, char negative, double limit);

// "latitude, longitude[, altitude]" as the metadata tool lists GPS Position and GPS Coordinates.
std::optional<GeoPosition> ParsePositionText(std::string_view text);

// An ISO 6709 point: latitude and longitude each signed, in degrees, degrees and minutes, or
// degrees, minutes and seconds (by the digits before the decimal point), an optional altitude,
// an optional "CRS..." part and an optional closing "/".
std::optional<GeoPosition> ParseIso6709(std::string_view text);
