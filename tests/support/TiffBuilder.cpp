#include "tests/support/TiffBuilder.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace qmtest {

struct Ifd::Entry {
    enum class Kind { Value, RawValue, Offset, Child, BlobOffset };
    Kind kind = Kind::Value;
    uint16_t tag = 0;
    uint16_t format = 0;
    uint32_t count = 0;
    std::vector<uint8_t> bytes;  // little-endian for Value, file order for RawValue, the blob for BlobOffset
    uint32_t offset = 0;
    std::shared_ptr<Ifd> child;
};

struct Ifd::Data {
    std::vector<Entry> entries;
    std::shared_ptr<Ifd> next;
    bool hasNextOffset = false;
    uint32_t nextOffset = 0;
};

namespace {

void PutLE(std::vector<uint8_t>& out, uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Size of the unit whose bytes a byte-order change reverses.
int SwapUnit(uint16_t format)
{
    switch (format) {
    case fmt::Short:
    case fmt::SShort: return 2;
    case fmt::Long:
    case fmt::SLong:
    case fmt::Rational:
    case fmt::SRational:
    case fmt::Float: return 4;
    case fmt::Double: return 8;
    default: return 1;
    }
}

}  // namespace

Ifd::Ifd() : data_(std::make_unique<Data>())
{ }
Ifd::Ifd(const Ifd& other) : data_(std::make_unique<Data>(*other.data_))
{ }
Ifd& Ifd::operator=(const Ifd& other)
{
    if (this != &other)
        data_ = std::make_unique<Data>(*other.data_);
    return *this;
}
Ifd::Ifd(Ifd&&) noexcept = default;
Ifd& Ifd::operator=(Ifd&&) noexcept = default;
Ifd::~Ifd() = default;

Ifd& Ifd::Ascii(uint16_t tag, const std::string& text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    auto count = static_cast<uint32_t>(bytes.size());
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Ascii, count, std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::Bytes(uint16_t tag, std::vector<uint8_t> values)
{
    auto count = static_cast<uint32_t>(values.size());
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Byte, count, std::move(values), 0, nullptr});
    return *this;
}

Ifd& Ifd::Short(uint16_t tag, uint16_t value)
{
    return Shorts(tag, {value});
}

