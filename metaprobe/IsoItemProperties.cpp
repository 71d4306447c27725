#include "metaprobe/IsoItemProperties.h"

#include <cstring>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

struct Name {
    unsigned value;
    const char* text;
};

// The name of a coded value, or "Unknown (n)".
template <size_t N> std::string NameOf(const Name (&names)[N], unsigned value)
{
    for (const Name& n : names) {
        if (n.value == value)
            return n.text;
    }
    return "Unknown (" + std::to_string(value) + ")";
}

const Name kHevcProfiles[] = {
        {0, "No Profile"},
        {1, "Main"},
        {2, "Main 10"},
        {3, "Main Still Picture"},
        {4, "Format Range Extensions"},
        {5, "High Throughput"},
        {6, "Multiview Main"},
        {7, "Scalable Main"},
        {8, "3D Main"},
        {9, "Screen Content Coding Extensions"},
        {10, "Scalable Format Range Extensions"},
        {11, "High Throughput Screen Content Coding Extensions"},
};

// The profiles a stream conforms to: flag 31 - n stands for profile n; listed from the highest
// profile down, unnamed ones as "[bit]".
std::string ProfileFlagsText(uint32_t flags)
{
    std::string text;
    for (int bit = 0; bit < 32; ++bit) {
        if (!(flags & (1u << bit)))
            continue;
        unsigned profile = unsigned(31 - bit);
        std::string name = profile < std::size(kHevcProfiles) ? kHevcProfiles[profile].text
                                                              : "[" + std::to_string(bit) + "]";
        text += (text.empty() ? "" : ", ") + name;
    }
    return text.empty() ? "No Profile" : text;
}

void HevcConfiguration(const uint8_t* d, size_t n, Listing& listing)
{
    if (n < 23)
        return;
    static const Name spaces[] = {{0, "Conforming"}};
    static const Name chroma[] = {{0, "Monochrome"}, {1, "4:2:0"}, {2, "4:2:2"}, {3, "4:4:4"}};
    static const Name constant[] = {
            {0, "Unknown"}, {1, "Constant Frame Rate"}, {2, "Each Temporal Layer is Constant Frame Rate"}};
    listing.Add("HEVC Configuration Version", std::to_string(d[0]));
    listing.Add("General Profile Space", NameOf(spaces, d[1] >> 6));
    listing.Add("General Tier Flag", d[1] & 0x20 ? "High Tier" : "Main Tier");
    listing.Add("General Profile IDC", NameOf(kHevcProfiles, d[1] & 0x1f));
    listing.Add("Gen Profile Compatibility Flags", ProfileFlagsText(Get32(d + 2, true)));
    std::string constraints;
    for (int i = 0; i < 6; ++i)
        constraints += (i ? " " : "") + std::to_string(d[6 + i]);
    listing.Add("Constraint Indicator Flags", constraints);
    listing.Add("General Level IDC", std::to_string(d[12]) + " (level " + FormatF(d[12] / 30.0, 1) + ")");
    listing.Add("Min Spatial Segmentation IDC", std::to_string(Get16(d + 13, true) & 0xfff));
    listing.Add("Parallelism Type", std::to_string(d[15] & 3));
    listing.Add("Chroma Format", NameOf(chroma, d[16] & 3));
    listing.Add("Bit Depth Luma", std::to_string((d[17] & 7) + 8));
    listing.Add("Bit Depth Chroma", std::to_string((d[18] & 7) + 8));
    // Frames per 256 seconds.
    listing.Add("Average Frame Rate", FormatG(Get16(d + 19, true) / 256.0, 15));
    listing.Add("Constant Frame Rate", NameOf(constant, d[21] >> 6));
    listing.Add("Num Temporal Layers", std::to_string((d[21] >> 3) & 7));
    listing.Add("Temporal ID Nested", d[21] & 4 ? "Yes" : "No");
}

void Av1Configuration(const uint8_t* d, size_t n, Listing& listing)
{
    if (n < 4)
        return;
    // Monochrome, horizontal and vertical subsampling as one number.
    static const Name chroma[] = {
            {0, "YUV 4:4:4"}, {2, "YUV 4:2:2"}, {3, "YUV 4:2:0"}, {7, "Monochrome 4:0:0"}};
    static const Name positions[] = {{0, "Unknown"}, {1, "Vertical"}, {2, "Colocated"}, {3, "(reserved)"}};
    listing.Add("AV1 Configuration Version", std::to_string(d[0] & 0x7f));
    listing.Add("Chroma Format", NameOf(chroma, (d[2] >> 2) & 7));
    listing.Add("Chroma Sample Position", NameOf(positions, d[2] & 3));
}

