#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "metaprobe/FileInfo.h"
#include "metaprobe/IccReader.h"
#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/IccSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/RawSamples.h"
#include "tests/support/TiffBuilder.h"

namespace icc = qmtest::icc;

namespace {

qmtest::IccProfile CopyrightProfile()
{
    qmtest::IccProfile profile;
    profile.Tag("cprt", icc::Text("Copyright 2001")).Tag("desc", icc::Description("sRGB"));
    return profile;
}

metaprobe::Listing ListProfile(const std::vector<uint8_t>& bytes, bool* read = nullptr)
{
    metaprobe::MemorySource source(bytes.data(), bytes.size());
    metaprobe::Listing listing;
    bool ok = metaprobe::ReadIccProfile(source, listing);
    if (read)
        *read = ok;
    return listing;
}

std::vector<uint8_t> JpegWith(const std::vector<std::vector<uint8_t>>& segments)
{
    qmtest::JpegBuilder jpeg;
    jpeg.Soi();
    for (const auto& segment : segments)
        jpeg.Segment(0xE2, segment);
    return jpeg.Frame(8, 8).Scan().Eoi().Bytes();
}

void Put32At(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = uint8_t(value >> (24 - 8 * i));
}

// A source of `size` bytes: `head`, then zeros, none of them stored.
class ZeroSource : public metaprobe::ByteSource {
public:
    ZeroSource(std::vector<uint8_t> head, uint64_t size) : head_(std::move(head)), size_(size) { }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* out, size_t count) override
    {
        if (!Contains(offset, count))
            return false;
        auto* bytes = static_cast<uint8_t*>(out);
        for (size_t i = 0; i < count; ++i)
            bytes[i] = offset + i < head_.size() ? head_[size_t(offset + i)] : 0;
        return true;
    }

private:
    std::vector<uint8_t> head_;
    uint64_t size_;
};

TEST(MetaprobeIcc, HeaderFields)
{
    qmtest::IccProfile profile;
    qmtest::IccHeader& h = profile.header;
    h.cmm = "appl";
    h.major = 4;
    h.minor = 0x31;
    h.deviceClass = "prtr";
    h.colorSpace = "CMYK";
    h.connectionSpace = "Lab ";
    h.date = {2009, 2, 25, 11, 26, 1};
    h.platform = "SGI ";
    h.flags = 3;
    h.manufacturer = "zzzz";
    h.model = "ab";
    h.attributes = 10;
    h.intent = 2;
    h.illuminant = {0.9642, 1, -0.82491};
    h.creator = "";
    h.id = {0xDE, 0xAD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0F};
    bool read = false;
    metaprobe::Listing listing = ListProfile(profile.Bytes(), &read);
    EXPECT_TRUE(read);
    EXPECT_EQ(listing.Value("Profile CMM Type"), "Apple Computer Inc.");
    EXPECT_EQ(listing.Value("Profile Version"), "4.3.1");
    EXPECT_EQ(listing.Value("Profile Class"), "Output Device Profile");
    EXPECT_EQ(listing.Value("Color Space Data"), "CMYK");
    EXPECT_EQ(listing.Value("Profile Connection Space"), "Lab");
    EXPECT_EQ(listing.Value("Profile Date Time"), "2009:02:25 11:26:01");
    EXPECT_EQ(listing.Value("Profile File Signature"), "acsp");
    EXPECT_EQ(listing.Value("Primary Platform"), "Silicon Graphics Inc.");
    EXPECT_EQ(listing.Value("CMM Flags"), "Embedded, Not Independent");
    EXPECT_EQ(listing.Value("Device Manufacturer"), "Unknown (zzzz)");
    EXPECT_EQ(listing.Value("Device Model"), "ab");
    EXPECT_EQ(listing.Value("Device Attributes"), "Reflective, Matte, Positive, B&W");
    EXPECT_EQ(listing.Value("Rendering Intent"), "Saturation");
    EXPECT_EQ(listing.Value("Connection Space Illuminant"), "0.9642 1 -0.82491");
    EXPECT_TRUE(listing.Has("Profile Creator"));
    EXPECT_EQ(listing.Value("Profile Creator"), "");
    EXPECT_EQ(listing.Value("Profile ID"), "dead000000000000000000000000000f");

    h = {};
    h.platform = "";
    h.intent = 9;
    listing = ListProfile(profile.Bytes());
    EXPECT_EQ(listing.Value("Profile CMM Type"), "Adobe Systems Inc.");
    EXPECT_EQ(listing.Value("Primary Platform"), "Unknown ()");
    EXPECT_EQ(listing.Value("CMM Flags"), "Not Embedded, Independent");
    EXPECT_EQ(listing.Value("Device Attributes"), "Reflective, Glossy, Positive, Color");
    EXPECT_EQ(listing.Value("Rendering Intent"), "Unknown (9)");
    EXPECT_EQ(listing.Value("Profile ID"), "0");
}

