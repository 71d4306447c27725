#include "metaprobe/IsoUserData.h"

#include <cstdio>
#include <cstring>

#include "base/GeoPosition.h"
#include "metaprobe/ByteSource.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

constexpr size_t kMaxItemText = 4096;

const struct {
    const char code[5];
    const char* name;
} kItems[] = {
        {"\xa9"
         "ART",
         "Artist"},
        {"\xa9"
         "nam",
         "Title"},
        {"\xa9"
         "too",
         "Encoder"},
        {"desc", "Description"},
        {"cprt", "Copyright"},
        {"\xa9"
         "cmt",
         "Comment"},
        {"\xa9"
         "gen",
         "Genre"},
        {"\xa9"
         "alb",
         "Album"},
        {"aART", "Album Artist"},
        {"\xa9"
         "wrt",
         "Composer"},
        {"\xa9"
         "grp",
         "Grouping"},
        {"\xa9"
         "lyr",
         "Lyrics"},
        {"trkn", "Track Number"},
        {"disk", "Disk Number"},
        {"tmpo", "Beats Per Minute"},
        {"ldes", "Long Description"},
        {"\xa9"
         "des",
         "Description"},
        {"\xa9"
         "day",
         "Content Create Date"},
};

const struct {
    const char* key;
    const char* name;
} kKeys[] = {
        {"artist", "Artist"},       {"make", "Make"},
        {"model", "Model"},         {"software", "Software"},
        {"title", "Title"},         {"description", "Description"},
        {"author", "Author"},       {"copyright", "Copyright"},
        {"keywords", "Keywords"},   {"genre", "Genre"},
        {"album", "Album"},         {"comment", "Comment"},
        {"composer", "Composer"},   {"displayname", "Display Name"},
        {"year", "Year"},           {"information", "Information"},
        {"publisher", "Publisher"}, {"location.ISO6709", kGpsCoordinatesField},
};

const struct {
    const char code[5];
    const char* name;
} kUserDataTexts[] = {
        {"\xa9"
         "fmt",
         "Format"},
        {"\xa9"
         "inf",
         "Information"},
        {"\xa9"
         "mak",
         "Make"},
        {"\xa9"
         "mod",
         "Model"},
        {"\xa9"
         "cpy",
         "Copyright"},
        {"\xa9"
         "nam",
         "Title"},
        {"\xa9"
         "cmt",
         "Comment"},
        {"\xa9"
         "ART",
         "Artist"},
        {"\xa9"
         "wrt",
         "Composer"},
        {"\xa9"
         "com",
         "Composer"},
        {"\xa9"
         "too",
         "Encoder"},
        {"\xa9"
         "enc",
         "Encoder ID"},
        {"\xa9"
         "req",
         "Requirements"},
        {"\xa9"
         "dir",
         "Director"},
        {"\xa9"
         "prd",
         "Producer"},
        {"\xa9"
         "src",
         "Source Credits"},
        {"\xa9"
         "alb",
         "Album"},
        {"\xa9"
         "gen",
         "Genre"},
        {"\xa9"
         "xyz",
         kGpsCoordinatesField},
};

bool Is(const uint8_t* code, const char* text)
{
    return std::memcmp(code, text, 4) == 0;
}

bool AllDigits(const std::string& text)
{
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return !text.empty();
}

}  // namespace

const char* ItemListFieldName(const uint8_t* code)
{
    for (const auto& item : kItems) {
        if (Is(code, item.code))
            return item.name;
    }
    return nullptr;
}

const char* UserDataTextName(const uint8_t* code)
{
    for (const auto& text : kUserDataTexts) {
        if (Is(code, text.code))
            return text.name;
    }
    return nullptr;
}

std::string UserDataText(const uint8_t* d, size_t n)
{
    if (n < 4 || size_t(Get16(d, true)) != n - 4)
        return {};
    std::string text(reinterpret_cast<const char*>(d + 4), n - 4);
    for (char c : text) {
        if (c < 0x20 || c > 0x7e)
            return {};
    }
    return TrimRight(text);
}

