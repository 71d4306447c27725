// Photoshop PSD and PSB: the file header, and the image resources that hold EXIF, XMP, IPTC, the
// color profile and the print resolution.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "metaprobe/IccReader.h"
#include "metaprobe/IptcReader.h"
#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/ValueText.h"
#include "metaprobe/WindowSource.h"
#include "metaprobe/XmpReader.h"

namespace metaprobe {

namespace {

constexpr unsigned kMaxResources = 10000;
constexpr uint64_t kMaxIptcBytes = 1 << 20;

enum Resource : uint16_t {
    kResolutionInfo = 0x03ED,
    kIptc = 0x0404,
    kIccProfile = 0x040F,
    kExif = 0x0422,
    kXmp = 0x0424,
};

const char* ColorMode(unsigned mode)
{
    switch (mode) {
    case 0: return "Bitmap";
    case 1: return "Grayscale";
    case 2: return "Indexed";
    case 3: return "RGB";
    case 4: return "CMYK";
    case 7: return "Multichannel";
    case 8: return "Duotone";
    case 9: return "Lab";
    default: return nullptr;
    }
}

void ListResolution(const uint8_t* d, Listing& listing)
{
    // The document's resolution is listed over the EXIF block's.
    constexpr int kOwnPriority = 2;
    // Two 16.16 fixed-point resolutions, each followed by its unit and the displayed unit.
    static const char* const units[] = {"inches", "cm"};
    for (int axis = 0; axis < 2; ++axis) {
        const uint8_t* p = d + 8 * axis;
        unsigned unit = Get16(p + 4, true);
        listing.Add(axis ? "Y Resolution" : "X Resolution", FormatG(Get32(p, true) / 65536.0, 15),
                    kOwnPriority);
        listing.Add(axis ? "Displayed Units Y" : "Displayed Units X",
                    unit >= 1 && unit <= 2 ? units[unit - 1] : "Unknown (" + std::to_string(unit) + ")");
    }
}

// Offsets in the EXIF resource count from its TIFF header, not from the start of the file.
class ResourceSource : public WindowSource {
public:
    using WindowSource::WindowSource;
    uint64_t Origin() const override { return 0; }
};

// The image data after the layer and mask section starts with its compression method.
void ListCompression(ByteSource& source, uint64_t layers, bool large, Listing& listing)
{
    uint8_t length[8];
    unsigned lengthSize = large ? 8 : 4;
    if (!source.Read(layers, length, lengthSize))
        return;
    uint64_t size = large ? Get64(length, true) : Get32(length, true);
    uint8_t method[2];
    if (size > source.Size() || !source.Read(layers + lengthSize + size, method, 2))
        return;
    static const char* const methods[] = {"Uncompressed", "RLE", "ZIP without Prediction",
                                          "ZIP with Prediction"};
    unsigned m = Get16(method, true);
    listing.Add("Compression", m < 4 ? methods[m] : "Unknown (" + std::to_string(m) + ")");
}

}  // namespace

ReadResult ReadPsdFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    uint8_t head[26];
    if (!source.Read(0, head, sizeof head)) {
        result.type = {"PSD", "psd", "application/vnd.adobe.photoshop"};
        result.error = "File format error";
        return result;
    }
    bool large = Get16(head + 4, true) == 2;
    result.type = large ? FileType {"PSB", "psb", "application/vnd.adobe.photoshop"}
                        : FileType {"PSD", "psd", "application/vnd.adobe.photoshop"};
    listing.Add("Num Channels", std::to_string(Get16(head + 12, true)));
    listing.Add("Image Height", std::to_string(Get32(head + 14, true)));
    listing.Add("Image Width", std::to_string(Get32(head + 18, true)));
    listing.Add("Bit Depth", std::to_string(Get16(head + 22, true)));
    unsigned mode = Get16(head + 24, true);
    const char* modeText = ColorMode(mode);
    listing.Add("Color Mode", modeText ? modeText : "Unknown (" + std::to_string(mode) + ")");

    // The color mode data, then the image resources, each after its 32-bit length.
    uint8_t length[4];
    if (!source.Read(26, length, 4))
        return result;
    uint64_t resources = 26 + 4 + uint64_t(Get32(length, true));
    if (!source.Read(resources, length, 4))
        return result;
    uint64_t position = resources + 4;
    uint64_t layers = position + Get32(length, true);
    uint64_t end = std::min(layers, source.Size());
    bool exifRead = false;
    for (unsigned count = 0; count < kMaxResources && position + 12 <= end; ++count) {
        // "8BIM", the resource ID, a Pascal name padded to an even size, the data size, the data
        // (also padded to an even size).
        uint8_t block[7];
        if (!source.Read(position, block, sizeof block) || std::memcmp(block, "8BIM", 4) != 0)
            break;
        unsigned id = Get16(block + 4, true);
        uint64_t nameSize = (1 + uint64_t(block[6]) + 1) & ~uint64_t(1);
        uint64_t sizeAt = position + 6 + nameSize;
        uint8_t sizeBytes[4];
        if (sizeAt + 4 > end || !source.Read(sizeAt, sizeBytes, 4))
            break;
        uint64_t data = sizeAt + 4, size = Get32(sizeBytes, true);
        if (size > end - data)
            break;
        if (id == kExif && !exifRead) {
            ResourceSource tiff(source, data, size);
            exifRead = ReadTiff(tiff, 0, listing, facts);
        } else if (id == kXmp) {
            ReadXmpAt(source, data, size, listing);
        } else if (id == kIccProfile) {
            WindowSource profile(source, data, size);
            ReadIccProfile(profile, listing);
        } else if (id == kIptc && size <= kMaxIptcBytes) {
            std::vector<uint8_t> iptc;
            if (source.ReadSome(data, size_t(size), iptc))
                ReadIptc(iptc, listing);
        } else if (id == kResolutionInfo && size >= 16) {
            uint8_t d[16];
            if (source.Read(data, d, sizeof d))
                ListResolution(d, listing);
        }
        position = data + size + (size & 1);
    }
    ListCompression(source, layers, large, listing);
    return result;
}

}  // namespace metaprobe
