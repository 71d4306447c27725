// Builds JPEG byte streams for tests: every call appends exactly the bytes it names, nothing is
// implied, so broken structures are as easy to write as sound ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TiffBuilder.h"

namespace qmtest {

class JpegBuilder {
public:
    JpegBuilder& Soi();
    // FF marker, big-endian length (payload size + 2), payload.
    JpegBuilder& Segment(uint8_t marker, const std::vector<uint8_t>& payload);
    // Same with a length field that may lie about the payload.
    JpegBuilder& SegmentWithLength(uint8_t marker, uint16_t length, const std::vector<uint8_t>& payload);
    JpegBuilder& Exif(const Ifd& first, ByteOrder order);
    JpegBuilder& App0Jfif();
    JpegBuilder& Comment(const std::string& text);
    JpegBuilder& Frame(uint16_t height, uint16_t width, uint8_t components = 3, uint8_t marker = 0xC0);
    JpegBuilder& Padding(size_t count);
    // Start of scan header followed by entropy-coded filler bytes that contain no 0xFF.
    JpegBuilder& Scan(size_t entropyBytes = 64);
    JpegBuilder& Eoi();
    JpegBuilder& Raw(const std::vector<uint8_t>& bytes);
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// SOI, APP1 Exif, SOF0, SOS with filler, EOI.
std::vector<uint8_t> MinimalJpeg(const Ifd& ifd0, ByteOrder order = ByteOrder::Intel, uint16_t height = 480,
                                 uint16_t width = 640);

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace qmtest
