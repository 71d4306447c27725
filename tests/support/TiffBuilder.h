// Builds TIFF byte streams (and the EXIF payload of a JPEG APP1 section) for tests, in either
// byte order, with any entry, including broken ones on request.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

enum class ByteOrder { Intel, Motorola };

namespace fmt {
constexpr uint16_t Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SByte = 6, Undefined = 7,
                   SShort = 8, SLong = 9, SRational = 10, Float = 11, Double = 12;
}

// One TIFF directory. Entries are written in the order they are added (not sorted), so tests
// control the order the reader meets them in.
class Ifd {
public:
    Ifd();
    Ifd(const Ifd& other);
    Ifd& operator=(const Ifd& other);
    Ifd(Ifd&&) noexcept;
    Ifd& operator=(Ifd&&) noexcept;
    ~Ifd();

    Ifd& Ascii(uint16_t tag, const std::string& text);
    Ifd& Bytes(uint16_t tag, std::vector<uint8_t> values);
    Ifd& Short(uint16_t tag, uint16_t value);
    Ifd& Shorts(uint16_t tag, std::vector<uint16_t> values);
    Ifd& Long(uint16_t tag, uint32_t value);
    Ifd& Rational(uint16_t tag, uint32_t num, uint32_t den);
    Ifd& SRational(uint16_t tag, int32_t num, int32_t den);
    // Several RATIONALs in one entry (GPS degrees, minutes, seconds).
    Ifd& Rationals(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>>& values);
    Ifd& Undefined(uint16_t tag, std::vector<uint8_t> bytes);
    Ifd& Float(uint16_t tag, float value);
    Ifd& Double(uint16_t tag, double value);
    // Raw value bytes in file order, any format and count (for odd or broken entries).
    Ifd& Raw(uint16_t tag, uint16_t format, uint32_t count, std::vector<uint8_t> value);
    // An entry whose value field holds the given offset, pointing anywhere.
    Ifd& RawOffset(uint16_t tag, uint16_t format, uint32_t count, uint32_t offset);
    // A LONG entry holding the offset of a child directory (Exif 0x8769, interoperability 0xA005,
    // GPS 0x8825, SubIFDs 0x014A).
    Ifd& Sub(uint16_t tag, Ifd child);
    Ifd& Next(Ifd next);
    Ifd& NextOffset(uint32_t offset);
    // Two LONG entries: offsetTag -> blob stored in the file, lengthTag = blob size
    // (thumbnail 0x0201/0x0202, strips 0x0111/0x0117).
    Ifd& Blob(uint16_t offsetTag, uint16_t lengthTag, std::vector<uint8_t> blob);

    struct Entry;
    struct Data;

private:
    friend class TiffWriter;
    std::unique_ptr<Data> data_;
};

struct TiffOptions {
    ByteOrder order = ByteOrder::Intel;
    uint32_t firstIfdOffset = 8;
    uint16_t magic = 42;
};

std::vector<uint8_t> BuildTiff(const Ifd& first, const TiffOptions& options = {});

// A GPS directory (for Sub(0x8825, ...)) as cameras write it: version 2.2, the references N/S
// and E/W, each coordinate as degrees, minutes and seconds in hundredths, then an altitude, a
// time and a date.
Ifd GpsIfd(double latitude, double longitude);
// "Exif\0\0" followed by the TIFF bytes.
std::vector<uint8_t> ExifPayload(const Ifd& first, ByteOrder order);

}  // namespace qmtest
