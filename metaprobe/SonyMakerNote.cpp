// Sony: a directory in the TIFF structure's byte order whose offsets count from the TIFF header,
// after "SONY DSC " or "SONY CAM " and three NULs, or at the note's start. Its shot-information
// block (tag 0x3000) holds the camera's clock as text at byte 6; the enciphered blocks hold
// another clock and how the camera was held. Entries are read in the directory's order: a later
// block's field replaces an earlier one's of the same name, except block 0x2010's clock.

#include <algorithm>
#include <cstring>

#include "metaprobe/MakerNoteDirectory.h"
#include "metaprobe/SonyBlocks.h"

namespace metaprobe {

namespace {

constexpr size_t kDateAt = 6, kDateSize = 20;

}  // namespace

void ReadSonyNote(const std::vector<uint8_t>& note, int64_t tiffOrigin, bool tiffBig,
                  const std::string& model, Listing& listing)
{
    size_t start = 0;
    if (note.size() >= 12 && (std::memcmp(note.data(), "SONY DSC \0\0\0", 12) == 0 ||
                              std::memcmp(note.data(), "SONY CAM \0\0\0", 12) == 0))
        start = 12;
    else if (note.size() >= 2 && note[0] == 1 && note[1] == 0)
        return;  // a raw file's block of another layout, not this directory
    NoteDirectory dir(note, start, tiffOrigin, tiffBig);
    dir.Each([&](const NoteEntry& entry) {
        switch (entry.tag) {
        case 0x2010: ReadSonyBlock2010(entry.data, entry.size, model, listing); break;
        case 0x9050: ReadSonyBlock9050(entry.data, entry.size, model, listing); break;
        case 0x9400: ReadSonyBlock9400(entry.data, entry.size, listing); break;
        case 0x3000:
            // A block cut short gives the part of the text it holds.
            if (entry.size > kDateAt) {
                size_t end = std::min(entry.size, kDateAt + kDateSize);
                listing.Add("Sony Date Time",
                            CText(std::vector<uint8_t>(entry.data + kDateAt, entry.data + end)));
            }
            break;
        default: break;
        }
    });
}

}  // namespace metaprobe
