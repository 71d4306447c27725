#include "metaprobe/TiffValue.h"

#include <cstring>

#include "metaprobe/ByteSource.h"

namespace metaprobe {

unsigned tiff::FormatSize(uint16_t format)
{
    switch (format) {
    case Byte:
    case Ascii:
    case SByte:
    case Undefined: return 1;
    case Short:
    case SShort: return 2;
    case Long:
    case SLong:
    case Float:
    case Ifd: return 4;
    case Rational:
    case SRational:
    case Double: return 8;
    default: return 0;
    }
}

size_t TiffValue::Size() const
{
    unsigned size = tiff::FormatSize(format);
    return size == 0 ? 0 : bytes.size() / size;
}

bool TiffValue::IsNumeric() const
{
    return format != tiff::Ascii && format != tiff::Undefined && tiff::FormatSize(format) != 0;
}

void TiffValue::Ratio(size_t i, int64_t& num, int64_t& den) const
{
    num = 0;
    den = 1;
    if (i >= Size())
        return;
    const uint8_t* p = bytes.data() + i * 8;
    if (format == tiff::Rational) {
        num = Get32(p, bigEndian);
        den = Get32(p + 4, bigEndian);
    } else if (format == tiff::SRational) {
        num = int32_t(Get32(p, bigEndian));
        den = int32_t(Get32(p + 4, bigEndian));
    } else {
        num = Integer(i);
    }
}

double TiffValue::Number(size_t i) const
{
    if (i >= Size())
        return 0;
    const uint8_t* p = bytes.data() + i * tiff::FormatSize(format);
    switch (format) {
    case tiff::Rational:
    case tiff::SRational: {
        int64_t num, den;
        Ratio(i, num, den);
        return den == 0 ? 0 : double(num) / double(den);
    }
    case tiff::Float: {
        uint32_t bits = Get32(p, bigEndian);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    case tiff::Double: {
        uint64_t bits = Get64(p, bigEndian);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    default: return double(Integer(i));
    }
}

int64_t TiffValue::Integer(size_t i) const
{
    if (i >= Size())
        return 0;
    const uint8_t* p = bytes.data() + i * tiff::FormatSize(format);
    switch (format) {
    case tiff::Byte:
    case tiff::Ascii:
    case tiff::Undefined: return p[0];
    case tiff::SByte: return int8_t(p[0]);
    case tiff::Short: return Get16(p, bigEndian);
    case tiff::SShort: return int16_t(Get16(p, bigEndian));
    case tiff::Long:
    case tiff::Ifd: return Get32(p, bigEndian);
    case tiff::SLong: return int32_t(Get32(p, bigEndian));
    case tiff::Rational:
    case tiff::SRational: {
        int64_t num, den;
        Ratio(i, num, den);
        return den == 0 ? 0 : num / den;
    }
    default: {
        double value = Number(i);
        return (value > -9e18 && value < 9e18) ? int64_t(value) : 0;
    }
    }
}

std::string TiffValue::Text() const
{
    size_t end = 0;
    while (end < bytes.size() && bytes[end] != 0)
        ++end;
    return std::string(bytes.begin(), bytes.begin() + end);
}

}  // namespace metaprobe
