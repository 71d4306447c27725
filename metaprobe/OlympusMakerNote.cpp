// Olympus: the camera-settings directory (tag 0x2020) of the note holds the camera's clock in
// UTC and the roll and pitch its level sensor measured. Three layouts: "OLYMPUS", 0, the byte
// order and a version, with offsets counted from the note's start; the same after "OM SYSTEM"
// and three zeros, in the successor's cameras; and the older "OLYMP", 0 and a version, in the
// TIFF structure's byte order with offsets counted from its header.

#include <cstdio>
#include <cstring>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"

namespace metaprobe {

namespace {

// An angle in tenths of a degree with a validity flag that must be 1; whole degrees show no
// decimals.
void AddAngle(const NoteDirectory& dir, uint16_t tag, const char* field, bool negate, Listing& listing)
{
    std::vector<uint8_t> value;
    uint16_t format = 0;
    if (!dir.Find(tag, value, &format) || format != 8 || value.size() < 4)
        return;
    if (Get16(value.data() + 2, dir.Big()) != 1) {
        listing.Add(field, "n/a");
        return;
    }
    int tenths = int16_t(Get16(value.data(), dir.Big()));
    if (negate)
        tenths = -tenths;
    int magnitude = tenths < 0 ? -tenths : tenths;
    char text[16];
    if (magnitude % 10 == 0)
        std::snprintf(text, sizeof text, "%d", tenths / 10);
    else
        std::snprintf(text, sizeof text, "%s%d.%d", tenths < 0 ? "-" : "", magnitude / 10, magnitude % 10);
    listing.Add(field, text);
}

void ReadCameraSettings(const std::vector<uint8_t>& note, const NoteDirectory& main, int64_t origin,
                        Listing& listing)
{
    std::vector<uint8_t> value;
    uint16_t format = 0;
    // Written as a LONG or as a directory pointer (format 13).
    if (!main.Find(0x2020, value, &format) || value.size() != 4 || (format != 4 && format != 13))
        return;
    int64_t start = origin + int64_t(Get32(value.data(), main.Big()));
    if (start < 0 || uint64_t(start) >= note.size())
        return;
    NoteDirectory settings(note, size_t(start), origin, main.Big());
    AddAngle(settings, 0x0903, "Roll Angle", true, listing);
    AddAngle(settings, 0x0904, "Pitch Angle", false, listing);
    if (settings.Find(0x0908, value, &format) && format == 2)
        listing.Add("Date Time UTC", CText(value));
}

// A note with its own byte order at `orderAt` and its directory after the version.
void ReadSelfContained(const std::vector<uint8_t>& note, size_t orderAt, Listing& listing)
{
    bool big;
    if (note[orderAt] == 'M' && note[orderAt + 1] == 'M')
        big = true;
    else if (note[orderAt] == 'I' && note[orderAt + 1] == 'I')
        big = false;
    else
        return;
    ReadCameraSettings(note, NoteDirectory(note, orderAt + 4, 0, big), 0, listing);
}

}  // namespace

bool ReadOlympusNote(const std::vector<uint8_t>& note, int64_t tiffOrigin, bool tiffBig, Listing& listing)
{
    if (note.size() >= 12 && std::memcmp(note.data(), "OLYMPUS\0", 8) == 0) {
        ReadSelfContained(note, 8, listing);
        return true;
    }
    if (note.size() >= 16 && std::memcmp(note.data(), "OM SYSTEM\0\0\0", 12) == 0) {
        ReadSelfContained(note, 12, listing);
        return true;
    }
    if (note.size() >= 8 && std::memcmp(note.data(), "OLYMP\0", 6) == 0) {
        ReadCameraSettings(note, NoteDirectory(note, 8, tiffOrigin, tiffBig), tiffOrigin, listing);
        return true;
    }
    return false;
}

}  // namespace metaprobe
