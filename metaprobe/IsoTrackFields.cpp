#include "metaprobe/IsoTrackFields.h"

#include <cmath>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

struct CodeName {
    const char code[5];
    const char* name;
};

const CodeName kClasses[] = {{"mhlr", "Media Handler"}, {"dhlr", "Data Handler"}};

const CodeName kTypes[] = {
        {"vide", "Video Track"},
        {"soun", "Audio Track"},
        {"alis", "Alias Data"},
        {"mdir", "Metadata"},
        {"mdta", "Metadata Tags"},
        {"pict", "Picture"},
        {"hint", "Hint Track"},
        {"meta", "NRT Metadata"},
        {"text", "Text"},
        {"sbtl", "Subtitle"},
        {"tmcd", "Time Code"},
        {"url ", "URL"},
        {"camm", "Camera Metadata"},
        {"sdsm", "Scene Description"},
        {"odsm", "Object Descriptor"},
        {"ipsm", "IPMP"},
        {"m7sm", "MPEG-7 Stream"},
        {"ocsm", "Object Content"},
        {"priv", "Private"},
        {"data", "Data"},
};

const CodeName kVendors[] = {
        {"appl", "Apple"},
        {"pent", "Pentax"},
        {"KMPI", "Konica-Minolta"},
        {"FFMP", "FFmpeg"},
        {"ZORA", "Zoran Corporation"},
        {"GIC ", "General Imaging Co."},
        {"niko", "Nikon"},
        {"NIKO", "Nikon"},
        {"SMI ", "Sorenson Media Inc."},
        {"leic", "Leica"},
        {"mino", "Minolta"},
        {"olym", "Olympus"},
        {"kdak", "Kodak"},
};

bool Printable(const uint8_t* code)
{
    for (int i = 0; i < 4; ++i) {
        if (code[i] < 0x20 || code[i] > 0x7e)
            return false;
    }
    return true;
}

template <size_t N> std::string NameOf(const CodeName (&names)[N], const uint8_t* code)
{
    const std::string text(reinterpret_cast<const char*>(code), 4);
    for (const CodeName& n : names) {
        if (text == n.code)
            return n.name;
    }
    return Printable(code) ? "Unknown (" + text + ")" : "";
}

// A four-character code as text without its trailing spaces; empty when it has other bytes.
std::string CodeText(const uint8_t* code)
{
    return Printable(code) ? TrimRight(std::string(reinterpret_cast<const char*>(code), 4)) : "";
}

}  // namespace

std::string HandlerClassName(const uint8_t* code)
{
    return NameOf(kClasses, code);
}

std::string HandlerTypeName(const uint8_t* code)
{
    return NameOf(kTypes, code);
}

std::string VendorName(const uint8_t* code)
{
    return NameOf(kVendors, code);
}

void ListVideoMediaHeader(const uint8_t* d, size_t n, Listing& listing)
{
    // Version and flags, graphics mode, three colour components.
    if (n < 12)
        return;
    const unsigned mode = Get16(d + 4, true);
    if (mode == 0x40)
        listing.Add("Graphics Mode", "ditherCopy");
    listing.Add("Op Color", std::to_string(Get16(d + 6, true)) + " " + std::to_string(Get16(d + 8, true)) +
                                    " " + std::to_string(Get16(d + 10, true)));
}

void ListSoundMediaHeader(const uint8_t* d, size_t n, Listing& listing)
{
    // Version and flags, then the balance in 8.8 fixed point.
    if (n < 6)
        return;
    listing.Add("Balance", FormatG(int16_t(Get16(d + 4, true)) / 256.0, 10));
}

void ListVideoSampleEntry(const uint8_t* format, const uint8_t* d, size_t n, Listing& listing)
{
    // Reserved, data reference, version, revision, vendor, two qualities, width, height,
    // resolutions (16.16), data size, frame count, the compressor's name (a counted text in 32
    // bytes), depth.
    if (n < 76)
        return;
    const std::string id = CodeText(format);
    if (!id.empty())
        listing.Add("Compressor ID", id);
    const std::string vendor = VendorName(d + 12);
    if (!vendor.empty())
        listing.Add("Vendor ID", vendor);
    listing.Add("Source Image Width", std::to_string(Get16(d + 24, true)));
    listing.Add("Source Image Height", std::to_string(Get16(d + 26, true)));
    listing.Add("X Resolution", FormatG(Get32(d + 28, true) / 65536.0, 10));
    listing.Add("Y Resolution", FormatG(Get32(d + 32, true) / 65536.0, 10));
    const size_t length = d[42] < 32 ? d[42] : 31;
    std::string name = TrimRight(std::string(reinterpret_cast<const char*>(d + 43), length));
    if (!name.empty() && name.find('\0') == std::string::npos)
        listing.Add("Compressor Name", Latin1ToUtf8(name));
    listing.Add("Bit Depth", std::to_string(Get16(d + 74, true)));
}

void ListAudioSampleEntry(const uint8_t* format, const uint8_t* d, size_t n, Listing& listing)
{
    // Reserved, data reference, version, revision, vendor, channels, bits per sample,
    // compression id, packet size, sample rate (16.16).
    if (n < 28)
        return;
    const std::string id = CodeText(format);
    if (!id.empty())
        listing.Add("Audio Format", id);
    const std::string vendor = VendorName(d + 12);
    if (!vendor.empty())
        listing.Add("Audio Vendor ID", vendor);
    listing.Add("Audio Channels", std::to_string(Get16(d + 16, true)));
    listing.Add("Audio Bits Per Sample", std::to_string(Get16(d + 18, true)));
    listing.Add("Audio Sample Rate", FormatG(Get32(d + 24, true) / 65536.0, 10));
}

std::string ApertureText(const uint8_t* d, size_t n)
{
    if (n < 12)
        return {};
    return FormatG(Get32(d + 4, true) / 65536.0, 10) + "x" + FormatG(Get32(d + 8, true) / 65536.0, 10);
}

std::string FrameRateText(const uint8_t* d, size_t n, uint32_t timeScale)
{
    if (n < 8 || timeScale == 0)
        return {};
    // A table cut short (by the reader's bound or a damaged file) gives no rate at all.
    const uint64_t entries = Get32(d + 4, true);
    if (entries > (n - 8) / 8)
        return {};
    uint64_t samples = 0, duration = 0;
    for (uint64_t i = 0; i < entries; ++i) {
        const uint64_t count = Get32(d + 8 + 8 * i, true);
        samples += count;
        duration += count * Get32(d + 12 + 8 * i, true);
    }
    if (samples == 0 || duration == 0)
        return {};
    const double rate = double(samples) * timeScale / double(duration);
    return FormatG(std::round(rate * 1000) / 1000, 10);
}

}  // namespace metaprobe
