#include "metaprobe/SonyBlocks.h"

#include <array>
#include <cstdio>
#include <iterator>

namespace metaprobe {

namespace {

// A plain byte b below 249 is stored as b*b*b mod 249; 249 to 255 are stored as they are.
constexpr std::array<uint8_t, 256> MakeDecipherTable()
{
    std::array<uint8_t, 256> table {};
    for (unsigned plain = 0; plain < 256; ++plain) {
        unsigned stored = plain < 249 ? plain * plain * plain % 249 : plain;
        table[stored] = uint8_t(plain);
    }
    return table;
}

constexpr std::array<uint8_t, 256> kDecipher = MakeDecipherTable();

// The plain bytes of a field of `count` bytes at `at`; the part the block does not hold reads as
// zero, and false when it holds none of it.
template <size_t count>
bool PlainField(const uint8_t* data, size_t size, size_t at, std::array<uint8_t, count>& field)
{
    field.fill(0);
    if (at >= size)
        return false;
    for (size_t i = 0; i < count && at + i < size; ++i)
        field[i] = kDecipher[data[at + i]];
    return true;
}

struct ModelOffset {
    const char* model;
    size_t offset;
};

// Where the clock lies in block 0x2010, by the camera models that write it there. Models of
// other layouts keep no clock in this block.
constexpr ModelOffset kClockAt[] = {
        {"SLT-A65", 438},   {"SLT-A65V", 438},   {"SLT-A77", 438},   {"SLT-A77V", 438},   {"NEX-7", 438},
        {"NEX-VG20E", 438}, {"SLT-A37", 528},    {"SLT-A57", 528},   {"NEX-F3", 528},     {"DSC-HX10V", 510},
        {"DSC-HX20V", 510}, {"DSC-HX200V", 510}, {"DSC-TX66", 510},  {"DSC-TX200V", 510}, {"DSC-TX300V", 510},
        {"DSC-WX50", 510},  {"DSC-WX100", 510},  {"DSC-WX150", 510}, {"SLT-A58", 556},    {"SLT-A99", 556},
        {"SLT-A99V", 556},  {"ILCE-3000", 556},  {"ILCE-3500", 556}, {"NEX-3N", 556},     {"NEX-5R", 556},
        {"NEX-5T", 556},    {"NEX-6", 556},      {"NEX-VG30E", 556}, {"NEX-VG900", 556},  {"DSC-RX100", 556},
        {"DSC-RX1", 556},   {"DSC-RX1R", 556},   {"DSC-HX300", 556}, {"DSC-HX50V", 556},  {"DSC-TX30", 556},
        {"DSC-WX60", 556},  {"DSC-WX200", 556},  {"DSC-WX300", 556},
};

// The models whose block 0x9050 keeps a second clock at byte 81.
constexpr const char* kClock2Models[] = {"ILCE-5000", "ILCE-5100", "ILCE-6000", "ILCE-7",
                                         "ILCE-7M2",  "ILCE-7R",   "ILCE-7S",   "ILCE-QX1"};
// The models whose block 0x9050 keeps the clock's minutes and seconds at byte 97.
constexpr const char* kMinSecModels[] = {"ILCE-6300", "ILCE-6500", "ILCE-7RM2", "ILCE-7SM2"};

bool OneOf(const std::string& model, const char* const* names, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (model == names[i])
            return true;
    }
    return false;
}

}  // namespace

void ReadSonyBlock2010(const uint8_t* data, size_t size, const std::string& model, Listing& listing)
{
    for (const ModelOffset& entry : kClockAt) {
        std::array<uint8_t, 7> t;
        if (model != entry.model || !PlainField(data, size, entry.offset, t))
            continue;
        // A 16-bit year, least significant byte first whatever the note's byte order.
        char text[48];
        std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", unsigned(t[0] | t[1] << 8), t[2],
                      t[3], t[4], t[5], t[6]);
        // Weaker than the shot-information block's clock and than an earlier block's, wherever
        // they lie.
        listing.Add("Sony Date Time", text, 0);
        return;
    }
}

void ReadSonyBlock9050(const uint8_t* data, size_t size, const std::string& model, Listing& listing)
{
    char text[48];
    std::array<uint8_t, 6> t;
    std::array<uint8_t, 2> minSec;
    if (OneOf(model, kClock2Models, std::size(kClock2Models)) && PlainField(data, size, 81, t)) {
        // The year within the century, written after "20" as it is.
        std::snprintf(text, sizeof text, "20%02u:%02u:%02u %02u:%02u:%02u", t[0], t[1], t[2], t[3], t[4],
                      t[5]);
        listing.Add("Sony Date Time 2", text);
    } else if (OneOf(model, kMinSecModels, std::size(kMinSecModels)) && PlainField(data, size, 97, minSec)) {
        std::snprintf(text, sizeof text, "%02u:%02u", minSec[0], minSec[1]);
        listing.Add("Sony Time Min Sec", text);
    }
}

void ReadSonyBlock9400(const uint8_t* data, size_t size, Listing& listing)
{
    if (size == 0)
        return;
    // The stored first byte tells the layout and so where the orientation lies. Blocks that an
    // editor enciphered a second time are recognised by their first byte too, and undone twice.
    size_t at;
    bool twice = false;
    switch (data[0]) {
    case 0x07:
    case 0x09:
    case 0x0A: at = 40; break;
    case 0x5E:
    case 0xE7:
    case 0x04:
        at = 40;
        twice = true;
        break;
    case 0x0C: at = 36; break;
    case 0x23:
    case 0x24:
    case 0x26:
    case 0x28:
    case 0x31:
    case 0x32: at = 41; break;
    default: return;
    }
    if (at >= size)
        return;
    uint8_t value = kDecipher[data[at]];
    if (twice)
        value = kDecipher[value];
    const char* name = value == 1   ? "Horizontal (normal)"
                       : value == 3 ? "Rotate 180"
                       : value == 6 ? "Rotate 90 CW"
                       : value == 8 ? "Rotate 270 CW"
                                    : nullptr;
    listing.Add("Camera Orientation", name ? std::string(name) : "Unknown (" + std::to_string(value) + ")");
}

}  // namespace metaprobe
