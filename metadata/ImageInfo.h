#pragma once

// What the JPEG section reader and the EXIF parser find out about one JPEG file.
// The creator zero-fills the record; the reader and the parser only overwrite fields.
struct ImageInfo {
    char exifVersion[5];
    char make[32];
    char model[40];
    // The body's serial number (EXIF Body Serial Number), by which clock rules tell bodies apart.
    char bodySerial[40];
    char dateTimeOriginal[20];
    // The capture date of an XMP section in EXIF form, cut to fit; used when EXIF has none.
    char xmpDateTaken[40];
    // A capture date kept outside the EXIF directories, by cameras whose EXIF has none: in the
    // maker note, an APP12 picture info text or a QVCI block. Read only while EXIF gives none.
    char cameraDateTaken[20];
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