Ifd& Ifd::Shorts(uint16_t tag, std::vector<uint16_t> values)
{
    std::vector<uint8_t> bytes;
    for (uint16_t v : values)
        PutLE(bytes, v, 2);
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Short, static_cast<uint32_t>(values.size()),
                              std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::Long(uint16_t tag, uint32_t value)
{
    std::vector<uint8_t> bytes;
    PutLE(bytes, value, 4);
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Long, 1, std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::Rational(uint16_t tag, uint32_t num, uint32_t den)
{
    std::vector<uint8_t> bytes;
    PutLE(bytes, num, 4);
    PutLE(bytes, den, 4);
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Rational, 1, std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::SRational(uint16_t tag, int32_t num, int32_t den)
{
    std::vector<uint8_t> bytes;
    PutLE(bytes, static_cast<uint32_t>(num), 4);
    PutLE(bytes, static_cast<uint32_t>(den), 4);
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::SRational, 1, std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::Rationals(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>>& values)
{
    std::vector<uint8_t> bytes;
    for (const auto& [num, den] : values) {
        PutLE(bytes, num, 4);
        PutLE(bytes, den, 4);
    }
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Rational, static_cast<uint32_t>(values.size()),
                              std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::Undefined(uint16_t tag, std::vector<uint8_t> bytes)
{
    auto count = static_cast<uint32_t>(bytes.size());
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Undefined, count, std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::Float(uint16_t tag, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    std::vector<uint8_t> bytes;
    PutLE(bytes, bits, 4);
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Float, 1, std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::Double(uint16_t tag, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    std::vector<uint8_t> bytes;
    PutLE(bytes, bits, 8);
    data_->entries.push_back({Entry::Kind::Value, tag, fmt::Double, 1, std::move(bytes), 0, nullptr});
    return *this;
}

Ifd& Ifd::Raw(uint16_t tag, uint16_t format, uint32_t count, std::vector<uint8_t> value)
{
    data_->entries.push_back({Entry::Kind::RawValue, tag, format, count, std::move(value), 0, nullptr});
    return *this;
}

Ifd& Ifd::RawOffset(uint16_t tag, uint16_t format, uint32_t count, uint32_t offset)
{
    data_->entries.push_back({Entry::Kind::Offset, tag, format, count, {}, offset, nullptr});
    return *this;
}

Ifd& Ifd::Sub(uint16_t tag, Ifd child)
{
    data_->entries.push_back(
            {Entry::Kind::Child, tag, fmt::Long, 1, {}, 0, std::make_shared<Ifd>(std::move(child))});
    return *this;
}

Ifd& Ifd::Next(Ifd next)
{
    data_->next = std::make_shared<Ifd>(std::move(next));
    data_->hasNextOffset = false;
    return *this;
}

Ifd& Ifd::NextOffset(uint32_t offset)
{
    data_->next.reset();
    data_->hasNextOffset = true;
    data_->nextOffset = offset;
    return *this;
}

Ifd& Ifd::Blob(uint16_t offsetTag, uint16_t lengthTag, std::vector<uint8_t> blob)
{
    auto size = static_cast<uint32_t>(blob.size());
    data_->entries.push_back({Entry::Kind::BlobOffset, offsetTag, fmt::Long, 1, std::move(blob), 0, nullptr});
    return Long(lengthTag, size);
}

// Lays out a directory tree depth first: each directory, then its out-of-line values, then its
// children and its next directory, patching offsets as they become known.
class TiffWriter {
public:
    explicit TiffWriter(ByteOrder order) : order_(order) { }

    std::vector<uint8_t> out;

    void Put16(size_t at, uint16_t v) { PutN(at, v, 2); }
    void Put32(size_t at, uint32_t v) { PutN(at, v, 4); }

    uint32_t Write(const Ifd& ifd)
    {
        const auto& entries = ifd.data_->entries;
        Align();
        const size_t start = out.size();
        out.resize(start + 2 + 12 * entries.size() + 4, 0);
        Put16(start, static_cast<uint16_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i)
            WriteEntry(start + 2 + 12 * i, entries[i]);
        const size_t link = start + 2 + 12 * entries.size();
        if (ifd.data_->next)
            Put32(link, Write(*ifd.data_->next));
        else if (ifd.data_->hasNextOffset)
            Put32(link, ifd.data_->nextOffset);
        return static_cast<uint32_t>(start);
    }

private:
    void PutN(size_t at, uint64_t v, int size)
    {
        for (int i = 0; i < size; ++i) {
            int shift = order_ == ByteOrder::Intel ? 8 * i : 8 * (size - 1 - i);
            out[at + i] = static_cast<uint8_t>(v >> shift);
        }
    }

    void Align()
    {
        if (out.size() % 2)
            out.push_back(0);
    }

    std::vector<uint8_t> Encode(const Ifd::Entry& e) const
    {
        std::vector<uint8_t> bytes = e.bytes;
        const int unit = SwapUnit(e.format);
        if (order_ == ByteOrder::Motorola && unit > 1) {
            for (size_t i = 0; i + unit <= bytes.size(); i += unit)
                for (int a = 0, b = unit - 1; a < b; ++a, --b)
                    std::swap(bytes[i + a], bytes[i + b]);
        }
        return bytes;
    }

    uint32_t Append(const std::vector<uint8_t>& bytes)
    {
        Align();
        auto at = static_cast<uint32_t>(out.size());
        out.insert(out.end(), bytes.begin(), bytes.end());
        return at;
    }

    void WriteEntry(size_t at, const Ifd::Entry& e)
    {
        Put16(at, e.tag);
        Put16(at + 2, e.format);
        Put32(at + 4, e.count);
        switch (e.kind) {
        case Ifd::Entry::Kind::Value:
        case Ifd::Entry::Kind::RawValue: {
            std::vector<uint8_t> bytes = e.kind == Ifd::Entry::Kind::Value ? Encode(e) : e.bytes;
            if (bytes.size() <= 4) {
                for (size_t i = 0; i < bytes.size(); ++i)
                    out[at + 8 + i] = bytes[i];
            } else {
                Put32(at + 8, Append(bytes));
            }
            break;
        }
        case Ifd::Entry::Kind::Offset: Put32(at + 8, e.offset); break;
        case Ifd::Entry::Kind::Child: Put32(at + 8, Write(*e.child)); break;
        case Ifd::Entry::Kind::BlobOffset: Put32(at + 8, Append(e.bytes)); break;
        }
    }

    ByteOrder order_;
};

std::vector<uint8_t> BuildTiff(const Ifd& first, const TiffOptions& options)
{
    TiffWriter w(options.order);
    w.out.resize(options.firstIfdOffset < 8 ? 8 : options.firstIfdOffset, 0);
    w.out[0] = w.out[1] = options.order == ByteOrder::Intel ? 'I' : 'M';
    w.Put16(2, options.magic);
    // The header says what the caller asked for, even an offset where no directory starts.
    w.Write(first);
    w.Put32(4, options.firstIfdOffset);
    return w.out;
}

std::vector<uint8_t> ExifPayload(const Ifd& first, ByteOrder order)
{
    std::vector<uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
    TiffOptions options;
    options.order = order;
    std::vector<uint8_t> tiff = BuildTiff(first, options);
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return payload;
}

namespace {

std::vector<std::pair<uint32_t, uint32_t>> DegreesMinutesSeconds(double value)
{
    const auto hundredths = static_cast<uint64_t>(std::llround(std::fabs(value) * 360000));
    const auto degrees = static_cast<uint32_t>(hundredths / 360000);
    const auto minutes = static_cast<uint32_t>(hundredths / 6000 % 60);
    const auto seconds = static_cast<uint32_t>(hundredths % 6000);
    return {{degrees, 1}, {minutes, 1}, {seconds, 100}};
}

}  // namespace

Ifd GpsIfd(double latitude, double longitude)
{
    Ifd gps;
    gps.Bytes(0x0000, {2, 2, 0, 0});
    gps.Ascii(0x0001, latitude < 0 ? "S" : "N");
    gps.Rationals(0x0002, DegreesMinutesSeconds(latitude));
    gps.Ascii(0x0003, longitude < 0 ? "W" : "E");
    gps.Rationals(0x0004, DegreesMinutesSeconds(longitude));
    // What follows the position in a phone's directory: altitude, time stamp, date.
    gps.Bytes(0x0005, {0});
    gps.Rational(0x0006, 14000, 100);
    gps.Rationals(0x0007, {{8, 1}, {0, 1}, {0, 1}});
    gps.Ascii(0x001D, "2019:07:14");
    return gps;
}

}  // namespace qmtest
