#include "metadata/ExifParser.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Tags the parser stores; every other tag is skipped.
enum Tag : unsigned {
    kMake = 0x010F,
    kModel = 0x0110,
    kOrientation = 0x0112,
    kXResolution = 0x011A,
    kYResolution = 0x011B,
    kResolutionUnit = 0x0128,
    kThumbnailOffset = 0x0201,
    kThumbnailLength = 0x0202,
    kExposureTime = 0x829A,
    kFNumber = 0x829D,
    kExifDirectory = 0x8769,
    kExposureProgram = 0x8822,
    kGpsDirectory = 0x8825,
    kIsoSpeed = 0x8827,
    kExifVersion = 0x9000,
    kDateTimeOriginal = 0x9003,
    kCompressedBitsPerPixel = 0x9102,
    kShutterSpeedValue = 0x9201,
    kApertureValue = 0x9202,
    kBrightnessValue = 0x9203,
    kExposureBiasValue = 0x9204,
    kMaxApertureValue = 0x9205,
    kSubjectDistance = 0x9206,
    kMeteringMode = 0x9207,
    kLightSource = 0x9208,
    kFlash = 0x9209,
    kFocalLength = 0x920A,
    kUserComment = 0x9286,
    kPixelXDimension = 0xA002,
    kPixelYDimension = 0xA003,
    kInteroperabilityDirectory = 0xA005,
    kFocalPlaneXResolution = 0xA20E,
    kFocalPlaneYResolution = 0xA20F,
    kFocalPlaneResolutionUnit = 0xA210,
    kBodySerialNumber = 0xA431,
};

constexpr unsigned kMaxFormat = 12;
// Bytes per component of the TIFF formats 0 to 12 (0 has no value at all).
constexpr unsigned kFormatSize[kMaxFormat + 1] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

constexpr unsigned char kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint32_t kTiffHeaderSize = 8;
constexpr int kLowestIsoValue = 50;
constexpr int kIsoFactor = 200;
constexpr std::size_t kUserCommentChars = 199;

// Values of any format end up in int fields: NaN and out-of-range numbers saturate instead of
// being converted with undefined results.
int ToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(value);
}

// Copies at most maxChars characters of a value, up to its first 0 byte and never beyond its
// byte count; the rest of the field is cleared.
template <std::size_t N>
void CopyText(char (&field)[N], std::size_t maxChars, const unsigned char* value, std::uint64_t byteCount)
{
    static_assert(N > 0);
    std::memset(field, 0, N);
    std::size_t n = 0;
    while (n < maxChars && n < N - 1 && n < byteCount && value[n] != 0) {
        field[n] = static_cast<char>(value[n]);
        ++n;
    }
}

// Inches per unit of a TIFF resolution unit; false leaves the field as it was.
bool UnitFactor(int unit, float& factor)
{
    switch (unit) {
    case 1:
    case 2: factor = 1.0f; return true;
    case 3: factor = static_cast<float>(1.0 / 2.54); return true;
    case 4: factor = static_cast<float>(1.0 / 25.4); return true;
    case 5: factor = static_cast<float>(1.0 / 25400.0); return true;
    default: return false;
    }
}

}  // namespace

ExifParser::ExifParser(ImageInfo& info, char* errorText) : info(info), errorText(errorText)
{ }

void ExifParser::Fail(const char* message)
{
    std::snprintf(errorText, kErrorTextSize, "%s", message);
}

unsigned ExifParser::Get16(const unsigned char* p) const
{
    return motorolaOrder ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0];
}

std::uint32_t ExifParser::Get32(const unsigned char* p) const
{
    const std::uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
    return motorolaOrder ? (b0 << 24) | (b1 << 16) | (b2 << 8) | b3
                         : (b3 << 24) | (b2 << 16) | (b1 << 8) | b0;
}

