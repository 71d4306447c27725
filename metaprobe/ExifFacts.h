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

// Fields of a picture read in the same walk as its listing, for callers that want values rather
// than text: the main image is the first directory and those it links to, the thumbnail the
// chain after it. Texts as written, up to their first NUL; the last value met wins.
struct ImageFacts {
    struct Orientation {
        bool present = false;
        double number = 0;  // the first value; 0 when it is not a number
    };
    // The first directory lies after the header, and it, its entries and its links to the Exif
    // and interoperability directories and to the next directory lie inside the structure.
    bool firstDirectoryRead = false;
    std::string model, bodySerial;
    Orientation mainOrientation, thumbnailOrientation;
    // The main image's GPS directory: coordinates of one to three rationals and the first byte of
    // each reference.
    GpsCoordinate latitude, longitude;
    // The thumbnail's JPEG named by the chain after the first directory: its offset from the TIFF
    // header and its length, as written (unchecked); 0 when absent.
    uint64_t thumbnailOffset = 0, thumbnailLength = 0;
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
    ImageFacts image;
};

}  // namespace metaprobe
