// Names and value texts of the standard TIFF, EXIF, interoperability, DNG and GPS tags.
#pragma once

#include <cstdint>
#include <string>

namespace metaprobe {

// How a tag's value becomes its text.
enum class Conv {
    Plain,  // numbers separated by spaces, or the text
    Enum,  // value looked up in the tag's table, "Unknown (N)" otherwise
    ExposureTime,  // "1/125"
    FNumber,  // "%.1f"
    FocalLength,  // "%.1f mm"
    Millimetres,  // "N mm"
    Metres,  // "N m"
    ShutterApex,  // APEX time value shown as an exposure time
    ApertureApex,  // APEX aperture value shown as an f-number
    Fraction,  // exposure compensation
    Version,  // four bytes of ASCII digits ("0221")
    DottedVersion,  // bytes joined by dots ("2.2.0.0")
    Components,  // "Y, Cb, Cr, -"
    Flash,
    Binary,  // "(Binary data N bytes, use -b option to extract)"
    UserComment,  // 8-byte character code, then the text
    LensInfo,  // "18-55mm f/3.5-5.6"
    Ucs2Text,  // Windows XP fields: UCS-2 little-endian
    SubSampling,  // "YCbCr4:2:0 (2 2)"
    InteropIndex,
    CommaList,  // numbers separated by ", "
    GpsCoordinate,  // "54 deg 59' 22.80\"" (also feeds the combined position)
    GpsTime,  // "14:03:09.56"
    GpsRef,  // one-letter reference looked up in the table
    Undefined8,  // undefined bytes shown as text
    SubIfd,  // pointer to a child directory, not listed
    Hex,  // bytes as upper-case hexadecimal digits
};

struct EnumText {
    int64_t value;
    const char* text;
};

struct TagInfo {
    uint16_t id;
    const char* name;
    Conv conv;
    const EnumText* table = nullptr;
    unsigned tableSize = 0;
};

// Tag of the main table (IFD0, IFD1, sub-IFDs, EXIF and interoperability directories); null if unknown.
const TagInfo* FindExifTag(uint16_t id);
// Tag of the first directory of a Panasonic raw; null if unknown.
const TagInfo* FindPanasonicTag(uint16_t id);
// Tag of the GPS directory; null if unknown.
const TagInfo* FindGpsTag(uint16_t id);
// True when `name` is the listing name of a standard TIFF, EXIF or GPS tag.
bool IsStandardTagName(const std::string& name);
// Text of an enumerated value, or null when the table has none.
const char* LookupEnum(const TagInfo& tag, int64_t value);

// Pointer tags that lead to child directories.
constexpr uint16_t kExifIfdTag = 0x8769, kGpsIfdTag = 0x8825, kInteropIfdTag = 0xA005, kSubIfdsTag = 0x014A;
// XMP packet of a TIFF file.
constexpr uint16_t kXmpTag = 0x02BC;
constexpr uint16_t kMakerNoteTag = 0x927C;
// A Panasonic raw keeps its EXIF data in a JPEG preview held by this tag of the first directory.
constexpr uint16_t kPanasonicJpgFromRawTag = 0x002E;

}  // namespace metaprobe
