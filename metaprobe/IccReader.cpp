#include "metaprobe/IccReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "metaprobe/IccNames.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

constexpr uint32_t kHeaderSize = 128;

enum class Kind {
    Text,
    Xyz,
    Numbers,
    Technology,
    Gamut,
    Signature,
    Date,
    Measurement,
    Viewing,
    Chromaticity,
    Colorants,
    Binary
};

struct IccTag {
    char signature[5];
    const char* name;
    Kind kind;
};

const IccTag kTags[] = {
        {"cprt", "Profile Copyright", Kind::Text},
        {"desc", "Profile Description", Kind::Text},
        {"dscm", "Profile Description ML", Kind::Text},
        {"dmnd", "Device Mfg Desc", Kind::Text},
        {"dmdd", "Device Model Desc", Kind::Text},
        {"vued", "Viewing Cond Desc", Kind::Text},
        {"scrd", "Screening Desc", Kind::Text},
        {"targ", "Char Target", Kind::Text},
        {"ps2i", "PS2 Rendering Intent", Kind::Text},
        {"wtpt", "Media White Point", Kind::Xyz},
        {"bkpt", "Media Black Point", Kind::Xyz},
        {"rXYZ", "Red Matrix Column", Kind::Xyz},
        {"gXYZ", "Green Matrix Column", Kind::Xyz},
        {"bXYZ", "Blue Matrix Column", Kind::Xyz},
        {"lumi", "Luminance", Kind::Xyz},
        {"chad", "Chromatic Adaptation", Kind::Numbers},
        {"tech", "Technology", Kind::Technology},
        {"rig0", "Perceptual Rendering Intent Gamut", Kind::Gamut},
        {"rig2", "Saturation Rendering Intent Gamut", Kind::Gamut},
        {"ciis", "Colorimetric Intent Image State", Kind::Signature},
        {"calt", "Calibration Date Time", Kind::Date},
        {"meas", nullptr, Kind::Measurement},
        {"view", nullptr, Kind::Viewing},
        {"chrm", nullptr, Kind::Chromaticity},
        {"clrt", nullptr, Kind::Colorants},
        {"rTRC", "Red Tone Reproduction Curve", Kind::Binary},
        {"gTRC", "Green Tone Reproduction Curve", Kind::Binary},
        {"bTRC", "Blue Tone Reproduction Curve", Kind::Binary},
        {"kTRC", "Gray Tone Reproduction Curve", Kind::Binary},
        {"A2B0", "A To B0", Kind::Binary},
        {"A2B1", "A To B1", Kind::Binary},
        {"A2B2", "A To B2", Kind::Binary},
        {"B2A0", "B To A0", Kind::Binary},
        {"B2A1", "B To A1", Kind::Binary},
        {"B2A2", "B To A2", Kind::Binary},
        {"gamt", "Gamut", Kind::Binary},
        {"pre0", "Preview 0", Kind::Binary},
        {"pre1", "Preview 1", Kind::Binary},
        {"pre2", "Preview 2", Kind::Binary},
        {"vcgt", "Video Card Gamma", Kind::Binary},
        {"ndin", "Native Display Info", Kind::Binary},
        {"mmod", "Make And Model", Kind::Binary},
        {"pseq", "Profile Sequence Desc", Kind::Binary},
        {"bfd ", "Under Color Removal and Black Gen.", Kind::Binary},
        {"crdi", "CRD Info", Kind::Binary},
        {"devs", "Device Settings", Kind::Binary},
        {"ncl2", "Named Color 2", Kind::Binary},
};

const IccTag* FindTag(const uint8_t* signature)
{
    for (const IccTag& tag : kTags) {
        if (std::memcmp(tag.signature, signature, 4) == 0)
            return &tag;
    }
    return nullptr;
}

// A four-character signature up to its first NUL.
std::string Signature(const uint8_t* p)
{
    size_t size = 0;
    while (size < 4 && p[size] != 0)
        ++size;
    return std::string(reinterpret_cast<const char*>(p), size);
}

bool IsType(const std::vector<uint8_t>& data, const char* type)
{
    return data.size() >= 8 && std::memcmp(data.data(), type, 4) == 0;
}

// A fixed-point number (16 fraction bits) rounded to five decimals, without trailing zeros and
// in exponent form below 1e-4 ("0.9642", "2e-05"): more digits than the 16 bits hold would only
// show the rounding of the stored value.
std::string Fixed(double value)
{
    double rounded = std::round(value * 100000.0) / 100000.0;
    if (rounded == 0)
        return "0";
    return FormatG(rounded, 15);
}

std::string SignedFixed(const uint8_t* p)
{
    return Fixed(int32_t(Get32(p, true)) / 65536.0);
}

