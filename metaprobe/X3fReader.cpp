// Sigma X3F: the header (two layouts: before version 4 and from it on), then the section directory
// at the end of the file; the camera's EXIF block is in the JPEG preview image section, and its
// properties (the capture time of the oldest cameras, which have no such preview) in a section of
// their own.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/ValueText.h"
#include "metaprobe/WindowSource.h"

namespace metaprobe {

namespace {

constexpr uint32_t kMaxSections = 1000;
constexpr uint32_t kJpegFormat = 18;
constexpr uint64_t kImageHeaderSize = 28;
constexpr uint32_t kHeader4Version = 0x00040000;
constexpr uint64_t kHeader4Size = 768;
constexpr uint64_t kPropertyHeadSize = 24;
constexpr uint32_t kMaxProperties = 1000;
constexpr uint64_t kMaxPropertyBytes = 1 << 20;

// An image section holding a JPEG with an EXIF block: "SECi", version, type, data format, columns, rows, row
// size, then the data.
bool ReadPreviewExif(ByteSource& source, uint64_t offset, uint64_t length, Listing& listing, ExifFacts& facts)
{
    uint8_t head[kImageHeaderSize];
    if (length <= kImageHeaderSize || !source.Read(offset, head, sizeof head) ||
        std::memcmp(head, "SECi", 4) != 0 || Get32(head + 12, false) != kJpegFormat)
        return false;
    // Read as a JPEG of its own: its EXIF block, then its frame.
    WindowSource jpeg(source, offset + kImageHeaderSize, length - kImageHeaderSize);
    Listing preview;
    ReadJpegFile(jpeg, preview, facts);
    if (!preview.Has("Exif Byte Order"))
        return false;
    for (const Field& field : preview.Fields())
        listing.Add(field.name, field.value, field.priority);
    listing.Add("Jpg From Raw", "(Binary data " + std::to_string(length - kImageHeaderSize) +
                                        " bytes, use -b option to extract)");
    return true;
}

std::string TextField(const uint8_t* bytes, size_t size)
{
    size_t n = 0;
    while (n < size && bytes[n] != 0)
        ++n;
    return Latin1ToUtf8(std::string(reinterpret_cast<const char*>(bytes), n));
}

// After the names: 32 type bytes, then 32 little-endian floats, the photographer's adjustments
// of the picture as set in the camera, by type.
void ReadAdjustments(ByteSource& source, Listing& listing)
{
    constexpr uint64_t kAdjustments = 104;
    uint8_t block[32 + 32 * 4];
    if (!source.Read(kAdjustments, block, sizeof block))
        return;
    static const char* const names[] = {nullptr,        "Exposure Adjust", "Contrast",  "Shadow",
                                        "Highlight",    "Saturation",      "Sharpness", "Red Adjust",
                                        "Green Adjust", "Blue Adjust"};
    for (int i = 0; i < 32; ++i) {
        uint8_t type = block[i];
        if (type == 0 || type >= sizeof names / sizeof names[0])
            continue;
        uint32_t bits = Get32(block + 32 + 4 * i, false);
        float number;
        std::memcpy(&number, &bits, sizeof number);
        listing.Add(names[type], FormatF(number, 1), 2);
    }
}

std::string VersionText(uint32_t version)
{
    return std::to_string(version >> 16) + "." + std::to_string(version & 0xFFFF);
}

// The header before version 4: its first 40 bytes in `head`.
void ListOlderHeader(ByteSource& source, const uint8_t* head, Listing& listing)
{
    uint32_t version = Get32(head + 4, false);
    listing.Add("File Version", VersionText(version));
    // Listed as hex; an ID in the EXIF block, read later, replaces it.
    static const char digits[] = "0123456789abcdef";
    std::string id;
    for (int i = 8; i < 24; ++i)
        id += {digits[head[i] >> 4], digits[head[i] & 15]};
    listing.Add("Image Unique ID", id);
    listing.Add("Rotation", std::to_string(Get32(head + 36, false)));
    // Headers from version 2.1 on name the white balance and scene type, listed over the EXIF
    // block's values.
    uint8_t names[64];
    if (version >= 0x00020001 && source.Read(40, names, sizeof names)) {
        listing.Add("White Balance", TextField(names, 32), 2);
        listing.Add("Scene Capture Type", TextField(names + 32, 32), 2);
        ReadAdjustments(source, listing);
    }
}

// A number as the camera's property text gives it: leading blanks, a sign, digits; what follows is
// left out, and text without digits is 0.
int64_t LeadingNumber(const std::string& text)
{
    size_t at = text.find_first_not_of(" \t\r\n");
    if (at == std::string::npos)
        return 0;
    bool negative = text[at] == '-';
    if (text[at] == '-' || text[at] == '+')
        ++at;
    int64_t number = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (number > (INT64_MAX - 9) / 10)
            break;
        number = number * 10 + (text[at] - '0');
    }
    return negative ? -number : number;
}

// The property list ("SECp"): version, count, character format, a reserved word, the length of the
// character data in characters, then per property the offsets of its name and value in that data,
// then the data: 16-bit little-endian characters, each text ending in a zero. Lists the capture
// time (the camera's clock as seconds since 1970); the EXIF block's own date, when there is one,
// is the one listed.
void ReadProperties(ByteSource& source, uint64_t offset, uint64_t length, Listing& listing)
{
    uint8_t head[kPropertyHeadSize];
    if (length < kPropertyHeadSize || length > kMaxPropertyBytes || !source.Read(offset, head, sizeof head) ||
        std::memcmp(head, "SECp", 4) != 0)
        return;
    const uint32_t count = Get32(head + 8, false);
    if (count > kMaxProperties || 8 * uint64_t(count) > length - kPropertyHeadSize)
        return;
    std::vector<uint8_t> bytes;
    if (!source.ReadSome(offset, size_t(length), bytes) || bytes.size() != length)
        return;
    const uint64_t data = kPropertyHeadSize + 8 * uint64_t(count);
    const uint64_t characters = (length - data) / 2;
    // False for a text that does not end within the data.
    auto text = [&](uint64_t at, std::string& out) {
        out.clear();
        for (; at < characters; ++at) {
            const unsigned c = Get16(bytes.data() + data + 2 * at, false);
            if (c == 0)
                return true;
            out += c < 0x80 ? char(c) : '?';
        }
        return false;
    };
    std::string name, value;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = bytes.data() + kPropertyHeadSize + 8 * i;
        if (!text(Get32(entry, false), name) || name != "TIME" || !text(Get32(entry + 4, false), value))
            continue;
        const int64_t seconds = LeadingNumber(value);
        listing.Add("Date/Time Original", seconds == 0 ? "0000:00:00 00:00:00" : CameraClockText(seconds), 0);
    }
}

}  // namespace

