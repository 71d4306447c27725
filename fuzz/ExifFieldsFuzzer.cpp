// Feeds arbitrary bytes as the EXIF block of a JPEG APP1 section (after "Exif\0\0") to the walk
// that lists it, and takes the lookup's fields from what the walk gathered.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "metadata/ExifFields.h"
#include "metaprobe/ByteSource.h"
#include "metaprobe/JpegSegments.h"

namespace {

// The section's 16-bit length field counts its own two bytes.
constexpr std::size_t kMaxPayload = 0xFFFF - 2;

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size + 6 > kMaxPayload)
        return 0;
    std::vector<std::uint8_t> payload {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), data, data + size);
    metaprobe::MemorySource source(payload.data(), payload.size());
    metaprobe::Listing listing;
    metaprobe::ExifFacts facts;
    metaprobe::JpegSegments segments(listing, facts);
    segments.Segment(0xE1, source);
    ImageInfo info {};
    TakeExifFields(facts.image, segments.ExifRead(), info);

    // Texts end inside their fields, the orientation is one of the eight or none, and a position
    // is a number (rationals with a zero denominator count as 0).
    Check(std::strlen(info.model) < sizeof info.model);
    Check(std::strlen(info.bodySerial) < sizeof info.bodySerial);
    Check(info.orientation >= 0 && info.orientation <= 8);
    Check(std::isfinite(info.gpsLatitude) && std::isfinite(info.gpsLongitude));
    return 0;
}