TEST(MetaprobeIcc, TextOfEveryType)
{
    qmtest::IccProfile profile;
    profile.Tag("cprt", icc::Text(std::string("Copyright  \0hidden", 18)))
            .Tag("desc", icc::Description("Described ", u"Not this"))
            .Tag("dmnd", icc::Description(""))
            .Tag("dscm", icc::MultiLocalized({{"de", "DE", u"Deutsch"},
                                              {"en", "US", u"English \U0001F600"},
                                              {"fr", std::string(2, '\0'), u"Fran\u00e7ais"},
                                              {"ja", "JP", std::u16string(1, char16_t(0xD800)) + u"x"}}));
    metaprobe::Listing listing = ListProfile(profile.Bytes());
    EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright");
    EXPECT_EQ(listing.Value("Profile Description"), "Described");
    EXPECT_TRUE(listing.Has("Device Mfg Desc"));
    EXPECT_EQ(listing.Value("Device Mfg Desc"), "");
    EXPECT_EQ(listing.Value("Profile Description ML (de-DE)"), "Deutsch");
    // Strings without a language or a country list under the plain name, the last one winning.
    EXPECT_EQ(listing.Value("Profile Description ML"), "Fran\xC3\xA7"
                                                       "ais");
    EXPECT_EQ(listing.Value("Profile Description ML (ja-JP)"), "\xEF\xBF\xBDx");
    EXPECT_FALSE(listing.Has("Profile Description ML (en-US)"));

    // An "en-US" string alone lists under the plain name, a 4-byte character intact.
    profile = {};
    profile.Tag("dscm", icc::MultiLocalized({{"en", "US", u"English \U0001F600"}}));
    EXPECT_EQ(ListProfile(profile.Bytes()).Value("Profile Description ML"), "English \xF0\x9F\x98\x80");
}

TEST(MetaprobeIcc, LyingTextSizesStayInsideTheTag)
{
    // A description whose count reaches past its tag: the text ends with the tag.
    std::vector<uint8_t> desc = icc::Description("Short");
    Put32At(desc, 8, 100000);
    desc.resize(12 + 3);
    // A localized tag claiming a billion records, one of them pointing outside the tag, one
    // holding a string longer than the tag.
    std::vector<uint8_t> mluc =
            icc::MultiLocalized({{"de", "DE", u"Gut"}, {"it", "IT", u"Fuori"}, {"es", "ES", u"Largo"}});
    Put32At(mluc, 8, 1000000000);
    Put32At(mluc, 16 + 12 + 8, 0x7FFFFFF0);
    Put32At(mluc, 16 + 24 + 4, 0x7FFFFFF0);
    // A localized tag whose records are said to be smaller than a record.
    std::vector<uint8_t> small = icc::MultiLocalized({{"de", "DE", u"Gut"}});
    Put32At(small, 12, 4);
    qmtest::IccProfile profile;
    profile.Tag("desc", desc).Tag("dscm", mluc).Tag("cprt", small);
    metaprobe::Listing listing = ListProfile(profile.Bytes());
    EXPECT_EQ(listing.Value("Profile Description"), "Sho");
    EXPECT_EQ(listing.Value("Profile Description ML (de-DE)"), "Gut");
    EXPECT_FALSE(listing.Has("Profile Description ML (it-IT)"));
    EXPECT_FALSE(listing.Has("Profile Description ML (es-ES)"));
    EXPECT_FALSE(listing.Has("Profile Copyright"));
    EXPECT_FALSE(listing.Has("Profile Copyright (de-DE)"));
}

