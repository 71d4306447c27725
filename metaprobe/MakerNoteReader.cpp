#include "metaprobe/MakerNoteReader.h"

#include <cstdio>
#include <cstring>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

constexpr unsigned kMaxEntries = 1000;

// One directory inside the note: values of up to four bytes sit in their entries, longer ones
// at an offset counted from `origin` (a position in the note, which may be negative when the
// offsets count from the start of the TIFF structure). Values outside the note are not read.
class NoteDirectory {
public:
    NoteDirectory(const std::vector<uint8_t>& note, size_t start, int64_t origin, bool big)
        : note_(note), start_(start), origin_(origin), big_(big)
    { }

    // The bytes of the entry with this tag and format size, or false.
    bool Find(uint16_t tag, std::vector<uint8_t>& value) const
    {
        if (start_ + 2 > note_.size())
            return false;
        unsigned count = Get16(note_.data() + start_, big_);
        for (unsigned i = 0; i < count && i < kMaxEntries; ++i) {
            size_t entry = start_ + 2 + 12 * size_t(i);
            if (entry + 12 > note_.size())
                return false;
            if (Get16(note_.data() + entry, big_) != tag)
                continue;
            static const unsigned sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
            unsigned format = Get16(note_.data() + entry + 2, big_);
            uint64_t bytes =
                    uint64_t(format < 13 ? sizes[format] : 0) * Get32(note_.data() + entry + 4, big_);
            if (bytes == 0)
                return false;
            if (bytes <= 4) {
                value.assign(note_.begin() + long(entry + 8), note_.begin() + long(entry + 8 + bytes));
                return true;
            }
            int64_t at = origin_ + int64_t(Get32(note_.data() + entry + 8, big_));
            if (at < 0 || uint64_t(at) > note_.size() || bytes > note_.size() - uint64_t(at))
                return false;
            value.assign(note_.begin() + long(at), note_.begin() + long(at + int64_t(bytes)));
            return true;
        }
        return false;
    }
    bool Big() const { return big_; }

private:
    const std::vector<uint8_t>& note_;
    size_t start_;
    int64_t origin_;
    bool big_;
};

std::string ZoneText(int minutes)
{
    char text[16];
    int magnitude = minutes < 0 ? -minutes : minutes;
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', magnitude / 60 % 100,
                  magnitude % 60);
    return text;
}

std::string CText(const std::vector<uint8_t>& value)
{
    size_t n = 0;
    while (n < value.size() && value[n] != 0)
        ++n;
    return TrimRight(Latin1ToUtf8(std::string(value.begin(), value.begin() + long(n))));
}

// Canon: a directory at the start of the note, offsets from the TIFF header.
void ReadCanon(const NoteDirectory& dir, Listing& listing)
{
    std::vector<uint8_t> value;
    if (dir.Find(0x0007, value))
        listing.Add("Canon Firmware Version", CText(value));
    // Time info: its size, the zone in minutes, the zone's city, daylight saving (0 or 60).
    if (dir.Find(0x0035, value) && value.size() >= 16 && !dir.Big()) {
        listing.Add("Time Zone", ZoneText(int32_t(Get32(value.data() + 4, false))));
        uint32_t daylight = Get32(value.data() + 12, false);
        listing.Add("Daylight Savings", daylight == 0    ? std::string("Off")
                                        : daylight == 60 ? std::string("On")
                                                         : "Unknown (" + std::to_string(daylight) + ")");
    }
}

// Nikon (second form): "Nikon", 0, a version, then a TIFF header of its own at byte 10.
void ReadNikon(const std::vector<uint8_t>& note, Listing& listing)
{
    if (note.size() < 18 ||
        !(std::memcmp(note.data() + 10, "MM", 2) == 0 || std::memcmp(note.data() + 10, "II", 2) == 0))
        return;
    bool big = note[10] == 'M';
    NoteDirectory dir(note, 10 + size_t(Get32(note.data() + 14, big)), 10, big);
    std::vector<uint8_t> value;
    if (dir.Find(0x0001, value) && value.size() == 4 && value[0] >= '0' && value[0] <= '9') {
        std::string v(value.begin(), value.end());
        listing.Add("Maker Note Version", std::to_string(std::stoi(v.substr(0, 2))) + "." + v.substr(2));
    }
    // World time: the zone in minutes, daylight saving, the date order of the camera's display.
    if (dir.Find(0x0024, value) && value.size() >= 4) {
        listing.Add("Time Zone", ZoneText(int16_t(Get16(value.data(), big))));
        listing.Add("Daylight Savings", value[2] == 0   ? std::string("No")
                                        : value[2] == 1 ? std::string("Yes")
                                                        : "Unknown (" + std::to_string(value[2]) + ")");
        static const char* const orders[] = {"Y/M/D", "M/D/Y", "D/M/Y"};
        listing.Add("Date Display Format",
                    value[3] < 3 ? orders[value[3]] : "Unknown (" + std::to_string(value[3]) + ")");
    }
}

// Pentax: "AOC", 0, the byte order, then the directory. The camera's clock is kept as a date
// (16-bit year, month, day) and a time (hour, minute, second).
void ReadPentax(const std::vector<uint8_t>& note, Listing& listing)
{
    if (note.size() < 8)
        return;
    bool big = note[4] != 'I';
    NoteDirectory dir(note, 6, 0, big);
    std::vector<uint8_t> date, time;
    char text[32];
    if (dir.Find(0x0006, date) && date.size() == 4) {
        std::snprintf(text, sizeof text, "%04u:%02u:%02u", unsigned(Get16(date.data(), true)), date[2],
                      date[3]);
        listing.Add("Date", text);
    }
    if (dir.Find(0x0007, time) && time.size() >= 3) {
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", time[0], time[1], time[2]);
        listing.Add("Time", text);
    }
}

bool StartsWith(const std::vector<uint8_t>& bytes, const char* prefix, size_t size)
{
    return bytes.size() >= size && std::memcmp(bytes.data(), prefix, size) == 0;
}

}  // namespace

void ReadMakerNote(const std::vector<uint8_t>& note, uint64_t noteOffset, uint64_t base, bool bigEndian,
                   const std::string& make, Listing& listing)
{
    if (StartsWith(note, "Nikon\0\2", 7)) {
        ReadNikon(note, listing);
    } else if (StartsWith(note, "AOC\0", 4)) {
        ReadPentax(note, listing);
    } else if (make.compare(0, 5, "Canon") == 0 && noteOffset >= base) {
        ReadCanon(NoteDirectory(note, 0, -int64_t(noteOffset - base), bigEndian), listing);
    }
}

}  // namespace metaprobe
