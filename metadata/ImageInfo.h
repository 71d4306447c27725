#pragma once

// The fields a capture date is taken from, first one first: the names the metadata tool lists
// them under.
inline constexpr const char* kDateTakenFields[] = {"Date/Time Original", "Create Date", "Modify Date"};

// What the JPEG section reader and the EXIF parser find out about one JPEG file.
// The creator zero-fills the record; the reader and the parser only overwrite fields.
struct ImageInfo {
    char exifVersion[5];
    char make[32];
    char model[40];
    // The body's serial number (EXIF Body Serial Number), by which clock rules tell bodies apart.
    char bodySerial[40];
    char dateTimeOriginal[20];
    // The capture date as the metadata tool lists it for the same file: the value of the first
    // of kDateTakenFields that its metadata segments give, and that field's name; cut to fit.
    char dateTaken[40];
    char dateTakenField[24];
    int imageHeight;
    int imageWidth;
    int orientation;  // 1 to 8, 0 when absent or invalid
    int isColor;
    int codingProcess;  // marker code of the frame header
    int flashFired;
    float focalLength;
    float exposureTime;  // seconds
    float fNumber;
    float subjectDistance;
    float sensorWidth;
    float exposureBias;
    int lightSource;
    int meteringMode;
    int exposureProgram;
    int isoSpeed;
    int compressedBitsPerPixel;
    float focalPlaneXResolution;
    float focalPlaneYResolution;
    float focalPlaneUnit;  // inches per unit
    float xResolution;
    float yResolution;
    float resolutionUnit;  // inches per unit
    float brightness;
    char comment[1000];
    // The main image's GPS position in signed degrees (north and east positive), when its GPS
    // directory gives both coordinates.
    bool hasGpsPosition;
    double gpsLatitude;
    double gpsLongitude;
    // The same from the first XMP section that gives both exif:GPSLatitude and exif:GPSLongitude.
    bool hasXmpPosition;
    double xmpLatitude;
    double xmpLongitude;
    unsigned char* thumbnail;  // points into the EXIF section kept by the reader
    int thumbnailSize;
    bool exifParsed;
};
