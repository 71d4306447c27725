// Reconyx trail cameras keep the capture time only in their maker note, as six or seven numbers
// at a fixed place of a little-endian block whose layout depends on the camera line.

#include <cstdio>
#include <cstring>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"

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

}  // namespace

bool ReadReconyxNote(const std::vector<uint8_t>& note, const std::string& make, Listing& listing)
{
    auto word = [&](size_t at) { return unsigned(Get16(note.data() + at, false)); };
    if (note.size() >= 74 && std::memcmp(note.data(), "RECONYXH2\0", 10) == 0) {
        // HyperFire 2: seconds, minutes, hours, day, month, year as 16-bit numbers at byte 62.
        AddDate(word(72), word(70), word(68), word(66), word(64), word(62), listing);
        return true;
    }
    if (note.size() >= 66 && std::memcmp(note.data(), "RECONYXUF\0", 10) == 0) {
        // UltraFire: seconds, minutes, hours, day, month as bytes, then a 16-bit year, at byte 59.
        const uint8_t* t = note.data() + 59;
        AddDate(unsigned(Get16(t + 5, false)), t[4], t[3], t[2], t[1], t[0], listing);
        return true;
    }
    if (make == "RECONYX" && note.size() >= 34 && word(0) == 0xF101) {
        // HyperFire: seconds, minutes, hours, month, day, year as 16-bit numbers at word 11.
        AddDate(word(32), word(28), word(30), word(26), word(24), word(22), listing);
        return true;
    }
    return false;
}

}  // namespace metaprobe