std::string CoordinatesText(const std::string& iso6709)
{
    const auto position = ParseIso6709(iso6709);
    if (!position)
        return {};
    return FormatCoordinate(position->latitude) + (position->latitude < 0 ? " S, " : " N, ") +
           FormatCoordinate(position->longitude) + (position->longitude < 0 ? " W" : " E");
}

const char* MetadataKeyFieldName(const std::string& key)
{
    static const std::string prefix = "com.apple.quicktime.";
    if (key.compare(0, prefix.size(), prefix) != 0)
        return nullptr;
    for (const auto& k : kKeys) {
        if (key.compare(prefix.size(), std::string::npos, k.key) == 0)
            return k.name;
    }
    return nullptr;
}

std::string ItemValueText(const uint8_t* code, const uint8_t* d, size_t n)
{
    if (n < 8)
        return {};
    const uint32_t type = Get32(d, true) & 0xffffff;
    const uint8_t* value = d + 8;
    const size_t size = n - 8;
    if (code && (Is(code, "trkn") || Is(code, "disk"))) {
        // Reserved, number, count.
        if (type != 0 || size < 6)
            return {};
        return std::to_string(Get16(value + 2, true)) + " of " + std::to_string(Get16(value + 4, true));
    }
    if (code && Is(code, "tmpo")) {
        if ((type != 21 && type != 0) || size != 2)
            return {};
        return std::to_string(Get16(value, true));
    }
    if (type != 1 || size == 0 || size > kMaxItemText)
        return {};
    std::string text(reinterpret_cast<const char*>(value), size);
    if (text.find('\0') != std::string::npos)
        return {};
    // A release date is listed when it is a year alone; other forms are converted otherwise.
    if (code &&
        Is(code, "\xa9"
                 "day") &&
        !(text.size() == 4 && AllDigits(text)))
        return {};
    return Latin1ToUtf8(text);
}

bool ListCameraTags(const uint8_t* d, size_t n, Listing& listing, ExifFacts& facts)
{
    static const char kMake[] = "PENTAX DIGITAL CAMERA";
    if (n < 0xb1 || std::memcmp(d, kMake, sizeof kMake) != 0)
        return false;
    // Little-endian values at fixed places.
    listing.Add("Make", kMake);
    const uint32_t exposure = Get32(d + 0x26, false);
    // The exposure counts tenths of a second's reciprocal: 10 / value seconds.
    const double seconds = exposure ? 10.0 / exposure : 0;
    listing.Add("Exposure Time", FormatExposureTime(seconds));
    if (exposure) {
        facts.hasExposureTime = true;
        facts.exposureTime = seconds;
    }
    const uint32_t fNum = Get32(d + 0x2a, false), fDen = Get32(d + 0x2e, false);
    if (fDen) {
        listing.Add("F Number", FormatF(double(fNum) / fDen, 1));
        facts.hasFNumber = true;
        facts.fNumber = double(fNum) / fDen;
    }
    const int32_t eNum = int32_t(Get32(d + 0x32, false)), eDen = int32_t(Get32(d + 0x36, false));
    if (eDen) {
        const double ev = double(eNum) / eDen;
        char text[32];
        std::snprintf(text, sizeof text, "%+.1f", ev);
        listing.Add("Exposure Compensation", eNum == 0 ? "0" : text);
    }
    static const char* const balances[] = {"Auto", "Daylight", "Shade", "Fluorescent", "Tungsten", "Manual"};
    const unsigned balance = Get16(d + 0x44, false);
    listing.Add("White Balance",
                balance < 6 ? balances[balance] : "Unknown (" + std::to_string(balance) + ")");
    const uint32_t lNum = Get32(d + 0x48, false), lDen = Get32(d + 0x4c, false);
    if (lDen)
        listing.Add("Focal Length", FormatF(double(lNum) / lDen, 1) + " mm");
    const unsigned iso = Get16(d + 0xaf, false);
    listing.Add("ISO", std::to_string(iso));
    facts.hasIso = true;
    facts.iso = iso;
    return true;
}

}  // namespace metaprobe