TEST(MetaprobeIcc, NumbersCurvesAndConditions)
{
    qmtest::IccProfile profile;
    profile.Tag("wtpt", icc::Xyz({0.95045, 1, 1.08905}))
            .Tag("bkpt", icc::Xyz({0.00003, -0.000001, -1.0 / 3}))
            .Tag("bXYZ", icc::Xyz({1, 2, 3, 4, 5, 6.5}))
            .Tag("lumi", icc::Xyz({76.03647, 80, 32767.9}))
            .Tag("chad", icc::Fixed({1.04788, 0.02292, -0.0502}))
            .Tag("tech", icc::Signature("CRT "))
            .Tag("meas", icc::Measurement(1, {0, 0, 0}, 2, 0.01, 8))
            .Tag("view", icc::Viewing({19.6445, 20.3718, 16.8089}, {1, 2, 3}, 12))
            .Tag("rTRC", icc::Curve(1024))
            .Tag("kTRC", icc::Curve(1));
    metaprobe::Listing listing = ListProfile(profile.Bytes());
    EXPECT_EQ(listing.Value("Media White Point"), "0.95045 1 1.08905");
    // Rounded to five decimals: 2/65536 is "3e-05"; a value that rounds to zero has no sign.
    EXPECT_EQ(listing.Value("Media Black Point"), "3e-05 0 -0.33333");
    EXPECT_EQ(listing.Value("Blue Matrix Column"), "1 2 3, 4 5 6.5");
    EXPECT_EQ(listing.Value("Luminance"), "76.03647 80 32767.89999");
    EXPECT_EQ(listing.Value("Chromatic Adaptation"), "1.04788 0.02292 -0.0502");
    EXPECT_EQ(listing.Value("Technology"), "Cathode Ray Tube Display");
    EXPECT_EQ(listing.Value("Measurement Observer"), "CIE 1931");
    EXPECT_EQ(listing.Value("Measurement Backing"), "0 0 0");
    EXPECT_EQ(listing.Value("Measurement Geometry"), "0/d or d/0");
    EXPECT_EQ(listing.Value("Measurement Flare"), "0.999%");
    EXPECT_EQ(listing.Value("Measurement Illuminant"), "F8");
    EXPECT_EQ(listing.Value("Viewing Cond Illuminant"), "19.6445 20.3718 16.8089");
    EXPECT_EQ(listing.Value("Viewing Cond Surround"), "1 2 3");
    EXPECT_EQ(listing.Value("Viewing Cond Illuminant Type"), "Unknown (12)");
    EXPECT_EQ(listing.Value("Red Tone Reproduction Curve"),
              "(Binary data 2060 bytes, use -b option to extract)");
    EXPECT_EQ(listing.Value("Gray Tone Reproduction Curve"),
              "(Binary data 14 bytes, use -b option to extract)");

    // A tag stored as a type it is not written in, or too short for its type, is left out.
    std::vector<uint8_t> shortPoint = icc::Xyz({1, 1, 1});
    shortPoint.resize(16);
    profile = {};
    profile.Tag("lumi", icc::Text("80"))
            .Tag("wtpt", shortPoint)
            .Tag("meas", icc::Xyz({1, 2, 3}))
            .Tag("rTRC", icc::Text("curve"))
            .Tag("tech", icc::Signature("zzzz"));
    listing = ListProfile(profile.Bytes());
    EXPECT_FALSE(listing.Has("Luminance"));
    EXPECT_FALSE(listing.Has("Media White Point"));
    EXPECT_FALSE(listing.Has("Measurement Observer"));
    EXPECT_FALSE(listing.Has("Red Tone Reproduction Curve"));
    EXPECT_EQ(listing.Value("Technology"), "Unknown (zzzz)");
}

