#pragma once

#include <cstdint>

// The fields a capture date is taken from, first one first: the names the metadata tool lists
// them under.
inline constexpr const char* kDateTakenFields[] = {"Date/Time Original", "Create Date", "Modify Date"};

// What the JPEG section reader finds out about one JPEG file.
// The creator zero-fills the record; the reader only overwrites fields.
struct ImageInfo {
    // From the first EXIF block (see ExifFields.h): as written, cut to fit.
    char model[40];
    // The body's serial number (EXIF Body Serial Number), by which clock rules tell bodies apart.
    char bodySerial[40];
    // The capture date as the metadata tool lists it for the same file: the value of the first
    // of kDateTakenFields that its metadata segments give, and that field's name; cut to fit.
    char dateTaken[40];
    char dateTakenField[24];
    int imageHeight;
    int imageWidth;
    int orientation;  // 1 to 8, 0 when absent or invalid
    int isColor;
    int codingProcess;  // marker code of the frame header
    char comment[1000];  // the first comment section
    // The main image's GPS position in signed degrees (north and east positive), when its GPS
    // directory gives both coordinates.
    bool hasGpsPosition;
    double gpsLatitude;
    double gpsLongitude;
    // The same from the first XMP section that gives both exif:GPSLatitude and exif:GPSLongitude.
    bool hasXmpPosition;
    double xmpLatitude;
    double xmpLongitude;
    // The first EXIF block's header and first directory were read whole.
    bool exifParsed;
    // Where the EXIF block's thumbnail JPEG lies, counted from the block's TIFF header, as the
    // block says (ExifThumbnailOf checks it against the block); length 0 when it names none.
    std::uint64_t thumbnailOffset;
    std::uint64_t thumbnailLength;
};
