// Builds color profiles for the metadata tool's tests: a header and any tags, each tag built from
// the type it is stored as.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

struct IccHeader {
    std::string cmm = "ADBE";
    uint8_t major = 2;
    uint8_t minor = 0x10;  // minor version in the high nibble, bug-fix version in the low one
    std::string deviceClass = "mntr";
    std::string colorSpace = "RGB ";
    std::string connectionSpace = "XYZ ";
    std::array<uint16_t, 6> date = {1998, 2, 9, 6, 49, 0};
    std::string platform = "MSFT";
    uint32_t flags = 0;
    std::string manufacturer = "HP  ";
    std::string model = "sRGB";
    uint32_t attributes = 0;  // the low word of the device attributes
    uint32_t intent = 0;
    std::array<double, 3> illuminant = {0.9642, 1, 0.82491};
    std::string creator = "HP  ";
    std::array<uint8_t, 16> id = {};
};

class IccProfile {
public:
    IccHeader header;
    // Adds a tag table entry and its data (built by the functions below).
    IccProfile& Tag(const std::string& signature, const std::vector<uint8_t>& data);
    // The profile: header with its size, tag table, the tags' data each on a 4-byte boundary.
    std::vector<uint8_t> Bytes() const;

private:
    std::vector<std::pair<std::string, std::vector<uint8_t>>> tags_;
};

namespace icc {

std::vector<uint8_t> Text(const std::string& text);  // "text", NUL-terminated
// "desc": the ASCII form, and a Unicode form when not empty.
std::vector<uint8_t> Description(const std::string& ascii, const std::u16string& unicode = u"");
struct Localized {
    std::string language;  // two characters, or two NULs
    std::string country;
    std::u16string text;
};
std::vector<uint8_t> MultiLocalized(const std::vector<Localized>& records);  // "mluc"
std::vector<uint8_t> Xyz(const std::vector<double>& values);  // "XYZ ", three values per point
std::vector<uint8_t> Fixed(const std::vector<double>& values);  // "sf32"
std::vector<uint8_t> Signature(const std::string& signature);  // "sig "
std::vector<uint8_t> Curve(uint32_t points);  // "curv"
std::vector<uint8_t> Measurement(uint32_t observer, const std::array<double, 3>& backing, uint32_t geometry,
                                 double flare, uint32_t illuminant);  // "meas"
std::vector<uint8_t> Viewing(const std::array<double, 3>& illuminant, const std::array<double, 3>& surround,
                             uint32_t type);  // "view"
std::vector<uint8_t> DateTime(const std::array<uint16_t, 6>& parts);  // "dtim"
// "chrm": the channel count, the colorant code, the x and y of each channel.
std::vector<uint8_t> Chromaticity(uint16_t colorant, const std::vector<std::array<double, 2>>& channels);
struct Colorant {
    std::string name;  // up to 32 bytes
    std::array<uint16_t, 3> coordinates;
};
std::vector<uint8_t> Colorants(const std::vector<Colorant>& colorants);  // "clrt"
// Any type: its signature, the reserved word, then `body`.
std::vector<uint8_t> Typed(const std::string& type, const std::vector<uint8_t>& body);

}  // namespace icc

// The APP2 segments of a JPEG that holds `profile` in `pieces` parts of near-equal size, each
// "ICC_PROFILE", NUL, its number (from 1) and the number of parts.
std::vector<std::vector<uint8_t>> IccSegments(const std::vector<uint8_t>& profile, unsigned pieces);

}  // namespace qmtest
