// Canon: a bare directory at the note's start whose offsets count from the TIFF header.

#include <cstdio>
#include <iterator>
#include <string>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"

namespace metaprobe {

namespace {

constexpr int kNotSet = 0x7FFF;  // a camera setting the camera did not record

std::string SignedText(int value)
{
    return (value > 0 ? "+" : "") + std::to_string(value);
}

// The camera settings: an array of 16-bit values, one setting per position.
void ReadCameraSettings(const NoteDirectory& dir, Listing& listing)
{
    std::vector<uint8_t> value;
    uint16_t format = 0;
    if (!dir.Find(0x0001, value, &format) || (format != 3 && format != 8))
        return;
    auto setting = [&](size_t index, int& number) {
        if (2 * index + 2 > value.size())
            return false;
        number = int16_t(Get16(value.data() + 2 * index, dir.Big()));
        return number != kNotSet;
    };
    int number;
    if (setting(13, number))
        listing.Add("Contrast", number == 0 ? std::string("Normal") : SignedText(number));
    if (setting(14, number))
        listing.Add("Saturation", number == 0 ? std::string("Normal") : SignedText(number));
    if (setting(15, number))
        listing.Add("Sharpness", SignedText(number));
    static const char* const metering[] = {"Default",    "Spot",    "Average",
                                           "Evaluative", "Partial", "Center-weighted average"};
    if (setting(17, number))
        listing.Add("Metering Mode", number >= 0 && number < 6 ? metering[number]
                                                               : "Unknown (" + std::to_string(number) + ")");
}

// The body's serial number, written as the camera's own plate shows it: the first EOS bodies as
// a hex prefix and five digits, the EOS-1D line without padding, the others as ten digits.
std::string SerialText(uint32_t serial, const std::string& model)
{
    char text[24];
    if (model.find("EOS D30") != std::string::npos)
        std::snprintf(text, sizeof text, "%.4x%.5u", serial >> 16, serial & 0xFFFF);
    else if (model.find("EOS-1D") != std::string::npos)
        std::snprintf(text, sizeof text, "%u", serial);
    else
        std::snprintf(text, sizeof text, "%.10u", serial);
    return text;
}

// The city the camera's world clock is set to.
std::string ZoneCityText(int32_t city)
{
    static const char* const cities[] = {"n/a",
                                         "Chatham Islands",
                                         "Wellington",
                                         "Solomon Islands",
                                         "Sydney",
                                         "Adelaide",
                                         "Tokyo",
                                         "Hong Kong",
                                         "Bangkok",
                                         "Yangon",
                                         "Dhaka",
                                         "Kathmandu",
                                         "Delhi",
                                         "Karachi",
                                         "Kabul",
                                         "Dubai",
                                         "Tehran",
                                         "Moscow",
                                         "Cairo",
                                         "Paris",
                                         "London",
                                         "Azores",
                                         "Fernando de Noronha",
                                         "Sao Paulo",
                                         "Newfoundland",
                                         "Santiago",
                                         "Caracas",
                                         "New York",
                                         "Chicago",
                                         "Denver",
                                         "Los Angeles",
                                         "Anchorage",
                                         "Honolulu",
                                         "Samoa"};
    if (city >= 0 && size_t(city) < std::size(cities))
        return cities[city];
    if (city == 32766)
        return "(not set)";
    return "Unknown (" + std::to_string(city) + ")";
}

}  // namespace

void ReadCanonNote(const NoteDirectory& dir, const std::string& model, Listing& listing)
{
    ReadCameraSettings(dir, listing);
    std::vector<uint8_t> value;
    uint16_t format = 0;
    if (dir.Find(0x0007, value))
        listing.Add("Canon Firmware Version", CText(value));
    if (dir.Find(0x0009, value))
        listing.Add("Owner Name", CText(value));
    if (dir.Find(0x000C, value, &format) && format == 4 && value.size() == 4)
        listing.Add("Serial Number", SerialText(Get32(value.data(), dir.Big()), model));
    // Time info: its size, the zone in minutes, the zone's city, daylight saving (0 or 60). Only
    // little-endian blocks are read: the reference refuses the others as invalid.
    if (dir.Find(0x0035, value) && value.size() >= 16 && !dir.Big()) {
        listing.Add("Time Zone", ZoneText(int32_t(Get32(value.data() + 4, false))));
        listing.Add("Time Zone City", ZoneCityText(int32_t(Get32(value.data() + 8, false))));
        uint32_t daylight = Get32(value.data() + 12, false);
        listing.Add("Daylight Savings", daylight == 0    ? std::string("Off")
                                        : daylight == 60 ? std::string("On")
                                                         : "Unknown (" + std::to_string(daylight) + ")");
    }
}

}  // namespace metaprobe