const Name kPrimaries[] = {
        {1, "BT.709"},
        {2, "Unspecified"},
        {4, "BT.470 System M (historical)"},
        {5, "BT.470 System B, G (historical)"},
        {6, "BT.601"},
        {7, "SMPTE 240"},
        {8, "Generic film (color filters using illuminant C)"},
        {9, "BT.2020, BT.2100"},
        {10, "SMPTE 428 (CIE 1921 XYZ)"},
        {11, "SMPTE RP 431-2"},
        {12, "SMPTE EG 432-1"},
        {22, "EBU Tech. 3213-E"},
};

const Name kTransfer[] = {
        {0, "For future use (0)"},
        {1, "BT.709"},
        {2, "Unspecified"},
        {3, "For future use (3)"},
        {4, "BT.470 System M (historical)"},
        {5, "BT.470 System B, G (historical)"},
        {6, "BT.601"},
        {7, "SMPTE 240 M"},
        {8, "Linear"},
        {9, "Logarithmic (100 : 1 range)"},
        {10, "Logarithmic (100 * Sqrt(10) : 1 range)"},
        {11, "IEC 61966-2-4"},
        {12, "BT.1361"},
        {13, "sRGB or sYCC"},
        {14, "BT.2020 10-bit systems"},
        {15, "BT.2020 12-bit systems"},
        {16, "SMPTE ST 2084, ITU BT.2100 PQ"},
        {17, "SMPTE ST 428"},
        {18, "BT.2100 HLG, ARIB STD-B67"},
};

const Name kMatrix[] = {
        {0, "Identity matrix"},
        {1, "BT.709"},
        {2, "Unspecified"},
        {3, "For future use (3)"},
        {4, "US FCC 73.628"},
        {5, "BT.470 System B, G (historical)"},
        {6, "BT.601"},
        {7, "SMPTE 240 M"},
        {8, "YCgCo"},
        {9, "BT.2020 non-constant luminance, BT.2100 YCbCr"},
        {10, "BT.2020 constant luminance"},
        {11, "SMPTE ST 2085 YDzDx"},
        {12, "Chromaticity-derived non-constant luminance"},
        {13, "Chromaticity-derived constant luminance"},
        {14, "BT.2100 ICtCp"},
};

// Colour information: the coded (nclx) form; the ICC profile form is read in place by the ICC reader.
void ColourInformation(const uint8_t* d, size_t n, Listing& listing)
{
    if (n < 10 || std::memcmp(d, "nclx", 4) != 0)
        return;
    listing.Add("Color Profiles", "nclx");
    listing.Add("Color Primaries", NameOf(kPrimaries, Get16(d + 4, true)));
    listing.Add("Transfer Characteristics", NameOf(kTransfer, Get16(d + 6, true)));
    listing.Add("Matrix Coefficients", NameOf(kMatrix, Get16(d + 8, true)));
}

// Clean aperture: width, height and the two offsets, each a fraction; the offsets are signed.
void CleanAperture(const uint8_t* d, size_t n, Listing& listing)
{
    if (n < 32)
        return;
    std::string text;
    for (int i = 0; i < 4; ++i) {
        uint32_t num = Get32(d + 8 * i, true), den = Get32(d + 8 * i + 4, true);
        if (den == 0)
            return;
        double value = i < 2 ? double(num) / den : double(int32_t(num)) / den;
        text += (i ? " " : "") + FormatG(value, 15);
    }
    listing.Add("Clean Aperture", text);
}

}  // namespace

void ListItemProperty(const std::string& type, const uint8_t* d, size_t n, Listing& listing)
{
    if (type == "hvcC") {
        HevcConfiguration(d, n, listing);
    } else if (type == "av1C") {
        Av1Configuration(d, n, listing);
    } else if (type == "ispe" && n >= 12) {
        std::string w = std::to_string(Get32(d + 4, true)), h = std::to_string(Get32(d + 8, true));
        listing.Add("Image Width", w);
        listing.Add("Image Height", h);
        listing.Add("Image Spatial Extent", w + "x" + h);
    } else if (type == "irot" && n >= 1) {
        listing.Add("Rotation", std::to_string((d[0] & 3) * 90));
    } else if (type == "pixi" && n >= 5) {
        // Version and flags, a channel count, one bit depth per channel.
        size_t channels = d[4];
        if (channels == 0 || n < 5 + channels)
            return;
        std::string text;
        for (size_t i = 0; i < channels; ++i)
            text += (i ? " " : "") + std::to_string(d[5 + i]);
        listing.Add("Image Pixel Depth", text);
    } else if (type == "colr") {
        ColourInformation(d, n, listing);
    } else if (type == "pasp" && n >= 8) {
        listing.Add("Pixel Aspect Ratio",
                    std::to_string(Get32(d, true)) + " " + std::to_string(Get32(d + 4, true)));
    } else if (type == "clap") {
        CleanAperture(d, n, listing);
    } else if (type == "auxC" && n > 4) {
        // Version and flags, then the type's URN up to its terminating zero.
        const char* text = reinterpret_cast<const char*>(d + 4);
        listing.Add("Auxiliary Image Type", std::string(text, strnlen(text, n - 4)));
    }
}

}  // namespace metaprobe
