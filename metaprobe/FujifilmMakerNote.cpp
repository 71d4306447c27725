// Fujifilm: "FUJIFILM", the offset of a little-endian directory whose offsets count from the
// note's start. Read: picture settings, and the roll the camera's level sensor measured.

#include <cstdio>
#include <cstring>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

struct Name {
    int value;
    const char* text;
};

template <size_t N>
void AddNamed(const NoteDirectory& dir, uint16_t tag, const char* field, const Name (&names)[N],
              Listing& listing)
{
    std::vector<uint8_t> value;
    uint16_t format = 0;
    int number;
    if (!dir.Find(tag, value, &format) || !FirstShort(value, format, false, number))
        return;
    for (const Name& name : names) {
        if (name.value == number) {
            listing.Add(field, name.text);
            return;
        }
    }
    char text[24];
    std::snprintf(text, sizeof text, "Unknown (0x%x)", unsigned(number));
    listing.Add(field, text);
}

constexpr Name kSharpness[] = {
        {0, "-4 (softest)"},       {1, "-3 (very soft)"},      {2, "-2 (soft)"},    {3, "0 (normal)"},
        {4, "+2 (hard)"},          {5, "+3 (very hard)"},      {6, "+4 (hardest)"}, {130, "-1 (medium soft)"},
        {132, "+1 (medium hard)"}, {32768, "Film Simulation"}, {65535, "n/a"}};
constexpr Name kWhiteBalance[] = {{0, "Auto"},
                                  {1, "Auto (white priority)"},
                                  {2, "Auto (ambiance priority)"},
                                  {256, "Daylight"},
                                  {512, "Cloudy"},
                                  {768, "Daylight Fluorescent"},
                                  {769, "Day White Fluorescent"},
                                  {770, "White Fluorescent"},
                                  {771, "Warm White Fluorescent"},
                                  {772, "Living Room Warm White Fluorescent"},
                                  {1024, "Incandescent"},
                                  {1280, "Flash"},
                                  {1536, "Underwater"},
                                  {3840, "Custom"},
                                  {3841, "Custom2"},
                                  {3842, "Custom3"},
                                  {3843, "Custom4"},
                                  {3844, "Custom5"},
                                  {4080, "Kelvin"}};
constexpr Name kSaturation[] = {{0, "0 (normal)"},
                                {128, "+1 (medium high)"},
                                {192, "+3 (very high)"},
                                {224, "+4 (highest)"},
                                {256, "+2 (high)"},
                                {384, "-1 (medium low)"},
                                {512, "Low"},
                                {768, "None (B&W)"},
                                {769, "B&W Red Filter"},
                                {770, "B&W Yellow Filter"},
                                {771, "B&W Green Filter"},
                                {784, "B&W Sepia"},
                                {1024, "-2 (low)"},
                                {1216, "-3 (very low)"},
                                {1248, "-4 (lowest)"},
                                {1280, "Acros"},
                                {1281, "Acros Red Filter"},
                                {1282, "Acros Yellow Filter"},
                                {1283, "Acros Green Filter"},
                                {32768, "Film Simulation"}};
constexpr Name kContrast[] = {{0, "Normal"},       {128, "Medium High"}, {256, "High"},
                              {384, "Medium Low"}, {512, "Low"},         {32768, "Film Simulation"}};

}  // namespace

void ReadFujifilmNote(const std::vector<uint8_t>& note, Listing& listing)
{
    if (note.size() < 12 || std::memcmp(note.data(), "FUJIFILM", 8) != 0)
        return;
    NoteDirectory dir(note, Get32(note.data() + 8, false), 0, false);
    AddNamed(dir, 0x1001, "Sharpness", kSharpness, listing);
    AddNamed(dir, 0x1002, "White Balance", kWhiteBalance, listing);
    AddNamed(dir, 0x1003, "Saturation", kSaturation, listing);
    AddNamed(dir, 0x1004, "Contrast", kContrast, listing);
    std::vector<uint8_t> roll;
    uint16_t format = 0;
    if (dir.Find(0x144D, roll, &format) && format == 10)
        listing.Add("Roll Angle",
                    FormatRatio(int32_t(Get32(roll.data(), false)), int32_t(Get32(roll.data() + 4, false))));
}

}  // namespace metaprobe