bool ExifParser::ParseExif(unsigned char* payload, int sectionSize)
{
    info.flashFired = 0;
    std::memset(info.comment, 0, sizeof info.comment);
    largestDimension = 0;
    visitedCount = 0;

    // A section too short for a header fails the check that needs the missing bytes.
    const std::uint32_t payloadLength = sectionSize > 2 ? static_cast<std::uint32_t>(sectionSize - 2) : 0;
    if (payloadLength < sizeof kExifHeader || std::memcmp(payload, kExifHeader, sizeof kExifHeader) != 0) {
        Fail("Incorrect Exif header");
        return false;
    }
    tiff = payload + sizeof kExifHeader;
    tiffLength = payloadLength - sizeof kExifHeader;

    if (tiffLength >= 2 && tiff[0] == 'I' && tiff[1] == 'I') {
        motorolaOrder = false;
    } else if (tiffLength >= 2 && tiff[0] == 'M' && tiff[1] == 'M') {
        motorolaOrder = true;
    } else {
        Fail("Invalid Exif alignment marker.");
        return false;
    }
    if (tiffLength < 4 || Get16(tiff + 2) != 42) {
        Fail("Invalid Exif start (1)");
        return false;
    }
    if (tiffLength < kTiffHeaderSize) {
        Fail("Suspicious offset of first IFD value");
        return false;
    }
    // Any offset past the header and inside the data is valid TIFF: writers put padding or other
    // data before the first directory. One with no room for its entries fails as such below.
    const std::uint32_t firstOffset = Get32(tiff + 4);
    if (firstOffset < kTiffHeaderSize || firstOffset > tiffLength) {
        Fail("Suspicious offset of first IFD value");
        return false;
    }

    mainImageOrientation = false;
    if (!WalkDirectory(firstOffset, true))
        return false;

    if (info.focalPlaneXResolution != 0) {
        info.sensorWidth =
                static_cast<float>(largestDimension) * info.focalPlaneUnit / info.focalPlaneXResolution;
    }
    return true;
}

bool ExifParser::MarkVisited(std::uint32_t start)
{
    for (int i = 0; i < visitedCount; ++i) {
        if (visited[i] == start)
            return false;
    }
    if (visitedCount == kMaxDirectories)
        return false;
    visited[visitedCount++] = start;
    return true;
}

void ExifParser::ReadGpsDirectory(std::uint32_t start)
{
    // A damaged GPS directory leaves the file without a position; the rest of the parse stands.
    if (!MarkVisited(start) || std::uint64_t {start} + 2 > tiffLength)
        return;
    const unsigned entryCount = Get16(tiff + start);
    if (std::uint64_t {start} + 2 + 12 * std::uint64_t {entryCount} > tiffLength)
        return;
    char refs[2] = {};  // N or S, E or W
    double degrees[2] = {};
    bool found[2] = {};
    for (unsigned i = 0; i < entryCount; ++i) {
        const unsigned char* entry = tiff + start + 2 + 12 * i;
        const unsigned tag = Get16(entry);
        const unsigned format = Get16(entry + 2);
        const std::uint32_t components = Get32(entry + 4);
        if (tag < 1 || tag > 4)
            continue;
        const int axis = (tag - 1) / 2;  // 0 latitude, 1 longitude
        if (tag % 2 == 1) {
            // The reference, "N\0" and the like: its first character is always inline.
            refs[axis] = static_cast<char>(entry[8]);
            continue;
        }
        // Degrees, minutes, seconds as rationals (some writers give fewer parts).
        if ((format != 5 && format != 10) || components < 1 || components > 3)
            continue;
        const std::uint64_t byteCount = 8 * std::uint64_t {components};
        const std::uint32_t valueOffset = Get32(entry + 8);
        if (valueOffset + byteCount > tiffLength)
            continue;
        double value = 0;
        for (std::uint32_t part = 0; part < components; ++part)
            value += ConvertValue(tiff + valueOffset + 8 * part, format) / std::pow(60.0, part);
        degrees[axis] = value;
        found[axis] = true;
    }
    if (!found[0] || !found[1])
        return;
    info.gpsLatitude = refs[0] == 'S' ? -degrees[0] : degrees[0];
    info.gpsLongitude = refs[1] == 'W' ? -degrees[1] : degrees[1];
    info.hasGpsPosition = true;
}

bool ExifParser::FollowLink(std::uint32_t offset, bool mainImage)
{
    if (offset > tiffLength) {
        Fail("Illegal subdirectory link");
        return false;
    }
    WalkDirectory(offset, mainImage);
    return true;
}