std::string Triplet(const uint8_t* p)
{
    return SignedFixed(p) + " " + SignedFixed(p + 4) + " " + SignedFixed(p + 8);
}

std::string Padded(unsigned value, int width)
{
    std::string text = std::to_string(value);
    return text.size() < size_t(width) ? std::string(size_t(width) - text.size(), '0') + text : text;
}

// Six 16-bit numbers as "YYYY:MM:DD hh:mm:ss", unchecked.
std::string DateTime(const uint8_t* p)
{
    return Padded(Get16(p, true), 4) + ":" + Padded(Get16(p + 2, true), 2) + ":" +
           Padded(Get16(p + 4, true), 2) + " " + Padded(Get16(p + 6, true), 2) + ":" +
           Padded(Get16(p + 8, true), 2) + ":" + Padded(Get16(p + 10, true), 2);
}

void ListHeader(const uint8_t* h, Listing& listing)
{
    listing.Add("Profile CMM Type", IccVendorName(Signature(h + 4)));
    listing.Add("Profile Version",
                std::to_string(h[8]) + "." + std::to_string(h[9] >> 4) + "." + std::to_string(h[9] & 15));
    listing.Add("Profile Class", IccClassName(Signature(h + 12)));
    listing.Add("Color Space Data", TrimRight(Signature(h + 16)));
    listing.Add("Profile Connection Space", TrimRight(Signature(h + 20)));
    listing.Add("Profile Date Time", DateTime(h + 24));
    listing.Add("Profile File Signature", TrimRight(Signature(h + 36)));
    listing.Add("Primary Platform", IccPlatformName(Signature(h + 40)));
    uint32_t flags = Get32(h + 44, true);
    listing.Add("CMM Flags", std::string(flags & 1 ? "Embedded" : "Not Embedded") +
                                     (flags & 2 ? ", Not Independent" : ", Independent"));
    listing.Add("Device Manufacturer", IccVendorName(Signature(h + 48)));
    listing.Add("Device Model", TrimRight(Signature(h + 52)));
    // The attributes of the header's second 32-bit word; the first is reserved for the vendor.
    uint32_t attributes = Get32(h + 60, true);
    listing.Add("Device Attributes", std::string(attributes & 1 ? "Transparency" : "Reflective") +
                                             (attributes & 2 ? ", Matte" : ", Glossy") +
                                             (attributes & 4 ? ", Negative" : ", Positive") +
                                             (attributes & 8 ? ", B&W" : ", Color"));
    listing.Add("Rendering Intent", IccIntentName(Get32(h + 64, true)));
    listing.Add("Connection Space Illuminant", Triplet(h + 68));
    listing.Add("Profile Creator", IccVendorName(Signature(h + 80)));
    static const char digits[] = "0123456789abcdef";
    std::string id;
    bool set = false;
    for (int i = 0; i < 16; ++i) {
        id += digits[h[84 + i] >> 4];
        id += digits[h[84 + i] & 15];
        set = set || h[84 + i] != 0;
    }
    listing.Add("Profile ID", set ? id : "0");
}

// Text up to its first NUL, without trailing spaces; the bytes are kept as the profile has them.
std::string PlainText(const uint8_t* p, size_t size)
{
    size_t length = 0;
    while (length < size && p[length] != 0)
        ++length;
    return TrimRight(std::string(reinterpret_cast<const char*>(p), length));
}

void AppendUtf8(std::string& text, uint32_t c)
{
    if (c < 0x80) {
        text += char(c);
    } else if (c < 0x800) {
        text += char(0xC0 | c >> 6);
        text += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += char(0xE0 | c >> 12);
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    } else {
        text += char(0xF0 | c >> 18);
        text += char(0x80 | ((c >> 12) & 0x3F));
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    }
}