TEST(MetaprobeIcc, ChromaticityColorantsDatesAndSignatures)
{
    qmtest::IccProfile profile;
    profile.Tag("chrm",
                icc::Chromaticity(1, {{0.64, 0.33}, {0.3, 0.6}, {0.15, 0.06}, {0.1, 0.2}, {0.5, 0.5}}))
            .Tag("clrt", icc::Colorants({{"Cyan  ", {1, 2, 3}},
                                         {"Magenta", {4, 5, 6}},
                                         {std::string(40, 'Y'), {7, 8, 65535}},
                                         {"Black", {0, 0, 0}}}))
            .Tag("calt", icc::DateTime({2020, 1, 2, 3, 4, 5}))
            .Tag("rig0", icc::Signature("prmg"))
            .Tag("rig2", icc::Signature("abcd"))
            .Tag("ciis", icc::Signature("scoe"))
            .Tag("vcgt", icc::Typed("vcgt", std::vector<uint8_t>(40, 1)))
            .Tag("ncl2", icc::Text("not binary"));
    metaprobe::Listing listing = ListProfile(profile.Bytes());
    EXPECT_EQ(listing.Value("Chromaticity Channels"), "5");
    EXPECT_EQ(listing.Value("Chromaticity Colorant"), "ITU-R BT.709");
    EXPECT_EQ(listing.Value("Chromaticity Channel 1"), "0.64 0.33");
    EXPECT_EQ(listing.Value("Chromaticity Channel 4"), "0.10001 0.2");  // 6554/65536 and 13107/65536
    EXPECT_FALSE(listing.Has("Chromaticity Channel 5"));
    EXPECT_EQ(listing.Value("Colorant Count"), "4");
    EXPECT_EQ(listing.Value("Colorant 1 Name"), "Cyan");
    EXPECT_EQ(listing.Value("Colorant 2 Coordinates"), "4 5 6");
    EXPECT_EQ(listing.Value("Colorant 3 Name"), std::string(32, 'Y'));
    EXPECT_EQ(listing.Value("Colorant 3 Coordinates"), "7 8 65535");
    EXPECT_FALSE(listing.Has("Colorant 4 Name"));
    EXPECT_EQ(listing.Value("Calibration Date Time"), "2020:01:02 03:04:05");
    EXPECT_EQ(listing.Value("Perceptual Rendering Intent Gamut"), "Perceptual Reference Medium Gamut");
    EXPECT_EQ(listing.Value("Saturation Rendering Intent Gamut"), "Unknown (abcd)");
    EXPECT_EQ(listing.Value("Colorimetric Intent Image State"), "scoe");
    EXPECT_EQ(listing.Value("Video Card Gamma"), "(Binary data 48 bytes, use -b option to extract)");
    EXPECT_FALSE(listing.Has("Named Color 2"));

    // Counts larger than the data: what is there is listed.
    std::vector<uint8_t> chrm = icc::Chromaticity(9, {{0.25, 0.5}, {0.5, 0.25}});
    chrm[9] = 4;
    std::vector<uint8_t> clrt = icc::Colorants({{"One", {1, 1, 1}}});
    Put32At(clrt, 8, 0xFFFFFFFF);
    profile = {};
    profile.Tag("chrm", chrm).Tag("clrt", clrt);
    listing = ListProfile(profile.Bytes());
    EXPECT_EQ(listing.Value("Chromaticity Channels"), "4");
    EXPECT_EQ(listing.Value("Chromaticity Colorant"), "Unknown (9)");
    EXPECT_EQ(listing.Value("Chromaticity Channel 2"), "0.5 0.25");
    EXPECT_FALSE(listing.Has("Chromaticity Channel 3"));
    EXPECT_EQ(listing.Value("Colorant Count"), "4294967295");
    EXPECT_EQ(listing.Value("Colorant 1 Name"), "One");
    EXPECT_FALSE(listing.Has("Colorant 2 Name"));
}

TEST(MetaprobeIcc, TruncatedAndLyingProfiles)
{
    std::vector<uint8_t> bytes = CopyrightProfile().Bytes();
    bool read = true;
    metaprobe::Listing listing = ListProfile(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 127), &read);
    EXPECT_FALSE(read);
    EXPECT_TRUE(listing.Fields().empty());

    // The header alone: its fields, no tags.
    listing = ListProfile(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 128), &read);
    EXPECT_TRUE(read);
    EXPECT_EQ(listing.Value("Profile Class"), "Display Device Profile");
    EXPECT_FALSE(listing.Has("Profile Copyright"));

    // Cut inside the second tag's data: the first tag is still read.
    listing = ListProfile(std::vector<uint8_t>(bytes.begin(), bytes.end() - 4));
    EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
    EXPECT_FALSE(listing.Has("Profile Description"));

    // A profile size smaller than the data: tags past it are not read.
    std::vector<uint8_t> shrunk = bytes;
    Put32At(shrunk, 0, uint32_t(bytes.size() - 4));
    listing = ListProfile(shrunk);
    EXPECT_TRUE(listing.Has("Profile Copyright"));
    EXPECT_FALSE(listing.Has("Profile Description"));

    // A first tag whose offset and a second whose size reach past the end; a third too short
    // for a type.
    qmtest::IccProfile profile = CopyrightProfile();
    profile.Tag("dmnd", icc::Text("Maker")).Tag("dmdd", {'t', 'e', 'x'});
    std::vector<uint8_t> lying = profile.Bytes();
    Put32At(lying, 132 + 4, 0xFFFFFFF0);
    Put32At(lying, 132 + 12 + 8, 0x7FFFFFFF);
    listing = ListProfile(lying);
    EXPECT_FALSE(listing.Has("Profile Copyright"));
    EXPECT_FALSE(listing.Has("Profile Description"));
    EXPECT_EQ(listing.Value("Device Mfg Desc"), "Maker");
    EXPECT_FALSE(listing.Has("Device Model Desc"));
}

