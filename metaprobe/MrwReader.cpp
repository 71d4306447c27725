// Minolta MRW: a chain of blocks; PRD describes the sensor, TTW holds a TIFF structure with the
// EXIF directories, RIF the picture settings the camera was asked for.

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/WindowSource.h"

namespace metaprobe {

namespace {

constexpr unsigned kMaxBlocks = 1000;

void ListPictureDescription(const uint8_t* d, Listing& listing)
{
    listing.Add("Firmware ID", std::string(reinterpret_cast<const char*>(d), 8));
    listing.Add("Sensor Height", std::to_string(Get16(d + 8, true)));
    listing.Add("Sensor Width", std::to_string(Get16(d + 10, true)));
    listing.Add("Image Height", std::to_string(Get16(d + 12, true)));
    listing.Add("Image Width", std::to_string(Get16(d + 14, true)));
    listing.Add("Raw Depth", std::to_string(d[16]));
    listing.Add("Bit Depth", std::to_string(d[17]));
    listing.Add("Storage Method", d[18] == 0x52   ? std::string("Padded")
                                  : d[18] == 0x59 ? std::string("Linear")
                                                  : "Unknown (" + std::to_string(d[18]) + ")");
    unsigned bayer = Get16(d + 22, true);
    listing.Add("Bayer Pattern", bayer == 1   ? std::string("RGGB")
                                 : bayer == 4 ? std::string("GBRG")
                                              : "Unknown (" + std::to_string(bayer) + ")");
}

// The requested image format. Listed in block order, so its settings replace the EXIF block's
// values of the same name when it follows that block, as it does in camera files.
void ListRequestedFormat(const uint8_t* d, Listing& listing)
{
    listing.Add("Saturation", std::to_string(int8_t(d[1])));
    listing.Add("Contrast", std::to_string(int8_t(d[2])));
    listing.Add("Sharpness", std::to_string(int8_t(d[3])));
    static const char* const programs[] = {"None", "Portrait", "Text", "Night Portrait", "Sunset", "Sports"};
    listing.Add("Program Mode", d[5] < std::size(programs) ? std::string(programs[d[5]])
                                                           : "Unknown (" + std::to_string(d[5]) + ")");
}

}  // namespace

ReadResult ReadMrwFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    result.type = {"MRW", "mrw", "image/x-minolta-mrw"};
    uint8_t head[8];
    if (!source.Read(0, head, sizeof head)) {
        result.error = "File format error";
        return result;
    }
    // The blocks end where the image data starts.
    uint64_t end = std::min<uint64_t>(8 + uint64_t(Get32(head + 4, true)), source.Size());
    uint64_t position = 8;
    bool tiffRead = false;
    for (unsigned blocks = 0; blocks < kMaxBlocks && position + 8 <= end; ++blocks) {
        uint8_t block[8];
        if (!source.Read(position, block, sizeof block))
            break;
        uint64_t data = position + 8, length = Get32(block + 4, true);
        if (length > end - data)
            break;
        if (std::memcmp(block, "\0PRD", 4) == 0 && length >= 24) {
            uint8_t d[24];
            if (source.Read(data, d, sizeof d))
                ListPictureDescription(d, listing);
        } else if (std::memcmp(block, "\0RIF", 4) == 0 && length >= 6) {
            uint8_t d[6];
            if (source.Read(data, d, sizeof d))
                ListRequestedFormat(d, listing);
        } else if (std::memcmp(block, "\0TTW", 4) == 0 && !tiffRead) {
            WindowSource tiff(source, data, length);
            tiffRead = ReadTiff(tiff, 0, listing, facts);
        }
        position = data + length;
    }
    return result;
}

}  // namespace metaprobe
