#include "tests/support/IccSamples.h"

#include <algorithm>
#include <cmath>

namespace qmtest {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

void PutFixed(std::vector<uint8_t>& out, double value)
{
    Put32(out, uint32_t(int32_t(std::lround(value * 65536))));
}

// Four characters, padded with NULs.
void PutSignature(std::vector<uint8_t>& out, const std::string& signature)
{
    for (size_t i = 0; i < 4; ++i)
        out.push_back(i < signature.size() ? uint8_t(signature[i]) : 0);
}

std::vector<uint8_t> TypeHead(const char* type)
{
    std::vector<uint8_t> out;
    PutSignature(out, type);
    Put32(out, 0);
    return out;
}

}  // namespace

IccProfile& IccProfile::Tag(const std::string& signature, const std::vector<uint8_t>& data)
{
    tags_.push_back({signature, data});
    return *this;
}

std::vector<uint8_t> IccProfile::Bytes() const
{
    std::vector<uint8_t> out;
    Put32(out, 0);  // size, set below
    PutSignature(out, header.cmm);
    out.insert(out.end(), {header.major, header.minor, 0, 0});
    PutSignature(out, header.deviceClass);
    PutSignature(out, header.colorSpace);
    PutSignature(out, header.connectionSpace);
    for (uint16_t part : header.date)
        Put16(out, part);
    PutSignature(out, "acsp");
    PutSignature(out, header.platform);
    Put32(out, header.flags);
    PutSignature(out, header.manufacturer);
    PutSignature(out, header.model);
    Put32(out, 0);
    Put32(out, header.attributes);
    Put32(out, header.intent);
    for (double value : header.illuminant)
        PutFixed(out, value);
    PutSignature(out, header.creator);
    out.insert(out.end(), header.id.begin(), header.id.end());
    out.resize(128, 0);
    Put32(out, uint32_t(tags_.size()));
    size_t data = out.size() + 12 * tags_.size();
    std::vector<uint8_t> body;
    for (const auto& [signature, bytes] : tags_) {
        while ((data + body.size()) % 4 != 0)
            body.push_back(0);
        PutSignature(out, signature);
        Put32(out, uint32_t(data + body.size()));
        Put32(out, uint32_t(bytes.size()));
        body.insert(body.end(), bytes.begin(), bytes.end());
    }
    out.insert(out.end(), body.begin(), body.end());
    uint32_t size = uint32_t(out.size());
    for (int i = 0; i < 4; ++i)
        out[size_t(i)] = uint8_t(size >> (24 - 8 * i));
    return out;
}

