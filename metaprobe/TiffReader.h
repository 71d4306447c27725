// Reads a TIFF structure (a TIFF file, a TIFF-based raw, or the EXIF block of a JPEG, PNG or
// ISO media file) and lists its standard TIFF, EXIF and GPS fields.
#pragma once

#include <cstdint>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ExifFacts.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

struct TiffLimits {
    static constexpr unsigned kMaxDirectories = 64;  // directories read per TIFF structure
    static constexpr unsigned kMaxDepth = 6;  // nesting of child directories
    static constexpr unsigned kMaxEntries = 1000;  // entries per directory
    static constexpr uint32_t kMaxValueBytes = 1 << 16;  // larger values are listed as binary data
};

struct TiffOptions {
    bool rawMagic = false;  // also accept the header words of Panasonic (0x55) and Olympus raws
    bool gpsRoot = false;  // the first directory is a GPS directory (Canon CR3 GPS block)
    bool listByteOrder = true;  // add the "Exif Byte Order" line
};

// Reads the TIFF header at `base` (offsets in the structure count from there), lists
// "Exif Byte Order" and every directory. False when the header is not a TIFF header.
bool ReadTiff(ByteSource& source, uint64_t base, Listing& listing, ExifFacts& facts,
              const TiffOptions& options = {});

// Lists the EXIF block and the frame header of a JPEG embedded in a raw; the frame's values do
// not replace the raw's own. False when it has no EXIF block.
bool ReadJpegExif(ByteSource& source, Listing& listing, ExifFacts& facts);

// Text of a value by its tag's conversion (exposed for tests).
struct TagInfo;
struct TiffValue;
std::string ConvertValue(const TagInfo& tag, const TiffValue& value);

}  // namespace metaprobe