TEST(MetaprobeIcc, HugeProfileIsReadInSmallPieces)
{
    // A profile said to be 4 GB with four billion tags, inside an 8 GB source of zeros: only
    // the header and the first entries of the tag table are read.
    std::vector<uint8_t> head = CopyrightProfile().Bytes();
    Put32At(head, 0, 0xFFFFFFFF);
    Put32At(head, 128, 0xFFFFFFFF);
    ZeroSource zeros(head, 8ull << 30);
    CountingSource counting(zeros);
    metaprobe::Listing listing;
    EXPECT_TRUE(metaprobe::ReadIccProfile(counting, listing));
    EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
    EXPECT_LE(counting.reads, 2 + 2 * metaprobe::IccLimits::kMaxTags);
    EXPECT_LT(counting.bytes, 8192u);

    // A tag of 1 GB is listed when it is a curve, by size, and not read when it holds text.
    qmtest::IccProfile profile;
    profile.Tag("rTRC", icc::Curve(4)).Tag("cprt", icc::Text("big"));
    head = profile.Bytes();
    Put32At(head, 132 + 8, 1u << 30);
    Put32At(head, 132 + 12 + 8, 1u << 30);
    Put32At(head, 0, 0xFFFFFFFF);
    ZeroSource large(head, 8ull << 30);
    CountingSource countingLarge(large);
    metaprobe::Listing big;
    EXPECT_TRUE(metaprobe::ReadIccProfile(countingLarge, big));
    EXPECT_EQ(big.Value("Red Tone Reproduction Curve"),
              "(Binary data 1073741824 bytes, use -b option to extract)");
    EXPECT_FALSE(big.Has("Profile Copyright"));
    EXPECT_LT(countingLarge.bytes, 1024u);

    // Many text tags of the largest size read: reading stops at the budget for tag data.
    qmtest::IccProfile many;
    const std::string text(metaprobe::IccLimits::kMaxTagBytes - 9, 'x');
    const unsigned tags =
            unsigned(metaprobe::IccLimits::kMaxDataBytes / metaprobe::IccLimits::kMaxTagBytes) + 4;
    for (unsigned i = 0; i < tags; ++i)
        many.Tag(i + 1 == tags ? "cprt" : "targ", icc::Text(text));
    head = many.Bytes();
    Put32At(head, 0, 0xFFFFFFFF);
    ZeroSource manyTags(head, 8ull << 30);
    CountingSource countingMany(manyTags);
    metaprobe::Listing listed;
    EXPECT_TRUE(metaprobe::ReadIccProfile(countingMany, listed));
    EXPECT_EQ(listed.Value("Char Target"), text);
    EXPECT_FALSE(listed.Has("Profile Copyright"));
    EXPECT_LE(countingMany.bytes, metaprobe::IccLimits::kMaxDataBytes + 8192);
}

