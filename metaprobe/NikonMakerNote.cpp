// Nikon (second form): "Nikon", 0, a version, then a TIFF header of its own at byte 10.

#include <cstring>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

bool Lower(char c)
{
    return c >= 'a' && c <= 'z';
}

bool Upper(char c)
{
    return c >= 'A' && c <= 'Z';
}

// The camera writes its setting names in capitals ("DIRECT SUNLIGHT"); they are listed with
// only the first of each run of letters capital. Text that has small letters stays as written.
std::string WordCase(std::string text)
{
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    for (char c : text) {
        if (Lower(c))
            return text;
    }
    for (size_t i = 1; i < text.size(); ++i) {
        if (Upper(text[i]) && (Upper(text[i - 1]) || Lower(text[i - 1])))
            text[i] = char(text[i] - 'A' + 'a');
    }
    return text;
}

// A text entry of any format: its bytes up to the first NUL.
bool FindText(const NoteDirectory& dir, uint16_t tag, std::string& text)
{
    std::vector<uint8_t> value;
    if (!dir.Find(tag, value))
        return false;
    size_t n = 0;
    while (n < value.size() && value[n] != 0)
        ++n;
    text = Latin1ToUtf8(std::string(value.begin(), value.begin() + long(n)));
    return true;
}

}  // namespace

void ReadNikonNote(const std::vector<uint8_t>& note, Listing& listing)
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
    std::string text;
    if (FindText(dir, 0x0005, text))
        listing.Add("White Balance", WordCase(text));
    if (FindText(dir, 0x0006, text))
        listing.Add("Sharpness", WordCase(text));
    // Two entries hold the serial number: the later one, when present, is listed in word case,
    // the earlier as written.
    if (FindText(dir, 0x00A0, text))
        listing.Add("Serial Number", WordCase(text));
    else if (FindText(dir, 0x001D, text))
        listing.Add("Serial Number", TrimRight(text));
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
    if (FindText(dir, 0x0090, text))
        listing.Add("Light Source", WordCase(text));
    if (FindText(dir, 0x00AA, text))
        listing.Add("Saturation", WordCase(text));
}

}  // namespace metaprobe
