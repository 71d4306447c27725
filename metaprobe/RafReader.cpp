// Fujifilm RAF: a fixed header, then a JPEG preview that carries the camera's EXIF block.

#include <string>

#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/WindowSource.h"

namespace metaprobe {

namespace {

constexpr uint32_t kMaxRecords = 1000;

// The raw header: a count, then records of tag, size and data (big-endian). The sizes are
// stored height first.
void ListRawHeader(ByteSource& source, uint64_t offset, uint64_t length, Listing& listing)
{
    uint8_t count[4];
    if (length < 4 || !source.Read(offset, count, 4))
        return;
    uint64_t position = offset + 4, end = offset + length;
    for (uint32_t i = 0; i < Get32(count, true) && i < kMaxRecords && position + 4 <= end; ++i) {
        uint8_t head[8];
        if (!source.Read(position, head, 4))
            return;
        unsigned tag = Get16(head, true), size = Get16(head + 2, true);
        if (size == 4 && position + 8 <= end && source.Read(position + 4, head + 4, 4)) {
            std::string first = std::to_string(Get16(head + 4, true)),
                        second = std::to_string(Get16(head + 6, true));
            switch (tag) {
            case 0x100: listing.Add("Raw Image Full Size", second + "x" + first); break;
            case 0x110: listing.Add("Raw Image Crop Top Left", first + " " + second); break;
            case 0x111: listing.Add("Raw Image Cropped Size", second + "x" + first); break;
            case 0x121: listing.Add("Raw Image Size", second + "x" + first); break;
            default: break;
            }
        }
        position += 4 + uint64_t(size);
    }
}

}  // namespace

ReadResult ReadRafFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    result.type = {"RAF", "raf", "image/x-fujifilm-raf"};
    // Signature and format (20 bytes), camera ID (8), camera name (32), version (4), unused
    // (20), then the offset and length of the preview and of the raw header, big-endian.
    uint8_t head[100];
    if (!source.Read(0, head, sizeof head)) {
        result.error = "File format error";
        return result;
    }
    listing.Add("RAF Version", std::string(reinterpret_cast<const char*>(head + 60), 4));
    uint64_t offset = Get32(head + 84, true), length = Get32(head + 88, true);
    if (source.Contains(offset, length)) {
        // The preview is read as a JPEG of its own: its EXIF block, then its frame.
        WindowSource preview(source, offset, length);
        Listing jpeg;
        ReadJpegFile(preview, jpeg, facts);
        for (const Field& field : jpeg.Fields())
            listing.Add(field.name, field.value, field.priority);
        listing.Add("Preview Image",
                    "(Binary data " + std::to_string(length) + " bytes, use -b option to extract)");
    }
    uint64_t rawOffset = Get32(head + 92, true), rawLength = Get32(head + 96, true);
    if (source.Contains(rawOffset, rawLength))
        ListRawHeader(source, rawOffset, rawLength, listing);
    return result;
}

}  // namespace metaprobe