ReadResult ReadX3fFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    result.type = {"X3F", "x3f", "image/x-sigma-x3f"};
    // "FOVb" and the version; in the older layout then the unique ID (16), mark bits, columns,
    // rows and rotation: little-endian.
    uint8_t head[40];
    if (!source.Read(0, head, sizeof head)) {
        result.error = "File format error";
        return result;
    }
    uint32_t version = Get32(head + 4, false);
    if (version >= kHeader4Version) {
        // From version 4 on, a header of its own size, with the rotation at word 12 and neither
        // the ID nor the names; a file too short for it is not read further.
        uint8_t rotation[4];
        if (source.Size() < kHeader4Size || !source.Read(48, rotation, sizeof rotation)) {
            listing.Add("Warning", "Error reading X3F header");
            return result;
        }
        listing.Add("File Version", VersionText(version));
        listing.Add("Rotation", std::to_string(Get32(rotation, false)));
    } else {
        ListOlderHeader(source, head, listing);
    }
    uint8_t tail[4];
    if (source.Size() < 4 || !source.Read(source.Size() - 4, tail, 4))
        return result;
    uint64_t directory = Get32(tail, false);
    uint8_t dirHead[12];
    if (!source.Read(directory, dirHead, sizeof dirHead) || std::memcmp(dirHead, "SECd", 4) != 0) {
        result.error = "Error reading X3F directory";
        return result;
    }
    uint32_t count = Get32(dirHead + 8, false);
    bool previewRead = false;
    for (uint32_t i = 0; i < count && i < kMaxSections; ++i) {
        uint8_t entry[12];
        if (!source.Read(directory + 12 + 12 * uint64_t(i), entry, sizeof entry))
            break;
        uint64_t offset = Get32(entry, false), length = Get32(entry + 4, false);
        bool image = std::memcmp(entry + 8, "IMA2", 4) == 0 || std::memcmp(entry + 8, "IMAG", 4) == 0;
        if (!source.Contains(offset, length))
            continue;
        if (std::memcmp(entry + 8, "PROP", 4) == 0)
            ReadProperties(source, offset, length, listing);
        else if (image && !previewRead)
            previewRead = ReadPreviewExif(source, offset, length, listing, facts);
    }
    return result;
}

}  // namespace metaprobe
