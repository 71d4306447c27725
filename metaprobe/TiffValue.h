// One directory entry's value as read from the file, with number and text access.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace metaprobe {

namespace tiff {
constexpr uint16_t Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SByte = 6, Undefined = 7,
                   SShort = 8, SLong = 9, SRational = 10, Float = 11, Double = 12, Ifd = 13;
// Size in bytes of one value of the format, 0 for an unknown format.
unsigned FormatSize(uint16_t format);
}  // namespace tiff

struct TiffValue {
    uint16_t tag = 0;
    uint16_t format = 0;
    uint32_t count = 0;  // count as written in the entry
    bool bigEndian = false;
    std::vector<uint8_t> bytes;  // the value bytes, FormatSize * count of them

    // Number of values actually held.
    size_t Size() const;
    bool IsNumeric() const;
    // The i-th value as a number (rationals divided); 0 when out of range.
    double Number(size_t i) const;
    // The i-th value as an integer (rationals truncated).
    int64_t Integer(size_t i) const;
    // Numerator and denominator of the i-th rational value.
    void Ratio(size_t i, int64_t& num, int64_t& den) const;
    // ASCII text up to the first NUL.
    std::string Text() const;
};

}  // namespace metaprobe
