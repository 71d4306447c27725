// What the per-make maker note readers share: a bounded view of one directory inside a note, and
// the text forms their values take.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "metaprobe/Listing.h"

namespace metaprobe {

// One directory inside the note: values of up to four bytes sit in their entries, longer ones
// at an offset counted from `origin` (a position in the note, which may be negative when the
// offsets count from the start of the TIFF structure). Values outside the note are not read.
// One entry's value as it lies in the note.
struct NoteEntry {
    uint16_t tag = 0, format = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

class NoteDirectory {
public:
    NoteDirectory(const std::vector<uint8_t>& note, size_t start, int64_t origin, bool big)
        : note_(note), start_(start), origin_(origin), big_(big)
    { }

    // The bytes of the first entry with this tag, and its format; false when absent or out of
    // bounds.
    bool Find(uint16_t tag, std::vector<uint8_t>& value, uint16_t* format = nullptr) const;
    // Every entry in the directory's order whose value lies inside the note, without copying it.
    template <typename Visit> void Each(Visit visit) const
    {
        NoteEntry entry;
        for (unsigned i = 0; i < Count(); ++i) {
            if (Locate(i, entry))
                visit(entry);
        }
    }
    bool Big() const { return big_; }

private:
    // Entries the note holds whole, at most a bound's worth.
    unsigned Count() const;
    // False when the entry's value is empty or lies outside the note.
    bool Locate(unsigned index, NoteEntry& entry) const;

    const std::vector<uint8_t>& note_;
    size_t start_;
    int64_t origin_;
    bool big_;
};

// "+05:30" for a zone in minutes east of UTC.
std::string ZoneText(int minutes);
// Text up to the first NUL, trailing spaces removed.
std::string CText(const std::vector<uint8_t>& value);
// The first 16-bit value of an entry of SHORT or SSHORT format.
bool FirstShort(const std::vector<uint8_t>& value, uint16_t format, bool big, int& number);

// Per make; each lists what it reads into `listing`. Canon: a directory at the note's start whose
// offsets count from `origin` (negative: the TIFF header lies before the note).
void ReadCanonNote(const NoteDirectory& dir, const std::string& model, Listing& listing);
void ReadNikonNote(const std::vector<uint8_t>& note, Listing& listing);
void ReadFujifilmNote(const std::vector<uint8_t>& note, Listing& listing);
void ReadPentaxNote(const std::vector<uint8_t>& note, Listing& listing);
// Olympus and Sony: `tiffOrigin` is where the TIFF header lies relative to the note (offsets of
// the layouts that count from there), `tiffBig` that structure's byte order. Olympus returns false
// when the note is not an Olympus one.
bool ReadOlympusNote(const std::vector<uint8_t>& note, int64_t tiffOrigin, bool tiffBig, Listing& listing);
void ReadSonyNote(const std::vector<uint8_t>& note, int64_t tiffOrigin, bool tiffBig,
                  const std::string& model, Listing& listing);
// False when the note is not a Reconyx one.
bool ReadReconyxNote(const std::vector<uint8_t>& note, const std::string& make, Listing& listing);

}  // namespace metaprobe
