// WebP: walks the RIFF chunks for the extended header, the first frame's size, and the EXIF, XMP
// and color profile chunks.

#include <algorithm>
#include <cstring>
#include <string>

#include "metaprobe/IccReader.h"
#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/WindowSource.h"
#include "metaprobe/XmpReader.h"

namespace metaprobe {

namespace {

constexpr unsigned kMaxChunks = 10000;

void ListExtendedHeader(const uint8_t* d, Listing& listing)
{
    static const char* const flags[] = {nullptr, "Animation", "XMP", "EXIF", "Alpha", "ICC Profile"};
    std::string text;
    for (unsigned bit = 1; bit < 6; ++bit) {
        if (d[0] & (1u << bit))
            text += std::string(text.empty() ? "" : ", ") + flags[bit];
    }
    listing.Add("WebP Flags", text.empty() ? "(none)" : text);
    listing.Add("Image Width", std::to_string((d[4] | d[5] << 8 | d[6] << 16) + 1));
    listing.Add("Image Height", std::to_string((d[7] | d[8] << 8 | d[9] << 16) + 1));
}

void ListLossyFrame(const uint8_t* d, Listing& listing, bool sized)
{
    static const char* const versions[] = {"0 (bicubic reconstruction, normal loop)",
                                           "1 (bilinear reconstruction, simple loop)",
                                           "2 (bilinear reconstruction, no loop)", "3 (none, no loop)"};
    if (d[3] != 0x9D || d[4] != 0x01 || d[5] != 0x2A)
        return;
    unsigned version = (d[0] >> 1) & 7;
    listing.Add("VP8 Version", version < 4 ? versions[version] : "Unknown (" + std::to_string(version) + ")");
    if (!sized) {
        listing.Add("Image Width", std::to_string(Get16(d + 6, false) & 0x3FFF));
        listing.Add("Image Height", std::to_string(Get16(d + 8, false) & 0x3FFF));
    }
    listing.Add("Horizontal Scale", std::to_string(d[7] >> 6));
    listing.Add("Vertical Scale", std::to_string(d[9] >> 6));
}

void ListLosslessFrame(const uint8_t* d, Listing& listing)
{
    if (d[0] != 0x2F)
        return;
    uint32_t bits = Get32(d + 1, false);
    listing.Add("Image Width", std::to_string((bits & 0x3FFF) + 1));
    listing.Add("Image Height", std::to_string(((bits >> 14) & 0x3FFF) + 1));
}

}  // namespace

ReadResult ReadWebpFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    result.type = {"WEBP", "webp", "image/webp"};
    uint8_t head[12];
    if (!source.Read(0, head, sizeof head)) {
        result.error = "Truncated RIFF header";
        return result;
    }
    // The RIFF size counts from byte 8; chunks past it or past the file are not read.
    uint64_t end = std::min<uint64_t>(uint64_t(Get32(head + 4, false)) + 8, source.Size());
    uint64_t position = 12;
    bool sized = false, exifRead = false, xmpRead = false, iccRead = false;
    for (unsigned chunks = 0; chunks < kMaxChunks && position + 8 <= end; ++chunks) {
        uint8_t chunk[8];
        if (!source.Read(position, chunk, sizeof chunk))
            break;
        uint64_t data = position + 8, length = Get32(chunk + 4, false);
        if (length > end - data)
            break;
        if (std::memcmp(chunk, "VP8X", 4) == 0 && length >= 10) {
            uint8_t d[10];
            if (source.Read(data, d, sizeof d)) {
                result.type.type = "Extended WEBP";
                ListExtendedHeader(d, listing);
                sized = true;
            }
        } else if (std::memcmp(chunk, "VP8 ", 4) == 0 && length >= 10) {
            uint8_t d[10];
            if (source.Read(data, d, sizeof d))
                ListLossyFrame(d, listing, sized);
            sized = true;
        } else if (std::memcmp(chunk, "VP8L", 4) == 0 && length >= 5) {
            uint8_t d[5];
            if (!sized && source.Read(data, d, sizeof d))
                ListLosslessFrame(d, listing);
            sized = true;
        } else if (std::memcmp(chunk, "EXIF", 4) == 0 && !exifRead) {
            // Some writers keep the JPEG "Exif" identifier in front of the TIFF header.
            uint8_t id[6];
            uint64_t skip =
                    length >= 6 && source.Read(data, id, 6) && std::memcmp(id, "Exif\0\0", 6) == 0 ? 6 : 0;
            WindowSource tiff(source, data + skip, length - skip);
            exifRead = ReadTiff(tiff, 0, listing, facts);
        } else if (std::memcmp(chunk, "ICCP", 4) == 0 && !iccRead) {
            WindowSource profile(source, data, length);
            iccRead = ReadIccProfile(profile, listing);
        } else if (std::memcmp(chunk, "XMP ", 4) == 0 && !xmpRead) {
            ReadXmpAt(source, data, length, listing);
            xmpRead = true;
        }
        position = data + length + (length & 1);
    }
    return result;
}

}  // namespace metaprobe
