#include "tests/support/MakerNoteSamples.h"

#include <algorithm>
#include <stdexcept>

#include "tests/support/JpegBuilder.h"

namespace qmtest {

namespace {

std::vector<uint8_t> BuildJpeg(const std::string& make, const std::string& model,
                               const std::vector<uint8_t>& note, ByteOrder order, const Shorts& before,
                               const Shorts& after, bool withDate)
{
    Ifd exif;
    if (withDate)
        exif.Ascii(0x9003, "2015:03:04 05:06:07");
    for (const auto& [tag, value] : before)
        exif.Short(tag, value);
    exif.Undefined(0x927C, note);
    for (const auto& [tag, value] : after)
        exif.Short(tag, value);
    Ifd ifd0;
    ifd0.Ascii(0x010F, make).Ascii(0x0110, model).Sub(0x8769, exif);
    return MinimalJpeg(ifd0, order, 8, 8);
}

}  // namespace

std::vector<uint8_t> JpegWithMakerNote(const std::string& make, const std::string& model, const NoteAt& note,
                                       ByteOrder order, const Shorts& before, const Shorts& after,
                                       bool withDate)
{
    // The note's place depends only on the sizes of what precedes it, so a few rounds settle it.
    uint32_t offset = 0;
    for (int round = 0; round < 4; ++round) {
        std::vector<uint8_t> bytes = note(offset);
        std::vector<uint8_t> jpeg = BuildJpeg(make, model, bytes, order, before, after, withDate);
        const uint8_t exifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
        auto tiff = std::search(jpeg.begin(), jpeg.end(), exifHeader, exifHeader + 6) + 6;
        auto at = std::search(tiff, jpeg.end(), bytes.begin(), bytes.end());
        if (at == jpeg.end())
            break;
        uint32_t found = uint32_t(at - tiff);
        if (found == offset)
            return jpeg;
        offset = found;
    }
    throw std::logic_error("maker note sample: the note's offset does not settle");
}

std::vector<uint8_t> TiffRelativeNote(const Ifd& dir, ByteOrder order, uint32_t offset,
                                      const std::vector<uint8_t>& prefix)
{
    TiffOptions options;
    options.order = order;
    options.firstIfdOffset = offset + uint32_t(prefix.size());
    std::vector<uint8_t> tiff = BuildTiff(dir, options);
    std::vector<uint8_t> note = prefix;
    note.insert(note.end(), tiff.begin() + long(options.firstIfdOffset), tiff.end());
    return note;
}

std::vector<uint8_t> ShotInfoBlock(const std::string& date, size_t tail)
{
    std::vector<uint8_t> block = {'I', 'I', 0, 0, 0, 0};
    std::string text = date.substr(0, 19);
    block.insert(block.end(), text.begin(), text.end());
    block.resize(6 + 20 + tail, 0);
    return block;
}

std::vector<uint8_t> SonyEnciphered(const std::vector<uint8_t>& plain)
{
    std::vector<uint8_t> stored;
    for (uint8_t b : plain)
        stored.push_back(b < 249 ? uint8_t(unsigned(b) * b * b % 249) : b);
    return stored;
}

std::vector<uint8_t> SonyBlock(size_t size, size_t at, const std::vector<uint8_t>& field, uint8_t first)
{
    std::vector<uint8_t> plain(size, 0);
    for (size_t i = 0; i < field.size() && at + i < size; ++i)
        plain[at + i] = field[i];
    std::vector<uint8_t> block = SonyEnciphered(plain);
    if (!block.empty())
        block[0] = first;
    return block;
}

std::vector<uint8_t> SonyJpeg(const std::string& model, const Ifd& dir, ByteOrder order)
{
    const char prefix[] = "SONY DSC \0\0\0";
    return JpegWithMakerNote(
            "SONY", model,
            [&](uint32_t offset) {
                return TiffRelativeNote(dir, order, offset, std::vector<uint8_t>(prefix, prefix + 12));
            },
            order);
}

std::vector<uint8_t> SelfContainedNote(const Ifd& dir, ByteOrder order, const std::vector<uint8_t>& prefix)
{
    TiffOptions options;
    options.order = order;
    std::vector<uint8_t> tiff = BuildTiff(dir, options);
    std::vector<uint8_t> note = prefix;
    note.insert(note.end(), tiff.begin(), tiff.end());
    return note;
}

std::vector<uint8_t> DngWithMakerNote(const std::string& make, const std::string& model,
                                      const std::vector<uint8_t>& note, uint32_t originalOffset,
                                      ByteOrder order)
{
    auto put32 = [](std::vector<uint8_t>& out, uint32_t v) {
        out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    };
    std::vector<uint8_t> data = {'A', 'd', 'o', 'b', 'e', 0, 'M', 'a', 'k', 'N'};
    put32(data, uint32_t(note.size() + 6));
    data.insert(data.end(), 2, order == ByteOrder::Motorola ? 'M' : 'I');
    put32(data, originalOffset);
    data.insert(data.end(), note.begin(), note.end());
    Ifd ifd0;
    ifd0.Ascii(0x010F, make).Ascii(0x0110, model).Bytes(0xC612, {1, 4, 0, 0}).Bytes(0xC634, data);
    return BuildTiff(ifd0, {order});
}

}  // namespace qmtest