// Big-endian UTF-16 as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16Text(const uint8_t* p, size_t size)
{
    std::string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        uint32_t c = Get16(p + i, true);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < size) {
            uint32_t low = Get16(p + i + 2, true);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(text, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(text, c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
    }
    return TrimRight(text);
}

// Localized strings: the American English one (or one without a language and country) under the
// tag's name, each other one under the name with its language and country.
void ListLocalized(const std::vector<uint8_t>& data, const char* name, Listing& listing)
{
    if (data.size() < 16)
        return;
    uint32_t count = Get32(data.data() + 8, true), recordSize = Get32(data.data() + 12, true);
    if (recordSize < 12)
        return;
    for (uint32_t i = 0; i < count && i < IccLimits::kMaxRecords; ++i) {
        uint64_t at = 16 + uint64_t(i) * recordSize;
        if (at + 12 > data.size())
            return;
        const uint8_t* record = data.data() + at;
        uint32_t length = Get32(record + 4, true), offset = Get32(record + 8, true);
        if (offset > data.size() || length > data.size() - offset)
            continue;
        std::string language(reinterpret_cast<const char*>(record), 2);
        std::string country(reinterpret_cast<const char*>(record + 2), 2);
        bool plain = (record[0] == 0 && record[1] == 0) || (record[2] == 0 && record[3] == 0) ||
                     (language == "en" && country == "US");
        listing.Add(plain ? std::string(name) : std::string(name) + " (" + language + "-" + country + ")",
                    Utf16Text(data.data() + offset, length));
    }
}

void ListText(const std::vector<uint8_t>& data, const char* name, Listing& listing)
{
    if (IsType(data, "text")) {
        listing.Add(name, PlainText(data.data() + 8, data.size() - 8));
    } else if (IsType(data, "desc") && data.size() >= 12) {
        // The ASCII description; the Unicode and Macintosh forms after it are not listed.
        uint64_t count = Get32(data.data() + 8, true);
        listing.Add(name, PlainText(data.data() + 12, size_t(std::min<uint64_t>(count, data.size() - 12))));
    } else if (IsType(data, "mluc")) {
        ListLocalized(data, name, listing);
    }
}

void ListMeasurement(const std::vector<uint8_t>& data, Listing& listing)
{
    if (!IsType(data, "meas") || data.size() < 36)
        return;
    const uint8_t* d = data.data();
    listing.Add("Measurement Observer", IccObserverName(Get32(d + 8, true)));
    listing.Add("Measurement Backing", Triplet(d + 12));
    listing.Add("Measurement Geometry", IccGeometryName(Get32(d + 24, true)));
    // The flare as a fraction of one, rounded as every fixed-point value, then as a percentage.
    double flare = std::round(Get32(d + 28, true) / 65536.0 * 100000.0) / 100000.0;
    listing.Add("Measurement Flare", FormatG(flare * 100, 15) + "%");
    listing.Add("Measurement Illuminant", IccIlluminantName(Get32(d + 32, true)));
}

void ListViewing(const std::vector<uint8_t>& data, Listing& listing)
{
    if (!IsType(data, "view") || data.size() < 36)
        return;
    listing.Add("Viewing Cond Illuminant", Triplet(data.data() + 8));
    listing.Add("Viewing Cond Surround", Triplet(data.data() + 20));
    listing.Add("Viewing Cond Illuminant Type", IccIlluminantName(Get32(data.data() + 32, true)));
}

std::string UnsignedFixed(const uint8_t* p)
{
    return Fixed(Get32(p, true) / 65536.0);
}

// The primaries of up to four channels, each an x and y coordinate.
void ListChromaticity(const std::vector<uint8_t>& data, Listing& listing)
{
    if (!IsType(data, "chrm") || data.size() < 12)
        return;
    unsigned channels = Get16(data.data() + 8, true), colorant = Get16(data.data() + 10, true);
    static const char* const colorants[] = {"Unknown", "ITU-R BT.709", "SMPTE RP145-1994", "EBU Tech.3213-E",
                                            "P22"};
    listing.Add("Chromaticity Channels", std::to_string(channels));
    listing.Add("Chromaticity Colorant",
                colorant < 5 ? colorants[colorant] : "Unknown (" + std::to_string(colorant) + ")");
    for (unsigned i = 0; i < channels && i < 4 && 12 + 8 * (i + 1) <= data.size(); ++i) {
        const uint8_t* p = data.data() + 12 + 8 * i;
        listing.Add("Chromaticity Channel " + std::to_string(i + 1),
                    UnsignedFixed(p) + " " + UnsignedFixed(p + 4));
    }
}

// The count and the first three colorants: a 32-byte name and three 16-bit coordinates each.
void ListColorants(const std::vector<uint8_t>& data, Listing& listing)
{
    if (!IsType(data, "clrt") || data.size() < 12)
        return;
    uint32_t count = Get32(data.data() + 8, true);
    listing.Add("Colorant Count", std::to_string(count));
    for (uint32_t i = 0; i < count && i < 3 && 12 + 38 * (i + 1) <= data.size(); ++i) {
        const uint8_t* p = data.data() + 12 + 38 * i;
        std::string number = std::to_string(i + 1);
        listing.Add("Colorant " + number + " Name", PlainText(p, 32));
        listing.Add("Colorant " + number + " Coordinates", std::to_string(Get16(p + 32, true)) + " " +
                                                                   std::to_string(Get16(p + 34, true)) + " " +
                                                                   std::to_string(Get16(p + 36, true)));
    }
}

void ListTag(const IccTag& tag, const std::vector<uint8_t>& data, Listing& listing)
{
    switch (tag.kind) {
    case Kind::Text: ListText(data, tag.name, listing); break;
    case Kind::Xyz:
        if (IsType(data, "XYZ ") && data.size() >= 20) {
            std::string text;
            for (size_t at = 8; at + 12 <= data.size(); at += 12)
                text += (text.empty() ? "" : ", ") + Triplet(data.data() + at);
            listing.Add(tag.name, text);
        }
        break;
    case Kind::Numbers:
        if (IsType(data, "sf32") && data.size() >= 12) {
            std::string text;
            for (size_t at = 8; at + 4 <= data.size(); at += 4)
                text += (text.empty() ? "" : " ") + SignedFixed(data.data() + at);
            listing.Add(tag.name, text);
        }
        break;
    case Kind::Technology:
        if (IsType(data, "sig ") && data.size() >= 12)
            listing.Add(tag.name, IccTechnologyName(Signature(data.data() + 8)));
        break;
    case Kind::Gamut:
        if (IsType(data, "sig ") && data.size() >= 12) {
            std::string gamut = Signature(data.data() + 8);
            listing.Add(tag.name,
                        gamut == "prmg" ? "Perceptual Reference Medium Gamut" : "Unknown (" + gamut + ")");
        }
        break;
    case Kind::Signature:
        if (IsType(data, "sig ") && data.size() >= 12)
            listing.Add(tag.name, Signature(data.data() + 8));
        break;
    case Kind::Date:
        if (IsType(data, "dtim") && data.size() >= 20)
            listing.Add(tag.name, DateTime(data.data() + 8));
        break;
    case Kind::Measurement: ListMeasurement(data, listing); break;
    case Kind::Viewing: ListViewing(data, listing); break;
    case Kind::Chromaticity: ListChromaticity(data, listing); break;
    case Kind::Colorants: ListColorants(data, listing); break;
    case Kind::Binary: break;
    }
}

// Types whose content is listed by size only, when a tag listed that way holds them.
bool BinaryType(Kind kind, const uint8_t* type)
{
    static const char* const types[] = {"curv", "para", "mft1", "mft2", "mAB ", "mBA ", "vcgt",
                                        "ndin", "mmod", "pseq", "ucrb", "crdi", "devs", "ncl2"};
    if (kind != Kind::Binary)
        return false;
    for (const char* binary : types) {
        if (std::memcmp(type, binary, 4) == 0)
            return true;
    }
    return false;
}

// Lists the header and the known tags; false when there is no header.
bool ReadProfile(ByteSource& source, Listing& listing)
{
    uint8_t header[kHeaderSize];
    if (!source.Read(0, header, sizeof header))
        return false;
    ListHeader(header, listing);
    // Tags are read up to the profile's own size when the source holds more than that.
    uint64_t end = std::min<uint64_t>(source.Size(), Get32(header, true));
    uint8_t countBytes[4];
    if (end < kHeaderSize + 4 || !source.Read(kHeaderSize, countBytes, 4))
        return true;
    uint32_t count = Get32(countBytes, true);
    uint64_t budget = IccLimits::kMaxDataBytes;
    for (uint32_t i = 0; i < count && i < IccLimits::kMaxTags; ++i) {
        uint8_t entry[12];
        uint64_t at = kHeaderSize + 4 + uint64_t(i) * 12;
        if (at + 12 > end || !source.Read(at, entry, sizeof entry))
            break;
        const IccTag* tag = FindTag(entry);
        uint64_t offset = Get32(entry + 4, true), size = Get32(entry + 8, true);
        if (!tag || offset > end || size > end - offset || size < 8)
            continue;
        uint8_t type[4];
        if (!source.Read(offset, type, 4))
            continue;
        if (BinaryType(tag->kind, type)) {
            listing.Add(tag->name,
                        "(Binary data " + std::to_string(size) + " bytes, use -b option to extract)");
            continue;
        }
        if (size > IccLimits::kMaxTagBytes || size > budget)
            continue;
        budget -= size;
        std::vector<uint8_t> data(static_cast<size_t>(size));
        if (source.Read(offset, data.data(), data.size()))
            ListTag(*tag, data, listing);
    }
    return true;
}

}  // namespace

bool ReadIccProfile(ByteSource& source, Listing& listing)
{
    // A profile of usual size is read in one piece rather than tag by tag; when that fails (a
    // piece beyond the end of a cut file), tag by tag, so that the pieces that are there count.
    std::vector<uint8_t> bytes;
    if (source.Size() <= IccLimits::kWholeProfileBytes && source.ReadSome(0, size_t(source.Size()), bytes)) {
        MemorySource memory(bytes.data(), bytes.size());
        return ReadProfile(memory, listing);
    }
    return ReadProfile(source, listing);
}

}  // namespace metaprobe
