#include "tests/support/ContainerSamples.h"

#include <algorithm>

namespace qmtest {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}
// Byte-wise appends: GCC 12 reports false overflows for range inserts into small vectors.
void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more)
{
    for (uint8_t b : more)
        out.push_back(b);
}
void AppendText(std::vector<uint8_t>& out, const std::string& text)
{
    for (char ch : text)
        out.push_back(uint8_t(ch));
}

void Zeros(std::vector<uint8_t>& out, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        out.push_back(0);
}

void Store32(uint8_t* at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(v >> (24 - 8 * i));
}
void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return crc ^ 0xFFFFFFFFu;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

}  // namespace

// Sized up front and filled by position (GCC 12 misreads growing vectors here).
std::vector<uint8_t> PngChunk(const std::string& type, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out(8 + data.size() + 4);
    Store32(out.data(), uint32_t(data.size()));
    std::copy(type.begin(), type.begin() + 4, out.begin() + 4);
    std::copy(data.begin(), data.end(), out.begin() + 8);
    Store32(out.data() + 8 + data.size(), Crc32(out.data() + 4, 4 + data.size()));
    return out;
}

std::vector<uint8_t> BuildPng(uint32_t width, uint32_t height, const std::vector<uint8_t>& after)
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32(header, width);
    Put32(header, height);
    Append(header, {8, 2, 0, 0, 0});
    Append(out, PngChunk("IHDR", header));
    Append(out, PngChunk("IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
    Append(out, after);
    Append(out, PngChunk("IEND", {}));
    return out;
}

std::vector<uint8_t> Box(const std::string& type, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> out(8 + payload.size());
    Store32(out.data(), uint32_t(payload.size() + 8));
    std::copy(type.begin(), type.begin() + 4, out.begin() + 4);
    std::copy(payload.begin(), payload.end(), out.begin() + 8);
    return out;
}

std::vector<uint8_t> FullBox(const std::string& type, uint8_t version, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> body = {version, 0, 0, 0};
    Append(body, payload);
    return Box(type, body);
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& part : parts)
        Append(out, part);
    return out;
}

uint64_t MovieSeconds(int year, int month, int day, int hour, int minute, int second)
{
    int64_t unix =
            DaysFromCivil(year, unsigned(month), unsigned(day)) * 86400 + hour * 3600 + minute * 60 + second;
    return uint64_t(unix + 2082844800);
}

std::vector<uint8_t> BuildMovie(const std::string& brand, uint32_t created, uint32_t modified,
                                const std::string& contentIdentifier, const std::string& creationDate)
{
    std::vector<uint8_t> ftyp;
    for (char ch : brand)
        ftyp.push_back(uint8_t(ch));
    Put32(ftyp, 0x200);
    for (char ch : brand)
        ftyp.push_back(uint8_t(ch));
    std::vector<uint8_t> mvhd;
    Put32(mvhd, created);
    Put32(mvhd, modified);
    Put32(mvhd, 600);  // time scale
    Put32(mvhd, 3000);  // duration: 5 s
    Put32(mvhd, 0x00010000);
    Put16(mvhd, 0x0100);
    Zeros(mvhd, 10 + 36 + 24);
    Put32(mvhd, 2);
    std::vector<uint8_t> moov = FullBox("mvhd", 0, mvhd);
    if (!contentIdentifier.empty() || !creationDate.empty()) {
        // QuickTime metadata: a handler, three keys, and an item for each given value (key
        // indexes 2 and 3), the date's item first.
        const std::string names[] = {"com.apple.quicktime.make", "com.apple.quicktime.content.identifier",
                                     "com.apple.quicktime.creationdate"};
        std::vector<uint8_t> keys;
        Put32(keys, 3);
        for (const std::string& name : names) {
            Put32(keys, uint32_t(8 + name.size()));
            AppendText(keys, "mdta" + name);
        }
        std::vector<uint8_t> items;
        for (const auto& [index, value] : {std::pair {3, &creationDate}, std::pair {2, &contentIdentifier}}) {
            if (value->empty())
                continue;
            std::vector<uint8_t> data;
            Put32(data, 1);  // UTF-8
            Put32(data, 0);  // locale
            AppendText(data, *value);
            Append(items, Box(std::string("\0\0\0", 3) + char(index), Box("data", data)));
        }
        std::vector<uint8_t> hdlr;
        Put32(hdlr, 0);
        AppendText(hdlr, "mdta");
        Zeros(hdlr, 12 + 1);
        const std::vector<uint8_t> meta =
                Box("meta", Concat({FullBox("hdlr", 0, hdlr), FullBox("keys", 0, keys), Box("ilst", items)}));
        Append(moov, meta);
    }
    return Concat({Box("ftyp", ftyp), Box("moov", moov), Box("mdat", {})});
}

