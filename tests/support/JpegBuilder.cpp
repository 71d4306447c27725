#include "tests/support/JpegBuilder.h"

#include <cstdio>

namespace qmtest {

JpegBuilder& JpegBuilder::Soi()
{
    return Raw({0xFF, 0xD8});
}

JpegBuilder& JpegBuilder::Segment(uint8_t marker, const std::vector<uint8_t>& payload)
{
    return SegmentWithLength(marker, static_cast<uint16_t>(payload.size() + 2), payload);
}

JpegBuilder& JpegBuilder::SegmentWithLength(uint8_t marker, uint16_t length,
                                            const std::vector<uint8_t>& payload)
{
    bytes_.push_back(0xFF);
    bytes_.push_back(marker);
    bytes_.push_back(static_cast<uint8_t>(length >> 8));
    bytes_.push_back(static_cast<uint8_t>(length & 0xFF));
    return Raw(payload);
}

JpegBuilder& JpegBuilder::Exif(const Ifd& first, ByteOrder order)
{
    return Segment(0xE1, ExifPayload(first, order));
}

JpegBuilder& JpegBuilder::App0Jfif()
{
    return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
}

JpegBuilder& JpegBuilder::Comment(const std::string& text)
{
    return Segment(0xFE, std::vector<uint8_t>(text.begin(), text.end()));
}

JpegBuilder& JpegBuilder::Frame(uint16_t height, uint16_t width, uint8_t components, uint8_t marker)
{
    std::vector<uint8_t> p = {8,
                              static_cast<uint8_t>(height >> 8),
                              static_cast<uint8_t>(height & 0xFF),
                              static_cast<uint8_t>(width >> 8),
                              static_cast<uint8_t>(width & 0xFF),
                              components};
    for (uint8_t c = 1; c <= components; ++c) {
        p.push_back(c);
        p.push_back(c == 1 ? 0x22 : 0x11);
        p.push_back(c == 1 ? 0 : 1);
    }
    return Segment(marker, p);
}

JpegBuilder& JpegBuilder::Padding(size_t count)
{
    bytes_.insert(bytes_.end(), count, 0xFF);
    return *this;
}

JpegBuilder& JpegBuilder::Scan(size_t entropyBytes)
{
    Segment(0xDA, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
    for (size_t i = 0; i < entropyBytes; ++i)
        bytes_.push_back(static_cast<uint8_t>(i * 37 % 255));  // never 0xFF
    return *this;
}

JpegBuilder& JpegBuilder::Eoi()
{
    return Raw({0xFF, 0xD9});
}

JpegBuilder& JpegBuilder::Raw(const std::vector<uint8_t>& bytes)
{
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

std::vector<uint8_t> MinimalJpeg(const Ifd& ifd0, ByteOrder order, uint16_t height, uint16_t width)
{
    return JpegBuilder().Soi().Exif(ifd0, order).Frame(height, width).Scan().Eoi().Bytes();
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace qmtest
