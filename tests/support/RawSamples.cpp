#include "tests/support/RawSamples.h"

#include <cstring>

#include "tests/support/ContainerSamples.h"
#include "tests/support/TiffBuilder.h"

namespace qmtest {

namespace {

// Byte by byte: GCC 12 misreads inserting a short list at -O2 as an overflow.
void Put16(std::vector<uint8_t>& out, uint32_t value, bool big)
{
    out.push_back(uint8_t(big ? value >> 8 : value));
    out.push_back(uint8_t(big ? value : value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value, bool big)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (big ? 24 - 8 * i : 8 * i)));
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        out.push_back(i < text.size() ? uint8_t(text[i]) : 0);
}

std::vector<uint8_t> RiffChunk(const char* type, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> chunk(type, type + 4);
    Put32(chunk, uint32_t(data.size()), false);
    chunk.insert(chunk.end(), data.begin(), data.end());
    if (data.size() & 1)
        chunk.push_back(0);
    return chunk;
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

std::vector<uint8_t> BuildWebp(const std::vector<uint8_t>& tiff, const std::string& xmp,
                               const std::vector<uint8_t>& icc)
{
    uint8_t flags = uint8_t((tiff.empty() ? 0 : 0x08) | (xmp.empty() ? 0 : 0x04) | (icc.empty() ? 0 : 0x20));
    std::vector<uint8_t> body = Bytes("WEBP");
    std::vector<uint8_t> header = RiffChunk("VP8X", {flags, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    // A key frame of version 2, 1x1, with the partition filler another decoder skips.
    std::vector<uint8_t> frame =
            RiffChunk("VP8 ", {0x14, 0x01, 0x00, 0x9D, 0x01, 0x2A, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00,
                               0x00, 0xFE, 0x00, 0x00, 0x0D, 0xC0, 0x00, 0xFE, 0xE6, 0xB5, 0x00, 0x00});
    body.insert(body.end(), header.begin(), header.end());
    if (!icc.empty()) {
        std::vector<uint8_t> profile = RiffChunk("ICCP", icc);
        body.insert(body.end(), profile.begin(), profile.end());
    }
    body.insert(body.end(), frame.begin(), frame.end());
    if (!tiff.empty()) {
        std::vector<uint8_t> exif = RiffChunk("EXIF", tiff);
        body.insert(body.end(), exif.begin(), exif.end());
    }
    if (!xmp.empty()) {
        std::vector<uint8_t> packet = RiffChunk("XMP ", Bytes(xmp));
        body.insert(body.end(), packet.begin(), packet.end());
    }
    std::vector<uint8_t> file = Bytes("RIFF");
    Put32(file, uint32_t(body.size()), false);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<uint8_t> BuildJxl(const std::vector<uint8_t>& tiff, const std::string& xmp)
{
    std::vector<uint8_t> exif = Concat({std::vector<uint8_t>(4, 0), tiff});
    std::vector<uint8_t> file = Concat({Box("JXL ", {0x0D, 0x0A, 0x87, 0x0A}),
                                        Box("ftyp", Bytes("jxl \0\0\0\0jxl ")), Box("Exif", exif)});
    if (!xmp.empty()) {
        std::vector<uint8_t> packet = Box("xml ", Bytes(xmp));
        file.insert(file.end(), packet.begin(), packet.end());
    }
    // Size header of a 200x130 image.
    std::vector<uint8_t> code = Box("jxlc", {0xFF, 0x0A, 0x08, 0x04, 0x8E, 0x81, 0x3C, 0x00});
    file.insert(file.end(), code.begin(), code.end());
    return file;
}

std::vector<uint8_t> IptcDataset(uint8_t record, uint8_t dataset, const std::string& data)
{
    std::vector<uint8_t> out;
    out.reserve(5 + data.size());
    out.push_back(0x1C);
    out.push_back(record);
    out.push_back(dataset);
    Put16(out, uint32_t(data.size()), true);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<uint8_t> BuildPsd(const std::vector<uint8_t>& tiff, const std::vector<uint8_t>& iptc,
                              const std::vector<uint8_t>& icc)
{
    std::vector<uint8_t> file = Bytes("8BPS");
    Put16(file, 1, true);
    file.insert(file.end(), 6, 0);
    Put16(file, 3, true);  // channels
    Put32(file, 8, true);  // height
    Put32(file, 8, true);  // width
    Put16(file, 8, true);  // depth
    Put16(file, 3, true);  // RGB
    Put32(file, 0, true);  // no color mode data
    std::vector<uint8_t> resources;
    auto add = [&resources](uint16_t id, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> block = Bytes("8BIM");
        Put16(block, id, true);
        block.insert(block.end(), {0, 0});  // empty name, padded
        Put32(block, uint32_t(data.size()), true);
        block.insert(block.end(), data.begin(), data.end());
        if (data.size() & 1)
            block.push_back(0);
        resources.insert(resources.end(), block.begin(), block.end());
    };
    std::vector<uint8_t> resolution;
    for (int axis = 0; axis < 2; ++axis) {
        Put32(resolution, 72u << 16, true);
        Put16(resolution, 1, true);
        Put16(resolution, 1, true);
    }
    add(0x03ED, resolution);
    if (!iptc.empty())
        add(0x0404, iptc);
    add(0x0422, tiff);
    if (!icc.empty())
        add(0x040F, icc);
    Put32(file, uint32_t(resources.size()), true);
    file.insert(file.end(), resources.begin(), resources.end());
    // A layer and mask section holding an empty layer info and an empty global mask, as
    // Photoshop writes it for a flat image.
    Put32(file, 8, true);
    Put32(file, 0, true);
    Put32(file, 0, true);
    Put16(file, 0, true);  // uncompressed
    file.insert(file.end(), 3 * 8 * 8, 0xFF);
    return file;
}

std::vector<uint8_t> BuildRaf(const std::string& camera, const std::vector<uint8_t>& jpeg)
{
    std::vector<uint8_t> file = Bytes("FUJIFILMCCD-RAW 0201FF383501");
    PutText(file, camera, 32);
    file.insert(file.end(), {'0', '1', '0', '0'});
    file.insert(file.end(), 20, 0);
    const uint32_t previewOffset = 160;
    Put32(file, previewOffset, true);
    Put32(file, uint32_t(jpeg.size()), true);
    // No CFA header or data: offsets and lengths of 0.
    file.resize(previewOffset, 0);
    file.insert(file.end(), jpeg.begin(), jpeg.end());
    return file;
}

std::vector<uint8_t> BuildMrw(const std::vector<uint8_t>& tiff, const std::vector<uint8_t>& settings)
{
    std::vector<uint8_t> prd = Bytes("21810002");
    for (uint32_t v : {2456u, 3272u, 2448u, 3264u})
        Put16(prd, v, true);
    prd.insert(prd.end(), {12, 12, 0x59, 0, 0, 0});
    Put16(prd, 1, true);  // RGGB
    std::vector<uint8_t> blocks;
    auto add = [&blocks](const char* name, const std::vector<uint8_t>& data) {
        blocks.push_back(0);
        blocks.insert(blocks.end(), name, name + 3);
        Put32(blocks, uint32_t(data.size()), true);
        blocks.insert(blocks.end(), data.begin(), data.end());
    };
    add("PRD", prd);
    add("TTW", tiff);
    if (!settings.empty())
        add("RIF", settings);
    std::vector<uint8_t> file = {0, 'M', 'R', 'M'};
    Put32(file, uint32_t(blocks.size()), true);
    file.insert(file.end(), blocks.begin(), blocks.end());
    file.insert(file.end(), 64, 0);  // image data
    return file;
}

std::vector<uint8_t> BuildX3f(const std::vector<uint8_t>& jpeg, uint32_t rotation,
                              const std::vector<std::pair<uint8_t, float>>& adjustments, uint32_t version,
                              const std::vector<uint8_t>& properties)
{
    std::vector<uint8_t> file = Bytes("FOVb");
    Put32(file, version, false);
    PutText(file, "0123456789abcdef", 16);
    Put32(file, 0, false);  // mark bits
    if (version >= 0x00040000)
        file.resize(40, 0);  // three more words before the size
    Put32(file, 640, false);
    Put32(file, 480, false);
    Put32(file, rotation, false);
    file.resize(version >= 0x00040000 ? 0x300 : 0x100, 0);  // the rest of the header
    for (size_t i = 0; i < adjustments.size() && i < 32 && version < 0x00040000; ++i) {
        file[104 + i] = adjustments[i].first;
        uint32_t bits;
        std::memcpy(&bits, &adjustments[i].second, sizeof bits);
        for (int b = 0; b < 4; ++b)
            file[136 + 4 * i + size_t(b)] = uint8_t(bits >> (8 * b));
    }
    std::vector<uint8_t> entries;  // of the section directory
    auto section = [&](std::vector<uint8_t> bytes, const char* kind) {
        while (bytes.size() % 4)
            bytes.push_back(0);
        Put32(entries, uint32_t(file.size()), false);
        Put32(entries, uint32_t(bytes.size()), false);
        entries.insert(entries.end(), kind, kind + 4);
        file.insert(file.end(), bytes.begin(), bytes.end());
    };
    if (!jpeg.empty()) {
        std::vector<uint8_t> image = Bytes("SECi");
        Put32(image, 0x00020000, false);
        Put32(image, 2, false);  // processed for preview
        Put32(image, 18, false);  // JPEG
        Put32(image, 640, false);
        Put32(image, 480, false);
        Put32(image, 0, false);
        image.insert(image.end(), jpeg.begin(), jpeg.end());
        section(image, "IMA2");
    }
    if (!properties.empty())
        section(properties, "PROP");
    uint32_t directory = uint32_t(file.size());
    std::vector<uint8_t> dir = Bytes("SECd");
    Put32(dir, 0x00020000, false);
    Put32(dir, uint32_t(entries.size() / 12), false);
    dir.insert(dir.end(), entries.begin(), entries.end());
    file.insert(file.end(), dir.begin(), dir.end());
    Put32(file, directory, false);
    return file;
}

std::vector<uint8_t> X3fProperties(const std::vector<std::pair<std::string, std::string>>& properties)
{
    std::u16string characters;
    std::vector<uint8_t> offsets;
    for (const auto& [name, value] : properties) {
        Put32(offsets, uint32_t(characters.size()), false);
        characters += std::u16string(name.begin(), name.end()) + u'\0';
        Put32(offsets, uint32_t(characters.size()), false);
        characters += std::u16string(value.begin(), value.end()) + u'\0';
    }
    std::vector<uint8_t> bytes = Bytes("SECp");
    Put32(bytes, 0x00020000, false);
    Put32(bytes, uint32_t(properties.size()), false);
    Put32(bytes, 0, false);  // 16-bit characters
    Put32(bytes, 0, false);
    Put32(bytes, uint32_t(characters.size()), false);
    bytes.insert(bytes.end(), offsets.begin(), offsets.end());
    for (char16_t c : characters) {
        bytes.push_back(uint8_t(c));
        bytes.push_back(uint8_t(c >> 8));
    }
    return bytes;
}

std::vector<uint8_t> BuildCrw(bool big, const std::string& make, const std::string& model, uint32_t seconds,
                              uint32_t width, uint32_t height, int32_t rotation)
{
    struct Record {
        uint16_t tag;
        std::vector<uint8_t> data;
    };
    // A heap: the record data, the directory (count, 10-byte entries), the directory's offset.
    auto heap = [big](const std::vector<Record>& records) {
        std::vector<uint8_t> out;
        std::vector<uint8_t> dir;
        Put16(dir, uint32_t(records.size()), big);
        for (const Record& r : records) {
            Put16(dir, r.tag, big);
            Put32(dir, uint32_t(r.data.size()), big);
            Put32(dir, uint32_t(out.size()), big);
            out.insert(out.end(), r.data.begin(), r.data.end());
            if (out.size() & 1)
                out.push_back(0);
        }
        uint32_t at = uint32_t(out.size());
        out.insert(out.end(), dir.begin(), dir.end());
        Put32(out, at, big);
        return out;
    };
    std::vector<uint8_t> makeModel = Bytes(make);
    makeModel.push_back(0);
    makeModel.insert(makeModel.end(), model.begin(), model.end());
    makeModel.push_back(0);
    std::vector<uint8_t> time, info;
    Put32(time, seconds, big);
    Put32(time, 0, big);
    Put32(time, 0, big);
    Put32(info, width, big);
    Put32(info, height, big);
    Put32(info, 0x3F800000, big);  // pixel aspect ratio 1.0
    Put32(info, uint32_t(rotation), big);
    Put32(info, 8, big);
    Put32(info, 24, big);
    Put32(info, 1, big);
    std::vector<uint8_t> description = heap({{0x080A, makeModel}});
    std::vector<uint8_t> properties = heap({{0x180E, time}, {0x1810, info}, {0x2807, description}});
    std::vector<uint8_t> file = big ? Bytes("MM") : Bytes("II");
    Put32(file, 26, big);
    file.insert(file.end(), {'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});
    Put32(file, 0x00010002, big);
    file.insert(file.end(), 8, 0);
    std::vector<uint8_t> root = heap({{0x300A, properties}});
    file.insert(file.end(), root.begin(), root.end());
    return file;
}

std::vector<uint8_t> BuildRw2(bool bigEndian, uint16_t width, uint16_t height, uint16_t orientation,
                              const std::vector<uint8_t>& jpeg, bool signature)
{
    const uint16_t top = 6, left = 8;
    Ifd ifd0;
    ifd0.Undefined(0x0001, {'0', '3', '0', '0'})
            .Short(0x0002, 3724)
            .Short(0x0003, 2754)
            .Short(0x0004, top)
            .Short(0x0005, left)
            .Short(0x0006, uint16_t(top + height))
            .Short(0x0007, uint16_t(left + width))
            .Short(0x000A, 12)
            .Undefined(0x002E, jpeg)
            .Ascii(0x010F, "Panasonic")
            .Ascii(0x0110, "DMC-LX3")
            .Short(0x0112, orientation);
    TiffOptions options;
    options.order = bigEndian ? ByteOrder::Motorola : ByteOrder::Intel;
    options.magic = 0x55;
    options.firstIfdOffset = signature ? 24 : 8;
    std::vector<uint8_t> file = BuildTiff(ifd0, options);
    static const uint8_t kSignature[16] = {0x88, 0xE7, 0x74, 0xD8, 0xF8, 0x25, 0x1D, 0x4D,
                                           0x94, 0x7A, 0x6E, 0x77, 0x82, 0x2B, 0x5D, 0x6A};
    if (signature)
        std::memcpy(file.data() + 8, kSignature, sizeof kSignature);
    return file;
}

}  // namespace qmtest