std::vector<uint8_t> AppleMakerNote(const std::string& contentIdentifier,
                                    const std::vector<int32_t>& acceleration)
{
    const bool withAcceleration = acceleration.size() == 3;
    const uint16_t entries = withAcceleration ? 3 : 2;
    const uint32_t data = 14 + 2 + 12 * entries + 4;
    std::vector<uint8_t> note;
    AppendText(note, std::string("Apple iOS\0\0\1MM", 14));
    Put16(note, entries);
    // An unrelated short before the identifier, whose text lies after the directory.
    Put16(note, 0x0001);
    Put16(note, 3);
    Put32(note, 1);
    Put16(note, 14);
    Put16(note, 0);
    if (withAcceleration) {
        Put16(note, 0x0008);
        Put16(note, 10);  // signed rationals, after the identifier's text
        Put32(note, 3);
        Put32(note, data + uint32_t(contentIdentifier.size() + 1));
    }
    Put16(note, 0x0011);
    Put16(note, 2);
    Put32(note, uint32_t(contentIdentifier.size() + 1));
    Put32(note, data);
    Put32(note, 0);  // no next directory
    AppendText(note, contentIdentifier);
    note.push_back(0);
    for (size_t i = 0; withAcceleration && i < 3; ++i) {
        Put32(note, uint32_t(acceleration[i]));
        Put32(note, 1000);
    }
    return note;
}

std::vector<uint8_t> BuildHeic(const std::vector<uint8_t>& tiff)
{
    std::vector<uint8_t> ftyp = {'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'};
    std::vector<uint8_t> hdlr = {0, 0, 0, 0, 'p', 'i', 'c', 't'};
    Zeros(hdlr, 13);
    std::vector<uint8_t> pitm = {0, 1};
    std::vector<uint8_t> hvc1 = {0, 1, 0, 0, 'h', 'v', 'c', '1', 0};
    std::vector<uint8_t> exif = {0, 2, 0, 0, 'E', 'x', 'i', 'f', 0};
    std::vector<uint8_t> iinf = {0, 2};
    iinf = Concat({iinf, FullBox("infe", 2, hvc1), FullBox("infe", 2, exif)});
    std::vector<uint8_t> item = {0, 0, 0, 0};
    Append(item, tiff);
    // iloc version 0, offset size 4, length size 4, base offset size 0: one item with one extent
    // whose offset is patched once the size of everything before mdat is known.
    auto buildMeta = [&](uint32_t dataOffset) {
        std::vector<uint8_t> iloc = {0x44, 0x00};
        Put16(iloc, 1);
        Put16(iloc, 2);  // item id
        Put16(iloc, 0);  // data reference
        Put16(iloc, 1);  // extents
        Put32(iloc, dataOffset);
        Put32(iloc, uint32_t(item.size()));
        return FullBox("meta", 0,
                       Concat({FullBox("hdlr", 0, hdlr), FullBox("pitm", 0, pitm), FullBox("iinf", 0, iinf),
                               FullBox("iloc", 0, iloc)}));
    };
    std::vector<uint8_t> head = Concat({Box("ftyp", ftyp), buildMeta(0)});
    uint32_t dataOffset = uint32_t(head.size() + 8);
    return Concat({Box("ftyp", ftyp), buildMeta(dataOffset), Box("mdat", item)});
}

std::vector<uint8_t> BuildCr3(const std::vector<uint8_t>& cmt1, const std::vector<uint8_t>& cmt2,
                              uint32_t created)
{
    std::vector<uint8_t> ftyp = {'c', 'r', 'x', ' ', 0, 0, 0, 1, 'c', 'r', 'x', ' ', 'i', 's', 'o', 'm'};
    std::vector<uint8_t> canon = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                  0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    std::vector<uint8_t> cncv = {'C', 'a', 'n', 'o', 'n', 'C', 'R', '3', '_', '0', '0', '1', '/', '0', '0',
                                 '.', '0', '9', '.', '0', '0', '/', '0', '0', '.', '0', '0', '.', '0', '0'};
    std::vector<uint8_t> uuid = Concat({canon, Box("CNCV", cncv), Box("CMT1", cmt1), Box("CMT2", cmt2)});
    std::vector<uint8_t> mvhd;
    Put32(mvhd, created);
    Put32(mvhd, created);
    Put32(mvhd, 1000);
    Put32(mvhd, 0);
    Put32(mvhd, 0x00010000);
    Put16(mvhd, 0x0100);
    Zeros(mvhd, 10 + 36 + 24);
    Put32(mvhd, 2);
    return Concat({Box("ftyp", ftyp), Box("moov", Concat({Box("uuid", uuid), FullBox("mvhd", 0, mvhd)})),
                   Box("mdat", {})});
}

}  // namespace qmtest
