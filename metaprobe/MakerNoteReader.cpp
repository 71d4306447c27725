#include "metaprobe/MakerNoteReader.h"

#include <cstring>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"

namespace metaprobe {

namespace {

// Sigma: "SIGMA" and five more bytes, then a directory in the byte order of the TIFF structure,
// whose offsets count from its header.
void ReadSigma(const std::vector<uint8_t>& note, int64_t origin, bool big, Listing& listing)
{
    NoteDirectory dir(note, 10, origin, big);
    std::vector<uint8_t> value;
    if (dir.Find(0x0002, value))
        listing.Add("Serial Number", CText(value));
}

// Panasonic: "Panasonic" and three NULs, then a directory in the TIFF structure's byte order.
// Read: how the camera was held, and whether its clock was set to the home or travel zone.
void ReadPanasonic(const std::vector<uint8_t>& note, bool big, Listing& listing)
{
    NoteDirectory dir(note, 12, 0, big);
    std::vector<uint8_t> value;
    uint16_t format = 0;
    int number;
    auto named = [&](uint16_t tag, const char* field, const char* const* names, int count, int first) {
        if (!dir.Find(tag, value, &format) || !FirstShort(value, format, big, number))
            return;
        const char* name = number >= first && number < first + count ? names[number - first] : nullptr;
        listing.Add(field, name && *name ? std::string(name) : "Unknown (" + std::to_string(number) + ")");
    };
    static const char* const rotations[] = {"Horizontal (normal)", "", "Rotate 180",   "", "",
                                            "Rotate 90 CW",        "", "Rotate 270 CW"};
    named(0x0030, "Rotation", rotations, 8, 1);
    static const char* const locations[] = {"Home", "Destination"};
    named(0x003A, "World Time Location", locations, 2, 1);
    if (dir.Find(0x008F, value) && value.size() == 1) {
        static const char* const orientations[] = {"Normal",     "Rotate CW",    "Rotate 180",
                                                   "Rotate CCW", "Tilt Upwards", "Tilt Downwards"};
        listing.Add("Camera Orientation",
                    value[0] < 6 ? orientations[value[0]] : "Unknown (" + std::to_string(value[0]) + ")");
    }
}

bool StartsWith(const std::vector<uint8_t>& bytes, const char* prefix, size_t size)
{
    return bytes.size() >= size && std::memcmp(bytes.data(), prefix, size) == 0;
}

}  // namespace

void ReadMakerNote(const std::vector<uint8_t>& note, uint64_t noteOffset, uint64_t base, bool bigEndian,
                   const Camera& camera, Listing& listing)
{
    if (ReadReconyxNote(note, camera.make, listing))
        return;
    if (StartsWith(note, "Nikon\0\2", 7)) {
        ReadNikonNote(note, listing);
    } else if (StartsWith(note, "AOC\0", 4)) {
        ReadPentaxNote(note, listing);
    } else if (StartsWith(note, "Panasonic\0\0\0", 12)) {
        ReadPanasonic(note, bigEndian, listing);
    } else if (StartsWith(note, "FUJIFILM", 8)) {
        ReadFujifilmNote(note, listing);
    } else if (noteOffset < base) {
        return;  // the notes below count their offsets from the TIFF header before them
    } else if (ReadOlympusNote(note, -int64_t(noteOffset - base), bigEndian, listing)) {
        return;
    } else if (camera.make.compare(0, 4, "SONY") == 0) {
        ReadSonyNote(note, -int64_t(noteOffset - base), bigEndian, camera.model, listing);
    } else if (StartsWith(note, "SIGMA\0", 6)) {
        ReadSigma(note, -int64_t(noteOffset - base), bigEndian, listing);
    } else if (camera.make.compare(0, 5, "Canon") == 0) {
        ReadCanonNote(NoteDirectory(note, 0, -int64_t(noteOffset - base), bigEndian), camera.model, listing);
    }
}

void ReadDngPrivateData(const std::vector<uint8_t>& data, const Camera& camera, Listing& listing)
{
    // "Adobe", 0, "MakN", the length of what follows, the byte order, the original offset.
    constexpr size_t kHead = 20;
    if (data.size() <= kHead || std::memcmp(data.data(), "Adobe\0MakN", 10) != 0)
        return;
    uint32_t length = Get32(data.data() + 10, true);
    bool big;
    if (data[14] == 'M' && data[15] == 'M')
        big = true;
    else if (data[14] == 'I' && data[15] == 'I')
        big = false;
    else
        return;
    if (length < 6 || length - 6 > data.size() - kHead)
        return;
    std::vector<uint8_t> note(data.begin() + kHead, data.begin() + long(kHead + length - 6));
    ReadMakerNote(note, Get32(data.data() + 16, true), 0, big, camera, listing);
}

}  // namespace metaprobe
