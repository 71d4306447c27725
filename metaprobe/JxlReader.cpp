// JPEG XL: the image size from the codestream's size header, and the Exif and XMP boxes of the
// container format (a bare codestream has no metadata).

#include <algorithm>
#include <cstring>
#include <string>

#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/WindowSource.h"
#include "metaprobe/XmpReader.h"

namespace metaprobe {

namespace {

constexpr unsigned kMaxBoxes = 10000;

// The codestream packs its header fields least significant bit first.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) { }
    // False once a read went past the data.
    bool Ok() const { return ok_; }
    uint32_t Bits(unsigned count)
    {
        uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i, ++bit_) {
            if (bit_ / 8 >= size_) {
                ok_ = false;
                return 0;
            }
            value |= uint32_t((data_[bit_ / 8] >> (bit_ % 8)) & 1) << i;
        }
        return value;
    }
    // A size of the header: a multiple of 8 up to 256, or one of four bit widths.
    uint32_t Dimension(bool small)
    {
        if (small)
            return (Bits(5) + 1) * 8;
        static const unsigned widths[] = {9, 13, 18, 30};
        return Bits(widths[Bits(2)]) + 1;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t bit_ = 0;
    bool ok_ = true;
};

// `header` starts after the codestream's FF 0A signature.
void ListSize(const uint8_t* header, size_t size, Listing& listing)
{
    BitReader bits(header, size);
    bool small = bits.Bits(1) != 0;
    uint64_t height = bits.Dimension(small);
    unsigned ratio = bits.Bits(3);
    static const unsigned ratios[8][2] = {{1, 1}, {1, 1}, {12, 10}, {4, 3}, {3, 2}, {16, 9}, {5, 4}, {2, 1}};
    uint64_t width = ratio == 0 ? bits.Dimension(small) : height * ratios[ratio][0] / ratios[ratio][1];
    if (!bits.Ok())
        return;
    listing.Add("Image Width", std::to_string(width));
    listing.Add("Image Height", std::to_string(height));
}

bool ListCodestreamAt(ByteSource& source, uint64_t offset, Listing& listing)
{
    uint8_t head[16];
    size_t n = size_t(std::min<uint64_t>(sizeof head, offset < source.Size() ? source.Size() - offset : 0));
    if (n < 3 || !source.Read(offset, head, n) || head[0] != 0xFF || head[1] != 0x0A)
        return false;
    ListSize(head + 2, n - 2, listing);
    return true;
}

}  // namespace

ReadResult ReadJxlFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    result.type = {"JXL Codestream", "jxl", "image/jxl"};
    if (ListCodestreamAt(source, 0, listing))
        return result;
    result.type.type = "JXL";
    uint64_t position = 0;
    bool sized = false, exifRead = false, xmpRead = false;
    for (unsigned boxes = 0; boxes < kMaxBoxes && position + 8 <= source.Size(); ++boxes) {
        uint8_t head[16];
        if (!source.Read(position, head, 8))
            break;
        uint64_t size = Get32(head, true), headerSize = 8;
        if (size == 1) {
            if (!source.Read(position + 8, head + 8, 8))
                break;
            size = Get64(head + 8, true);
            headerSize = 16;
        } else if (size == 0) {
            size = source.Size() - position;  // the last box runs to the end of the file
        }
        if (size < headerSize || size > source.Size() - position)
            break;
        uint64_t data = position + headerSize, length = size - headerSize;
        if (std::memcmp(head + 4, "Exif", 4) == 0 && !exifRead && length >= 4) {
            // A 4-byte offset from the box's data to the TIFF header comes first.
            uint8_t offset[4];
            if (source.Read(data, offset, 4)) {
                uint64_t skip = Get32(offset, true);
                if (skip <= length - 4) {
                    WindowSource tiff(source, data + 4 + skip, length - 4 - skip);
                    exifRead = ReadTiff(tiff, 0, listing, facts);
                }
            }
        } else if (std::memcmp(head + 4, "xml ", 4) == 0 && !xmpRead) {
            ReadXmpAt(source, data, length, listing);
            xmpRead = true;
        } else if ((std::memcmp(head + 4, "jxlc", 4) == 0 && !sized) ||
                   (std::memcmp(head + 4, "jxlp", 4) == 0 && !sized)) {
            // A partial codestream box starts with a 4-byte sequence number.
            sized = ListCodestreamAt(source, data + (head[7] == 'p' ? 4 : 0), listing);
        }
        position += size;
    }
    return result;
}

}  // namespace metaprobe
