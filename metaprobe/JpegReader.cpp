// JPEG: walks the marker segments up to the image data; lists the metadata segments (JpegSegments),
// JFIF version, comment, color profile and the frame header.

#include <cstring>
#include <vector>

#include "metaprobe/IccChunks.h"
#include "metaprobe/JpegSegments.h"
#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/ValueText.h"
#include "metaprobe/WindowSource.h"

namespace metaprobe {

namespace {

const char* EncodingProcess(uint8_t marker)
{
    switch (marker) {
    case 0xC0: return "Baseline DCT, Huffman coding";
    case 0xC1: return "Extended sequential DCT, Huffman coding";
    case 0xC2: return "Progressive DCT, Huffman coding";
    case 0xC3: return "Lossless, Huffman coding";
    case 0xC5: return "Sequential DCT, differential Huffman coding";
    case 0xC6: return "Progressive DCT, differential Huffman coding";
    case 0xC7: return "Lossless, Differential Huffman coding";
    case 0xC9: return "Extended sequential DCT, arithmetic coding";
    case 0xCA: return "Progressive DCT, arithmetic coding";
    case 0xCB: return "Lossless, arithmetic coding";
    case 0xCD: return "Sequential DCT, differential arithmetic coding";
    case 0xCE: return "Progressive DCT, differential arithmetic coding";
    case 0xCF: return "Lossless, differential arithmetic coding";
    default: return nullptr;
    }
}

// `priority` is below 1 for the frame of a JPEG embedded in a raw, whose own header values win.
void ListFrame(uint8_t marker, const std::vector<uint8_t>& data, Listing& listing, int priority = 1)
{
    if (data.size() < 6)
        return;
    unsigned height = Get16(data.data() + 1, true), width = Get16(data.data() + 3, true);
    unsigned components = data[5];
    listing.Add("Image Width", std::to_string(width), priority);
    listing.Add("Image Height", std::to_string(height), priority);
    listing.Add("Encoding Process", EncodingProcess(marker), priority);
    listing.Add("Bits Per Sample", std::to_string(data[0]), priority);
    listing.Add("Color Components", std::to_string(components), priority);
    if (components != 3 || data.size() < 6 + 3 * 3)
        return;
    unsigned h = data[7] >> 4, v = data[7] & 15;
    for (unsigned i = 1; i < 3; ++i) {
        if (data[7 + 3 * i] != 0x11)
            return;  // only the usual layout with full-size chroma factors
    }
    if (const char* text = YCbCrSubSamplingName(h, v))
        listing.Add("Y Cb Cr Sub Sampling", text, priority);
}

}  // namespace

bool ReadJpegExif(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    uint8_t head[4];
    uint64_t position = 2;
    if (!source.Read(0, head, 2) || head[0] != 0xFF || head[1] != 0xD8)
        return false;
    bool exifRead = false;
    for (unsigned segments = 0; segments < 1000 && source.Read(position, head, 4); ++segments) {
        if (head[0] != 0xFF || head[1] == 0xDA || head[1] == 0xD9)
            break;
        unsigned length = Get16(head + 2, true);
        if (length < 2)
            break;
        uint8_t id[6];
        if (!exifRead && head[1] == 0xE1 && length > 8 && source.Read(position + 4, id, 6) &&
            std::memcmp(id, "Exif\0\0", 6) == 0) {
            WindowSource exif(source, position + 10, length - 8);
            exifRead = ReadTiff(exif, 0, listing, facts);
        } else if (EncodingProcess(head[1])) {
            std::vector<uint8_t> frame;
            if (source.ReadSome(position + 4, size_t(length - 2 < 64 ? length - 2 : 64), frame))
                ListFrame(head[1], frame, listing, 0);
            break;  // the frame header comes after the metadata segments
        }
        position += 2 + length;
    }
    return exifRead;
}

ReadResult ReadJpegFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    result.type = {"JPEG", "jpg", "image/jpeg"};
    uint64_t position = 2;
    JpegSegments segments(listing, facts);
    IccChunks profile;
    for (unsigned count = 0; count < 10000; ++count) {
        uint8_t head[4];
        if (!source.Read(position, head, 2))
            break;
        if (head[0] != 0xFF) {
            result.error = "JPEG format error";
            return result;
        }
        uint8_t marker = head[1];
        if (marker == 0xFF) {  // fill byte
            ++position;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            break;  // image data follows: no more metadata segments
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            position += 2;
            continue;
        }
        if (!source.Read(position + 2, head + 2, 2))
            break;
        unsigned length = Get16(head + 2, true);
        if (length < 2) {
            result.error = "JPEG format error";
            return result;
        }
        uint64_t data = position + 4, size = length - 2;
        WindowSource payload(source, data, size);
        segments.Segment(marker, payload);
        if (marker == 0xE0 && size >= 12) {
            uint8_t jfif[12];
            if (source.Read(data, jfif, 12) && std::memcmp(jfif, "JFIF\0", 5) == 0) {
                listing.Add("JFIF Version", std::to_string(jfif[5]) + "." + (jfif[6] < 10 ? "0" : "") +
                                                    std::to_string(jfif[6]));
                // The EXIF block's and the XMP packet's resolution, when there is one, replaces these.
                static const char* const units[] = {"None", "inches", "cm"};
                listing.Add("Resolution Unit",
                            jfif[7] < 3 ? units[jfif[7]] : "Unknown (" + std::to_string(jfif[7]) + ")", -1);
                listing.Add("X Resolution", std::to_string(Get16(jfif + 8, true)), -1);
                listing.Add("Y Resolution", std::to_string(Get16(jfif + 10, true)), -1);
            }
        } else if (marker == 0xE2 && size > 14) {
            // "ICC_PROFILE", NUL, the piece's number and the number of pieces.
            uint8_t id[14];
            if (source.Read(data, id, sizeof id) && std::memcmp(id, "ICC_PROFILE\0", 12) == 0)
                profile.Add(id[12], id[13], data + 14, size - 14);
        } else if (marker == 0xFE) {
            std::vector<uint8_t> text;
            if (source.ReadSome(data, size_t(size), text)) {
                listing.Add("Comment",
                            Latin1ToUtf8(TrimRight(std::string(text.begin(), text.end()).c_str())));
            }
        } else if (EncodingProcess(marker)) {
            std::vector<uint8_t> frame;
            if (source.ReadSome(data, size_t(size < 64 ? size : 64), frame))
                ListFrame(marker, frame, listing);
        }
        position = data + size;
    }
    segments.Finish();
    profile.List(source, listing);
    return result;
}

}  // namespace metaprobe