TEST(MetaprobeIcc, JpegPiecesAreJoinedInTheirOrder)
{
    std::vector<uint8_t> profile = CopyrightProfile().Bytes();
    auto pieces = qmtest::IccSegments(profile, 3);
    // Stored out of order, read in the order of their numbers.
    metaprobe::Listing listing = ProbeBytes(JpegWith({pieces[2], pieces[0], pieces[1]}));
    EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
    EXPECT_EQ(listing.Value("Profile Description"), "sRGB");
    EXPECT_EQ(listing.Value("Image Width"), "8");

    auto renumbered = [&pieces](size_t index, uint8_t number, uint8_t total) {
        std::vector<uint8_t> piece = pieces[index];
        piece[12] = number;
        piece[13] = total;
        return piece;
    };
    const std::vector<std::vector<uint8_t>> faults[] = {
            {pieces[0], pieces[2]},  // one missing
            {pieces[0], pieces[1], pieces[1], pieces[2]},  // one twice
            {renumbered(0, 0, 3), pieces[1], pieces[2]},  // numbered 0
            {pieces[0], pieces[1], renumbered(2, 4, 3)},  // numbered beyond the count
            {pieces[0], pieces[1], renumbered(2, 3, 4)},  // a different count
            {renumbered(0, 1, 0)},  // a count of 0
    };
    for (const auto& segments : faults) {
        listing = ProbeBytes(JpegWith(segments));
        EXPECT_FALSE(listing.Has("Profile Copyright"));
        EXPECT_FALSE(listing.Has("Profile CMM Type"));
        EXPECT_EQ(listing.Value("Image Width"), "8");
        EXPECT_FALSE(listing.Has("Error"));
    }
    // A file cut inside the profile's last tag: what is there is read.
    std::vector<uint8_t> cut = JpegWith({qmtest::IccSegments(profile, 1)[0]});
    cut.resize(2 + 4 + 14 + profile.size() - 4);
    listing = ProbeBytes(cut);
    EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
    EXPECT_FALSE(listing.Has("Profile Description"));
    // A segment with the identifier and no piece after it, and one of another kind, are ignored.
    std::vector<uint8_t> empty(pieces[0].begin(), pieces[0].begin() + 14);
    listing = ProbeBytes(JpegWith({empty, {'F', 'P', 'X', 'R', 0}, qmtest::IccSegments(profile, 1)[0]}));
    EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
}

TEST(MetaprobeIcc, ProfileInEveryContainer)
{
    std::vector<uint8_t> profile = CopyrightProfile().Bytes();
    for (auto order : {qmtest::ByteOrder::Intel, qmtest::ByteOrder::Motorola}) {
        qmtest::Ifd ifd0;
        ifd0.Ascii(0x010F, "Maker").Undefined(0x8773, profile);
        qmtest::TiffOptions options;
        options.order = order;
        std::vector<uint8_t> tiff = qmtest::BuildTiff(ifd0, options);
        metaprobe::Listing listing = ProbeBytes(tiff);
        EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
        EXPECT_EQ(listing.Value("Make"), "Maker");
        // A profile in the GPS directory is not one.
        qmtest::Ifd gps;
        gps.Undefined(0x8773, profile);
        qmtest::Ifd withGps;
        withGps.Ascii(0x010F, "Maker").Sub(0x8825, gps);
        EXPECT_FALSE(ProbeBytes(qmtest::BuildTiff(withGps, options)).Has("Profile Copyright"));

        std::vector<uint8_t> small = qmtest::BuildTiff(qmtest::Ifd().Ascii(0x010F, "Maker"), options);
        listing = ProbeBytes(qmtest::BuildPsd(small, {}, profile));
        EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
        EXPECT_EQ(listing.Value("Make"), "Maker");
        listing = ProbeBytes(qmtest::BuildWebp(small, "", profile));
        EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
        EXPECT_EQ(listing.Value("WebP Flags"), "EXIF, ICC Profile");
    }
}

TEST(MetaprobeIcc, ProfileBeyondFourGigabytesOfATiffFile)
{
    // A TIFF file whose profile lies past a 4 GB hole (sparse on disk).
    const uint64_t gap = 4000000000ull;
    std::vector<uint8_t> profile = CopyrightProfile().Bytes();
    std::vector<uint8_t> head = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x73, 0x87, 7, 0};
    const uint32_t count = uint32_t(profile.size()), offset = uint32_t(26 + gap);
    for (uint32_t value : {count, offset, 0u})
        for (int shift = 0; shift < 32; shift += 8)
            head.push_back(uint8_t(value >> shift));
    const std::string path = testing::TempDir() + "metaprobe_icc_large.tif";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    bool written = std::fwrite(head.data(), 1, head.size(), file) == head.size() && SeekTo(file, offset) &&
                   std::fwrite(profile.data(), 1, profile.size(), file) == profile.size();
    ASSERT_EQ(std::fclose(file), 0);
    ASSERT_TRUE(written);
    std::unique_ptr<metaprobe::FileSource> source = metaprobe::FileSource::Open(path);
    ASSERT_NE(source, nullptr);
    CountingSource counting(*source);
    metaprobe::Listing listing;
    metaprobe::ProbeSource(counting, listing);
    source.reset();
    std::remove(path.c_str());
    EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2001");
    EXPECT_LT(counting.bytes, 16384u);
}

}  // namespace
