// PNG: walks the chunks (also after the image data) for the header, eXIf, text, XMP and time.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/ValueText.h"
#include "metaprobe/WindowSource.h"
#include "metaprobe/XmpReader.h"

namespace metaprobe {

namespace {

const char* ColorType(uint8_t type)
{
    switch (type) {
    case 0: return "Grayscale";
    case 2: return "RGB";
    case 3: return "Palette";
    case 4: return "Grayscale with Alpha";
    case 6: return "RGB with Alpha";
    default: return nullptr;
    }
}

std::string EnumOrUnknown(const char* text, unsigned value)
{
    return text ? std::string(text) : "Unknown (" + std::to_string(value) + ")";
}

void ListHeader(const uint8_t* d, Listing& listing)
{
    listing.Add("Image Width", std::to_string(Get32(d, true)));
    listing.Add("Image Height", std::to_string(Get32(d + 4, true)));
    listing.Add("Bit Depth", std::to_string(d[8]));
    listing.Add("Color Type", EnumOrUnknown(ColorType(d[9]), d[9]));
    listing.Add("Compression", EnumOrUnknown(d[10] == 0 ? "Deflate/Inflate" : nullptr, d[10]));
    listing.Add("Filter", EnumOrUnknown(d[11] == 0 ? "Adaptive" : nullptr, d[11]));
    listing.Add("Interlace", EnumOrUnknown(d[12] == 0   ? "Noninterlaced"
                                           : d[12] == 1 ? "Adam7 Interlace"
                                                        : nullptr,
                                           d[12]));
}

// Keywords of text chunks as the listing names them.
std::string TextFieldName(const std::string& keyword)
{
    if (keyword == "Creation Time")
        return "Creation Time";
    std::string name;
    for (char c : keyword)
        name += (c == '_' || c == '-') ? ' ' : c;
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z')
        name[0] = char(name[0] - 'a' + 'A');
    return name;
}

void ListText(ByteSource& source, uint64_t data, uint64_t length, Listing& listing)
{
    std::vector<uint8_t> text;
    if (!source.ReadSome(data, size_t(length), text))
        return;
    auto nul = std::find(text.begin(), text.end(), uint8_t(0));
    if (nul != text.end() && nul != text.begin()) {
        std::string keyword(text.begin(), nul), value(nul + 1, text.end());
        listing.Add(TextFieldName(keyword), Latin1ToUtf8(value));
    }
}

// Uncompressed international text; the XMP packet is stored under its own keyword.
void ListInternationalText(ByteSource& source, uint64_t data, uint64_t length, Listing& listing)
{
    std::vector<uint8_t> text;
    static const char kXmpKeyword[] = "XML:com.adobe.xmp";
    if (!source.ReadSome(data, size_t(length), text) || text.size() <= sizeof kXmpKeyword + 1 ||
        std::memcmp(text.data(), kXmpKeyword, sizeof kXmpKeyword) != 0 || text[sizeof kXmpKeyword] != 0)
        return;
    size_t at = sizeof kXmpKeyword + 2;
    for (int field = 0; field < 2 && at < text.size(); ++field) {
        while (at < text.size() && text[at] != 0)
            ++at;
        ++at;
    }
    if (at < text.size())
        ReadXmp(std::string(text.begin() + long(at), text.end()), listing);
}

void ListBackground(ByteSource& source, uint64_t data, uint64_t length, Listing& listing)
{
    std::vector<uint8_t> d;
    if (!source.ReadSome(data, size_t(length), d))
        return;
    std::string text;
    if (d.size() == 1)
        text = std::to_string(d[0]);
    for (size_t i = 0; i + 1 < d.size(); i += 2)
        text += (i ? " " : "") + std::to_string(Get16(d.data() + i, true));
    listing.Add("Background Color", text);
}

void ListTime(ByteSource& source, uint64_t data, uint64_t, Listing& listing)
{
    uint8_t d[7];
    if (!source.Read(data, d, 7))
        return;
    char text[32];
    std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", unsigned(Get16(d, true)), d[2], d[3],
                  d[4], d[5], d[6]);
    listing.Add("Modify Date", text);
}

void ListPhysicalSize(ByteSource& source, uint64_t data, uint64_t, Listing& listing)
{
    uint8_t d[9];
    if (!source.Read(data, d, 9))
        return;
    listing.Add("Pixels Per Unit X", std::to_string(Get32(d, true)));
    listing.Add("Pixels Per Unit Y", std::to_string(Get32(d + 4, true)));
    listing.Add("Pixel Units", d[8] == 1   ? "meters"
                               : d[8] == 0 ? "Unknown"
                                           : "Unknown (" + std::to_string(d[8]) + ")");
}

void ListGamma(ByteSource& source, uint64_t data, uint64_t, Listing& listing)
{
    uint8_t d[4];
    if (source.Read(data, d, 4))
        listing.Add("Gamma", FormatG(100000.0 / Get32(d, true), 5));
}

void ListRenderingIntent(ByteSource& source, uint64_t data, uint64_t, Listing& listing)
{
    uint8_t d;
    static const char* const intents[] = {"Perceptual", "Relative Colorimetric", "Saturation",
                                          "Absolute Colorimetric"};
    if (source.Read(data, &d, 1))
        listing.Add("SRGB Rendering", d < 4 ? intents[d] : "Unknown (" + std::to_string(d) + ")");
}

// Chunks that only add fields to the listing, each with the lengths it is read at.
struct ListedChunk {
    const char* type;
    uint64_t minLength;
    uint64_t maxLength;
    void (*list)(ByteSource& source, uint64_t data, uint64_t length, Listing& listing);
};

const ListedChunk kListedChunks[] = {
        {"tEXt", 0, 1u << 20, ListText},     {"iTXt", 0, kMaxXmpBytes, ListInternationalText},
        {"bKGD", 1, 6, ListBackground},      {"tIME", 7, 7, ListTime},
        {"pHYs", 9, 9, ListPhysicalSize},    {"gAMA", 4, 4, ListGamma},
        {"sRGB", 1, 1, ListRenderingIntent},
};

const ListedChunk* FindListedChunk(const std::string& type, uint64_t length)
{
    for (const ListedChunk& chunk : kListedChunks)
        if (type == chunk.type && length >= chunk.minLength && length <= chunk.maxLength)
            return &chunk;
    return nullptr;
}

}  // namespace

