// Pentax: "AOC", 0, the byte order, then a directory whose offsets count from the note's start.
// Read: the camera's clock, kept as a date (16-bit year, month, day) and a time (hour, minute,
// second), and its world-time setting: whether the home or the destination zone was in use, each
// zone's city and daylight saving; older cameras write these as entries of their own, newer ones
// as one four-byte block.

#include <cstdio>
#include <iterator>
#include <string>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"

namespace metaprobe {

namespace {

std::string CityText(int city)
{
    static const char* const cities[] = {
            "Pago Pago",      "Honolulu",     "Anchorage",   "Vancouver",  "San Francisco", "Los Angeles",
            "Calgary",        "Denver",       "Mexico City", "Chicago",    "Miami",         "Toronto",
            "New York",       "Santiago",     "Caracus",     "Halifax",    "Buenos Aires",  "Sao Paulo",
            "Rio de Janeiro", "Madrid",       "London",      "Paris",      "Milan",         "Rome",
            "Berlin",         "Johannesburg", "Istanbul",    "Cairo",      "Jerusalem",     "Moscow",
            "Jeddah",         "Tehran",       "Dubai",       "Karachi",    "Kabul",         "Male",
            "Delhi",          "Colombo",      "Kathmandu",   "Dacca",      "Yangon",        "Bangkok",
            "Kuala Lumpur",   "Vientiane",    "Singapore",   "Phnom Penh", "Ho Chi Minh",   "Jakarta",
            "Hong Kong",      "Perth",        "Beijing",     "Shanghai",   "Manila",        "Taipei",
            "Seoul",          "Adelaide",     "Tokyo",       "Guam",       "Sydney",        "Noumea",
            "Wellington",     "Auckland",     "Lima",        "Dakar",      "Algiers",       "Helsinki",
            "Athens",         "Nairobi",      "Amsterdam",   "Stockholm",  "Lisbon",        "Copenhagen",
            "Warsaw",         "Prague",       "Budapest"};
    if (city >= 0 && size_t(city) < std::size(cities))
        return cities[city];
    return "Unknown (" + std::to_string(city) + ")";
}

std::string NamedText(int value, const char* zero, const char* one)
{
    return value == 0 ? zero : value == 1 ? one : "Unknown (" + std::to_string(value) + ")";
}

void ReadClock(const NoteDirectory& dir, Listing& listing)
{
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

void ReadWorldTime(const NoteDirectory& dir, Listing& listing)
{
    std::vector<uint8_t> value;
    uint16_t format = 0;
    int number = 0;
    auto entry = [&](uint16_t tag) {
        return dir.Find(tag, value, &format) && FirstShort(value, format, dir.Big(), number);
    };
    if (entry(0x0022))
        listing.Add("World Time Location", NamedText(number, "Hometown", "Destination"));
    if (entry(0x0023))
        listing.Add("Hometown City", CityText(number));
    if (entry(0x0024))
        listing.Add("Destination City", CityText(number));
    if (entry(0x0025))
        listing.Add("Hometown DST", NamedText(number, "No", "Yes"));
    if (entry(0x0026))
        listing.Add("Destination DST", NamedText(number, "No", "Yes"));
    // The block: flags (zone in use, home and destination daylight saving), a byte, the cities.
    if (dir.Find(0x006B, value) && value.size() >= 4) {
        listing.Add("World Time Location", NamedText(value[0] & 1, "Hometown", "Destination"));
        listing.Add("Hometown DST", NamedText(value[0] >> 1 & 1, "No", "Yes"));
        listing.Add("Destination DST", NamedText(value[0] >> 2 & 1, "No", "Yes"));
        listing.Add("Hometown City", CityText(value[2]));
        listing.Add("Destination City", CityText(value[3]));
    }
}

}  // namespace

void ReadPentaxNote(const std::vector<uint8_t>& note, Listing& listing)
{
    if (note.size() < 8)
        return;
    NoteDirectory dir(note, 6, 0, note[4] != 'I');
    ReadClock(dir, listing);
    ReadWorldTime(dir, listing);
}

}  // namespace metaprobe
