// Reconyx trail cameras keep the capture time only in their maker note, as six or seven numbers
// at a fixed place of a little-endian block whose layout depends on the camera line; the same
// block holds the picture settings and the serial number.

#include <cstdio>
#include <cstring>
#include <string>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

void AddDate(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second,
             Listing& listing)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", year, month, day, hour, minute, second);
    // The EXIF block's own date, when there is one, is the one listed.
    listing.Add("Date/Time Original", text, 0);
}

// A number of the block, listed when the block holds it.
void AddWord(const std::vector<uint8_t>& note, size_t at, const char* name, Listing& listing)
{
    if (at + 2 <= note.size())
        listing.Add(name, std::to_string(Get16(note.data() + at, false)));
}

// The serial number, listed only when the block holds it whole and it is plain printable ASCII,
// the one form whose text is certain. Characters are one byte or 16-bit units; they end at the
// first zero, or with `skipZeros`, zeros anywhere are left out.
void AddSerial(const std::vector<uint8_t>& note, size_t at, size_t size, bool wide, bool skipZeros,
               Listing& listing)
{
    if (at + size > note.size())
        return;
    std::string text;
    for (size_t i = at; i < at + size; i += wide ? 2 : 1) {
        unsigned c = wide ? Get16(note.data() + i, false) : note[i];
        if (c == 0 && skipZeros)
            continue;
        if (c == 0)
            break;
        if (c < 0x20 || c > 0x7E)
            return;
        text += char(c);
    }
    listing.Add("Serial Number", TrimRight(text));
}

}  // namespace

bool ReadReconyxNote(const std::vector<uint8_t>& note, const std::string& make, Listing& listing)
{
    auto word = [&](size_t at) { return unsigned(Get16(note.data() + at, false)); };
    if (note.size() >= 74 && std::memcmp(note.data(), "RECONYXH2\0", 10) == 0) {
        // HyperFire 2: seconds, minutes, hours, day, month, year as 16-bit numbers at byte 62.
        AddDate(word(72), word(70), word(68), word(66), word(64), word(62), listing);
        AddWord(note, 82, "Contrast", listing);
        AddWord(note, 86, "Sharpness", listing);
        AddWord(note, 88, "Saturation", listing);
        if (note.size() >= 92)
            listing.Add("Flash", word(90) == 0   ? std::string("Off")
                                 : word(90) == 1 ? std::string("On")
                                                 : "Unknown (" + std::to_string(word(90)) + ")");
        AddSerial(note, 126, 30, true, true, listing);
        return true;
    }
    if (note.size() >= 66 && std::memcmp(note.data(), "RECONYXUF\0", 10) == 0) {
        // UltraFire: seconds, minutes, hours, day, month as bytes, then a 16-bit year, at byte 59.
        const uint8_t* t = note.data() + 59;
        AddDate(unsigned(Get16(t + 5, false)), t[4], t[3], t[2], t[1], t[0], listing);
        AddSerial(note, 75, 15, false, false, listing);
        return true;
    }
    if (make == "RECONYX" && note.size() >= 34 && word(0) == 0xF101) {
        // HyperFire: seconds, minutes, hours, month, day, year as 16-bit numbers at word 11.
        AddDate(word(32), word(28), word(30), word(26), word(24), word(22), listing);
        AddSerial(note, 42, 30, true, false, listing);
        AddWord(note, 72, "Contrast", listing);
        AddWord(note, 76, "Sharpness", listing);
        AddWord(note, 78, "Saturation", listing);
        return true;
    }
    return false;
}

}  // namespace metaprobe