ReadResult ReadPngFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    result.type = {"PNG", "png", "image/png"};
    uint64_t position = 8;
    bool seenData = false, exifRead = false, warned = false;
    for (unsigned chunks = 0; chunks < 100000 && position < source.Size(); ++chunks) {
        uint8_t head[8];
        if (!source.Read(position, head, 8)) {
            result.error = "Truncated PNG image";
            return result;
        }
        uint64_t length = Get32(head, true);
        std::string type(reinterpret_cast<const char*>(head + 4), 4);
        uint64_t data = position + 8;
        if (!source.Contains(data, length + 4)) {
            result.error = "Truncated PNG image";
            return result;
        }
        bool metadataChunk = type == "eXIf" || type == "tEXt" || type == "zTXt" || type == "iTXt";
        if (seenData && metadataChunk && !warned) {
            listing.Add("Warning",
                        "[minor] Text/EXIF chunk(s) found after PNG IDAT (may be ignored by some readers)");
            warned = true;
        }
        if (type == "IHDR" && length >= 13) {
            uint8_t d[13];
            if (source.Read(data, d, 13))
                ListHeader(d, listing);
        } else if (type == "IDAT") {
            seenData = true;
        } else if (type == "IEND") {
            break;
        } else if (type == "eXIf" && !exifRead) {
            WindowSource exif(source, data, length);
            uint8_t id[6];
            uint64_t skip =
                    (length >= 6 && exif.Read(0, id, 6) && std::memcmp(id, "Exif\0\0", 6) == 0) ? 6 : 0;
            WindowSource tiff(exif, skip, length - skip);
            exifRead = ReadTiff(tiff, 0, listing, facts);
        } else if (const ListedChunk* chunk = FindListedChunk(type, length)) {
            chunk->list(source, data, length, listing);
        }
        position = data + length + 4;
    }
    return result;
}

}  // namespace metaprobe
