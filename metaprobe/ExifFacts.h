// Values gathered while reading that later feed the combined fields at the end of the listing.
#pragma once

#include <cstdint>
#include <string>

namespace metaprobe {

struct GpsCoordinate {
    bool present = false;
    double degrees = 0;  // decimal degrees, without sign
    char ref = 0;  // 'N', 'S', 'E', 'W' or 0
};

struct ExifFacts {
    bool hasFNumber = false, hasApertureValue = false;
    double fNumber = 0, apertureValue = 0;
    bool hasExposureTime = false, hasShutterSpeedValue = false;
    double exposureTime = 0, shutterSpeedValue = 0;
    bool hasIso = false;
    double iso = 0;
    GpsCoordinate latitude, longitude;
    bool hasAltitude = false, altitudeRefKnown = false, belowSeaLevel = false;
    double altitude = 0;
    std::string gpsTime, gpsDate;
    uint64_t thumbnailLength = 0;
    bool hasThumbnail = false;
};

}  // namespace metaprobe