bool ExifParser::WalkDirectory(std::uint32_t start, bool mainImage)
{
    // A link back to a directory of this parse, or one directory too many, ends the chain here:
    // hostile files could otherwise loop forever or recurse without bound.
    if (!MarkVisited(start))
        return false;

    if (std::uint64_t {start} + 2 > tiffLength) {
        Fail("Illegally sized directory");
        return false;
    }
    const unsigned entryCount = Get16(tiff + start);
    const std::uint64_t entriesEnd = std::uint64_t {start} + 2 + 12 * std::uint64_t {entryCount};
    if (entriesEnd > tiffLength) {
        Fail("Illegally sized directory");
        return false;
    }

    long long thumbnailOffset = 0;
    long long thumbnailLength = 0;
    for (unsigned i = 0; i < entryCount; ++i) {
        unsigned char* entry = tiff + start + 2 + 12 * i;
        const unsigned tag = Get16(entry);
        const unsigned format = Get16(entry + 2);
        const std::uint32_t components = Get32(entry + 4);
        if (format > kMaxFormat) {
            Fail("Illegal format code in EXIF dir");
            return false;
        }
        const std::uint64_t byteCount = std::uint64_t {components} * kFormatSize[format];
        unsigned char* value = entry + 8;
        if (byteCount > 4) {
            const std::uint32_t valueOffset = Get32(entry + 8);
            if (valueOffset + byteCount > tiffLength) {
                Fail("Illegal pointer offset value in EXIF.");
                return false;
            }
            value = tiff + valueOffset;
        }

        // The main image's directories are walked before the thumbnail's: an orientation the
        // main image gave is never replaced by the thumbnail's, which describes another picture.
        const bool thumbnailOrientation = tag == kOrientation && !mainImage && mainImageOrientation;
        if (!thumbnailOrientation)
            StoreTag(tag, format, components, value, byteCount, thumbnailOffset, thumbnailLength);
        if (tag == kOrientation && mainImage)
            mainImageOrientation = true;

        // The GPS directory's tags reuse the numbers of other tags: it is read on its own.
        if (tag == kGpsDirectory && mainImage)
            ReadGpsDirectory(Get32(value));
        // Entry bytes 8-11, or a value of more than four bytes: four bytes are always there.
        if ((tag == kExifDirectory || tag == kInteroperabilityDirectory) &&
            !FollowLink(Get32(value), mainImage))
            return false;
    }

    // Entries that end less than four bytes before the end of the data leave no room for a
    // next-directory link: that counts as no link.
    if (entriesEnd + 4 <= tiffLength) {
        // The directory after the first is the thumbnail's (IFD1).
        const std::uint32_t next = Get32(tiff + entriesEnd);
        if (next != 0 && !FollowLink(next, false))
            return false;
    }

    if (thumbnailOffset > 0 && thumbnailLength > 0 && thumbnailOffset + thumbnailLength <= tiffLength) {
        info.thumbnail = tiff + thumbnailOffset;
        info.thumbnailSize = static_cast<int>(thumbnailLength);
    }
    return true;
}

namespace {

// Tags whose number is stored as it is.
struct NumberTag {
    unsigned tag;
    float ImageInfo::*field;
};
struct WholeNumberTag {
    unsigned tag;
    int ImageInfo::*field;
};

const NumberTag kNumberTags[] = {
        {kXResolution, &ImageInfo::xResolution},
        {kYResolution, &ImageInfo::yResolution},
        {kExposureTime, &ImageInfo::exposureTime},
        {kFNumber, &ImageInfo::fNumber},
        {kBrightnessValue, &ImageInfo::brightness},
        {kExposureBiasValue, &ImageInfo::exposureBias},
        {kSubjectDistance, &ImageInfo::subjectDistance},
        {kFocalLength, &ImageInfo::focalLength},
        {kFocalPlaneXResolution, &ImageInfo::focalPlaneXResolution},
        {kFocalPlaneYResolution, &ImageInfo::focalPlaneYResolution},
};

const WholeNumberTag kWholeNumberTags[] = {
        {kExposureProgram, &ImageInfo::exposureProgram},
        {kCompressedBitsPerPixel, &ImageInfo::compressedBitsPerPixel},
        {kMeteringMode, &ImageInfo::meteringMode},
        {kLightSource, &ImageInfo::lightSource},
};

}  // namespace

bool ExifParser::StoreNumberTag(unsigned tag, double number)
{
    for (const NumberTag& entry : kNumberTags) {
        if (entry.tag == tag) {
            info.*entry.field = static_cast<float>(number);
            return true;
        }
    }
    for (const WholeNumberTag& entry : kWholeNumberTags) {
        if (entry.tag == tag) {
            info.*entry.field = ToInt(number);
            return true;
        }
    }
    return false;
}