namespace icc {

std::vector<uint8_t> Text(const std::string& text)
{
    std::vector<uint8_t> out = TypeHead("text");
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    return out;
}

std::vector<uint8_t> Description(const std::string& ascii, const std::u16string& unicode)
{
    std::vector<uint8_t> out = TypeHead("desc");
    Put32(out, uint32_t(ascii.size() + 1));
    out.insert(out.end(), ascii.begin(), ascii.end());
    out.push_back(0);
    Put32(out, 0);  // Unicode language code
    Put32(out, unicode.empty() ? 0 : uint32_t(unicode.size() + 1));
    for (char16_t c : unicode)
        Put16(out, c);
    if (!unicode.empty())
        Put16(out, 0);
    // Macintosh script code, an empty name and its 67-byte field.
    out.insert(out.end(), {0, 0, 0});
    out.insert(out.end(), 67, 0);
    return out;
}

std::vector<uint8_t> MultiLocalized(const std::vector<Localized>& records)
{
    std::vector<uint8_t> out = TypeHead("mluc");
    Put32(out, uint32_t(records.size()));
    Put32(out, 12);
    std::vector<uint8_t> strings;
    size_t first = 16 + 12 * records.size();
    for (const Localized& record : records) {
        PutSignature(out, record.language + record.country);
        Put32(out, uint32_t(record.text.size() * 2));
        Put32(out, uint32_t(first + strings.size()));
        for (char16_t c : record.text)
            Put16(strings, c);
    }
    out.insert(out.end(), strings.begin(), strings.end());
    return out;
}

std::vector<uint8_t> Xyz(const std::vector<double>& values)
{
    std::vector<uint8_t> out = TypeHead("XYZ ");
    for (double value : values)
        PutFixed(out, value);
    return out;
}

std::vector<uint8_t> Fixed(const std::vector<double>& values)
{
    std::vector<uint8_t> out = TypeHead("sf32");
    for (double value : values)
        PutFixed(out, value);
    return out;
}

std::vector<uint8_t> Signature(const std::string& signature)
{
    std::vector<uint8_t> out = TypeHead("sig ");
    PutSignature(out, signature);
    return out;
}

std::vector<uint8_t> Curve(uint32_t points)
{
    std::vector<uint8_t> out = TypeHead("curv");
    Put32(out, points);
    for (uint32_t i = 0; i < points; ++i)
        Put16(out, points > 1 ? i * 0xFFFF / (points - 1) : 0x0233);
    return out;
}

std::vector<uint8_t> Measurement(uint32_t observer, const std::array<double, 3>& backing, uint32_t geometry,
                                 double flare, uint32_t illuminant)
{
    std::vector<uint8_t> out = TypeHead("meas");
    Put32(out, observer);
    for (double value : backing)
        PutFixed(out, value);
    Put32(out, geometry);
    Put32(out, uint32_t(flare * 65536));
    Put32(out, illuminant);
    return out;
}

std::vector<uint8_t> Viewing(const std::array<double, 3>& illuminant, const std::array<double, 3>& surround,
                             uint32_t type)
{
    std::vector<uint8_t> out = TypeHead("view");
    for (double value : illuminant)
        PutFixed(out, value);
    for (double value : surround)
        PutFixed(out, value);
    Put32(out, type);
    return out;
}

std::vector<uint8_t> DateTime(const std::array<uint16_t, 6>& parts)
{
    std::vector<uint8_t> out = TypeHead("dtim");
    for (uint16_t part : parts)
        Put16(out, part);
    return out;
}

std::vector<uint8_t> Chromaticity(uint16_t colorant, const std::vector<std::array<double, 2>>& channels)
{
    std::vector<uint8_t> out = TypeHead("chrm");
    Put16(out, uint32_t(channels.size()));
    Put16(out, colorant);
    for (const auto& xy : channels) {
        Put32(out, uint32_t(std::lround(xy[0] * 65536)));
        Put32(out, uint32_t(std::lround(xy[1] * 65536)));
    }
    return out;
}

std::vector<uint8_t> Colorants(const std::vector<Colorant>& colorants)
{
    std::vector<uint8_t> out = TypeHead("clrt");
    Put32(out, uint32_t(colorants.size()));
    for (const Colorant& colorant : colorants) {
        std::string name = colorant.name.substr(0, 32);
        out.insert(out.end(), name.begin(), name.end());
        out.insert(out.end(), 32 - name.size(), 0);
        for (uint16_t value : colorant.coordinates)
            Put16(out, value);
    }
    return out;
}

std::vector<uint8_t> Typed(const std::string& type, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> out = TypeHead(type.c_str());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace icc

std::vector<std::vector<uint8_t>> IccSegments(const std::vector<uint8_t>& profile, unsigned pieces)
{
    std::vector<std::vector<uint8_t>> segments;
    size_t step = (profile.size() + pieces - 1) / pieces;
    for (unsigned i = 0; i < pieces; ++i) {
        std::string id = "ICC_PROFILE";
        std::vector<uint8_t> segment(id.begin(), id.end());
        segment.insert(segment.end(), {0, uint8_t(i + 1), uint8_t(pieces)});
        size_t from = std::min(profile.size(), i * step), to = std::min(profile.size(), from + step);
        segment.insert(segment.end(), profile.begin() + long(from), profile.begin() + long(to));
        segments.push_back(segment);
    }
    return segments;
}

}  // namespace qmtest