void ExifParser::StoreTag(unsigned tag, unsigned format, std::uint32_t components, unsigned char* value,
                          std::uint64_t byteCount, long long& thumbnailOffset, long long& thumbnailLength)
{
    // An entry without components has no value bytes to read: it counts as 0.
    const double number = components == 0 ? 0.0 : ConvertValue(value, format);
    if (StoreNumberTag(tag, number))
        return;
    switch (tag) {
    case kMake: CopyText(info.make, 31, value, byteCount); break;
    case kModel: CopyText(info.model, 39, value, byteCount); break;
    case kBodySerialNumber: CopyText(info.bodySerial, 39, value, byteCount); break;
    case kExifVersion: CopyText(info.exifVersion, 4, value, byteCount); break;
    case kDateTimeOriginal: CopyText(info.dateTimeOriginal, 19, value, byteCount); break;
    case kOrientation: {
        const int orientation = ToInt(number);
        if (orientation >= 1 && orientation <= 8) {
            info.orientation = orientation;
        } else {
            info.orientation = 0;
            Fail("Undefined rotation value");
        }
        break;
    }
    case kResolutionUnit: UnitFactor(ToInt(number), info.resolutionUnit); break;
    case kThumbnailOffset: thumbnailOffset = ToInt(number); break;
    case kThumbnailLength: thumbnailLength = ToInt(number); break;
    case kIsoSpeed: {
        // Older cameras store the ISO rating divided by 200. Widened so that hostile negative
        // values cannot overflow.
        const long long iso = ToInt(number);
        info.isoSpeed =
                iso < kLowestIsoValue ? ToInt(static_cast<double>(iso * kIsoFactor)) : static_cast<int>(iso);
        break;
    }
    case kShutterSpeedValue:
        if (info.exposureTime == 0)
            info.exposureTime = static_cast<float>(std::exp2(-number));
        break;
    case kApertureValue:
    case kMaxApertureValue:
        if (info.fNumber == 0)
            info.fNumber = static_cast<float>(std::exp2(number / 2));
        break;
    case kFlash: info.flashFired = (ToInt(number) & 7) != 0 ? 1 : 0; break;
    case kUserComment: StoreUserComment(value, byteCount); break;
    case kPixelXDimension:
    case kPixelYDimension:
        if (ToInt(number) > largestDimension)
            largestDimension = ToInt(number);
        break;
    case kFocalPlaneResolutionUnit: UnitFactor(ToInt(number), info.focalPlaneUnit); break;
    default: break;
    }
}

void ExifParser::StoreUserComment(unsigned char* value, std::uint64_t byteCount)
{
    for (std::uint64_t end = byteCount; end > 0 && value[end - 1] == ' '; --end)
        value[end - 1] = 0;

    // "ASCII" and three padding bytes announce the character code; the text starts at the
    // first of the five bytes after "ASCII" that is neither 0 nor a space.
    constexpr std::uint64_t kCodeLength = 5;
    constexpr std::uint64_t kSearchEnd = 10;
    if (byteCount >= kCodeLength && std::memcmp(value, "ASCII", kCodeLength) == 0) {
        for (std::uint64_t i = kCodeLength; i < kSearchEnd && i < byteCount; ++i) {
            if (value[i] != 0 && value[i] != ' ') {
                CopyText(info.comment, kUserCommentChars, value + i, byteCount - i);
                return;
            }
        }
        return;
    }
    CopyText(info.comment, kUserCommentChars, value, byteCount);
}

double ExifParser::ConvertValue(const unsigned char* value, unsigned format) const
{
    switch (format) {
    case 1: return value[0];
    case 3: return Get16(value);
    case 4: return Get32(value);
    case 5: {
        const std::uint32_t numerator = Get32(value);
        const std::uint32_t denominator = Get32(value + 4);
        return denominator == 0 ? 0.0 : static_cast<double>(numerator) / denominator;
    }
    case 6: return static_cast<std::int8_t>(value[0]);
    case 8: return static_cast<std::int16_t>(Get16(value));
    case 9: return static_cast<std::int32_t>(Get32(value));
    case 10: {
        const auto numerator = static_cast<std::int32_t>(Get32(value));
        const auto denominator = static_cast<std::int32_t>(Get32(value + 4));
        return denominator == 0 ? 0.0 : static_cast<double>(numerator) / denominator;
    }
    case 11: {
        const std::uint32_t bits = Get32(value);
        float number;
        std::memcpy(&number, &bits, sizeof number);
        return number;
    }
    case 12: {
        const std::uint64_t first = Get32(value);
        const std::uint64_t second = Get32(value + 4);
        const std::uint64_t bits = motorolaOrder ? (first << 32) | second : (second << 32) | first;
        double number;
        std::memcpy(&number, &bits, sizeof number);
        return number;
    }
    default:  // 0 (no format), 2 ASCII and 7 UNDEFINED have no numeric value
        return 0.0;
    }
}
