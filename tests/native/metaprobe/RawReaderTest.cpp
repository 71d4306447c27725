// The readers of WebP, JPEG XL, Photoshop, Fujifilm RAF, Minolta MRW, Sigma X3F and Canon CRW
// files, on files built here.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "metaprobe/ByteSource.h"
#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/RawSamples.h"
#include "tests/support/TiffBuilder.h"

using qmtest::ByteOrder;
using qmtest::Ifd;

namespace {

// A picture's TIFF block: IFD0 with make, orientation and modify date, the Exif directory with
// the capture date, IFD1 with a different orientation (which must not win).
std::vector<uint8_t> CameraTiff(ByteOrder order, uint16_t orientation = 6)
{
    Ifd exif;
    exif.Ascii(0x9003, "2018:07:06 05:04:03").Ascii(0x9004, "2018:07:06 05:04:04").Rational(0x829A, 1, 125);
    Ifd ifd1;
    ifd1.Short(0x0112, 8).Short(0x0103, 6);
    Ifd ifd0;
    ifd0.Ascii(0x010F, "Maker")
            .Ascii(0x0110, "Camera")
            .Short(0x0112, orientation)
            .Ascii(0x0132, "2018:07:07 00:00:00")
            .Sub(0x8769, exif)
            .Next(ifd1);
    return qmtest::BuildTiff(ifd0, {order});
}

void ExpectCameraFields(const metaprobe::Listing& listing, const char* type)
{
    EXPECT_EQ(listing.Value("File Type"), type);
    EXPECT_EQ(listing.Value("Make"), "Maker") << type;
    EXPECT_EQ(listing.Value("Orientation"), "Rotate 90 CW") << type;
    EXPECT_EQ(listing.Value("Date/Time Original"), "2018:07:06 05:04:03") << type;
    EXPECT_EQ(listing.Value("Create Date"), "2018:07:06 05:04:04") << type;
    EXPECT_EQ(listing.Value("Modify Date"), "2018:07:07 00:00:00") << type;
    EXPECT_FALSE(listing.Has("Error")) << type << ": " << listing.Value("Error");
}

const std::string kXmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description rdf:about='' "
                         "xmp:CreateDate='2011-01-01T01:01:01' photoshop:DateCreated='2011-01-02'/></rdf:RDF>"
                         "</x:xmpmeta>";

TEST(MetaprobeWebp, ExifAndXmpChunksInBothByteOrders)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildWebp(CameraTiff(order), kXmp));
        ExpectCameraFields(listing, "Extended WEBP");
        EXPECT_EQ(listing.Value("MIME Type"), "image/webp");
        EXPECT_EQ(listing.Value("WebP Flags"), "XMP, EXIF");
        EXPECT_EQ(listing.Value("Image Width"), "1");
        EXPECT_EQ(listing.Value("VP8 Version"), "2 (bilinear reconstruction, no loop)");
        EXPECT_EQ(listing.Value("Date Created"), "2011:01:02");  // only in the XMP packet
    }
    // Without metadata chunks: the image lines only.
    metaprobe::Listing bare = ProbeBytes(qmtest::BuildWebp({}, ""));
    EXPECT_EQ(bare.Value("WebP Flags"), "(none)");
    EXPECT_FALSE(bare.Has("Date/Time Original"));
}

TEST(MetaprobeWebp, ChunkBeyondTheFileIsNotRead)
{
    std::vector<uint8_t> webp = qmtest::BuildWebp(CameraTiff(ByteOrder::Intel), "");
    webp.erase(webp.end() - 20, webp.end());  // the EXIF chunk is cut short
    metaprobe::Listing listing = ProbeBytes(webp);
    EXPECT_EQ(listing.Value("File Type"), "Extended WEBP");
    EXPECT_FALSE(listing.Has("Date/Time Original"));
}

TEST(MetaprobeJxl, ContainerExifAndXmlBoxes)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildJxl(CameraTiff(order), kXmp));
        ExpectCameraFields(listing, "JXL");
        EXPECT_EQ(listing.Value("Image Width"), "200");
        EXPECT_EQ(listing.Value("Image Height"), "130");
        EXPECT_EQ(listing.Value("Image Size"), "200x130");
    }
    // A bare codestream: the size only.
    const std::vector<uint8_t> code = {0xFF, 0x0A, 0x08, 0x04, 0x8E, 0x81, 0x3C};
    metaprobe::Listing bare = ProbeBytes(code);
    EXPECT_EQ(bare.Value("File Type"), "JXL Codestream");
    EXPECT_EQ(bare.Value("Image Width"), "200");
    // Cut inside the size header: no size at all.
    metaprobe::Listing cut = ProbeBytes({0xFF, 0x0A, 0x08});
    EXPECT_EQ(cut.Value("File Type"), "JXL Codestream");
    EXPECT_FALSE(cut.Has("Image Width"));
}

TEST(MetaprobePsd, ResourcesExifIptcAndXmp)
{
    std::vector<uint8_t> iptc = qmtest::IptcDataset(2, 0, std::string("\0\4", 2));
    for (const auto& part : {qmtest::IptcDataset(2, 55, "20050718"),
                             qmtest::IptcDataset(2, 60, "082714+0200"), qmtest::IptcDataset(2, 80, "Ann"),
                             qmtest::IptcDataset(2, 80, "Bob"), qmtest::IptcDataset(2, 120, "Caf\xe9")})
        iptc.insert(iptc.end(), part.begin(), part.end());
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildPsd(CameraTiff(order), iptc));
        ExpectCameraFields(listing, "PSD");
        EXPECT_EQ(listing.Value("Color Mode"), "RGB");
        EXPECT_EQ(listing.Value("Image Width"), "8");
        EXPECT_EQ(listing.Value("Displayed Units X"), "inches");
        EXPECT_EQ(listing.Value("Compression"), "Uncompressed");  // the image's, not the thumbnail's
        EXPECT_EQ(listing.Value("Application Record Version"), "4");
        EXPECT_EQ(listing.Value("Date Created"), "2005:07:18");
        EXPECT_EQ(listing.Value("Time Created"), "08:27:14+02:00");
        EXPECT_EQ(listing.Value("Date/Time Created"), "2005:07:18 08:27:14+02:00");
        EXPECT_EQ(listing.Value("By-line"), "Ann, Bob");
        EXPECT_EQ(listing.Value("Caption-Abstract"), "Caf\xc3\xa9");
    }
    // An IPTC dataset longer than its block ends the walk without reading past it.
    std::vector<uint8_t> broken = qmtest::IptcDataset(2, 55, "20050718");
    broken[4] = 0x40;
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildPsd(CameraTiff(ByteOrder::Intel), broken));
    EXPECT_FALSE(listing.Has("Date Created"));
    EXPECT_EQ(listing.Value("Date/Time Original"), "2018:07:06 05:04:03");
}

TEST(MetaprobeRaf, PreviewExif)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        Ifd exif;
        exif.Ascii(0x9003, "2018:07:06 05:04:03").Ascii(0x9004, "2018:07:06 05:04:04");
        Ifd ifd0;
        ifd0.Ascii(0x010F, "Maker").Short(0x0112, 6).Ascii(0x0132, "2018:07:07 00:00:00").Sub(0x8769, exif);
        metaprobe::Listing listing =
                ProbeBytes(qmtest::BuildRaf("FinePix", qmtest::MinimalJpeg(ifd0, order)));
        ExpectCameraFields(listing, "RAF");
        EXPECT_EQ(listing.Value("RAF Version"), "0100");
    }
    // A preview that lies beyond the end of the file is not read.
    std::vector<uint8_t> raf = qmtest::BuildRaf("FinePix", qmtest::MinimalJpeg(Ifd().Short(0x0112, 3)));
    raf[84] = 0x7F;
    metaprobe::Listing listing = ProbeBytes(raf);
    EXPECT_EQ(listing.Value("File Type"), "RAF");
    EXPECT_FALSE(listing.Has("Orientation"));
}

TEST(MetaprobeMrw, PictureDescriptionAndTiffBlock)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildMrw(CameraTiff(order)));
        ExpectCameraFields(listing, "MRW");
        EXPECT_EQ(listing.Value("Sensor Width"), "3272");
        EXPECT_EQ(listing.Value("Storage Method"), "Linear");
        EXPECT_EQ(listing.Value("Bayer Pattern"), "RGGB");
    }
}

TEST(MetaprobeMrw, RequestedSettingsFollowTheTiffBlockAndReplaceItsValues)
{
    Ifd exif;
    exif.Short(0xA408, 1).Short(0xA409, 2).Short(0xA40A, 1);  // Low, High, Soft
    std::vector<uint8_t> tiff = qmtest::BuildTiff(Ifd().Sub(0x8769, exif), {ByteOrder::Motorola});
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildMrw(tiff, {0, 0xFF, 2, 0xFE, 0, 3, 0, 0}));
    EXPECT_EQ(listing.Value("Saturation"), "-1");
    EXPECT_EQ(listing.Value("Contrast"), "2");
    EXPECT_EQ(listing.Value("Sharpness"), "-2");
    EXPECT_EQ(listing.Value("Program Mode"), "Night Portrait");
    EXPECT_EQ(ProbeBytes(qmtest::BuildMrw(tiff, {0, 0, 0, 0, 0, 9})).Value("Program Mode"), "Unknown (9)");
    // A block too short for its settings lists none and leaves the EXIF values.
    metaprobe::Listing shortBlock = ProbeBytes(qmtest::BuildMrw(tiff, {0, 0xFF, 2, 0xFE, 0}));
    EXPECT_EQ(shortBlock.Value("Contrast"), "Low");
    EXPECT_FALSE(shortBlock.Has("Program Mode"));
}

TEST(MetaprobeRw2, SizeFromSensorBordersAndFrameOfTheEmbeddedJpeg)
{
    for (bool big : {false, true}) {
        Ifd exif;
        exif.Ascii(0x9003, "2008:08:06 15:21:56");
        std::vector<uint8_t> jpeg = qmtest::MinimalJpeg(Ifd().Ascii(0x010F, "Panasonic").Sub(0x8769, exif),
                                                        big ? ByteOrder::Motorola : ByteOrder::Intel, 8, 8);
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildRw2(big, 3648, 2736, 6, jpeg));
        EXPECT_EQ(listing.Value("File Type"), "RW2");
        EXPECT_EQ(listing.Value("Date/Time Original"), "2008:08:06 15:21:56");
        EXPECT_EQ(listing.Value("Orientation"), "Rotate 90 CW");
        // The developed image's size, not the 8x8 preview's.
        EXPECT_EQ(listing.Value("Image Width"), "3648");
        EXPECT_EQ(listing.Value("Image Height"), "2736");
        EXPECT_EQ(listing.Value("Image Size"), "3648x2736");
        // The raw's own sample depth stays; the preview's frame adds what the raw lacks.
        EXPECT_EQ(listing.Value("Bits Per Sample"), "12");
        EXPECT_EQ(listing.Value("Encoding Process"), "Baseline DCT, Huffman coding");
        EXPECT_EQ(listing.Value("Y Cb Cr Sub Sampling"), "YCbCr4:2:0 (2 2)");
    }
    // Borders that leave no image give no size; the preview's frame size is listed instead.
    std::vector<uint8_t> rw2 =
            qmtest::BuildRw2(false, 0, 0, 1, qmtest::MinimalJpeg(Ifd(), ByteOrder::Intel, 8, 8));
    metaprobe::Listing listing = ProbeBytes(rw2);
    EXPECT_EQ(listing.Value("Image Width"), "8");
    EXPECT_EQ(listing.Value("Image Size"), "8x8");
    // Without the RW2 signature it is the older Panasonic raw.
    listing = ProbeBytes(qmtest::BuildRw2(true, 40, 30, 1, {}, false));
    EXPECT_EQ(listing.Value("File Type"), "RAW");
    EXPECT_EQ(listing.Value("Image Size"), "40x30");
}

TEST(MetaprobeX3f, PreviewSectionExif)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        Ifd exif;
        exif.Ascii(0x9003, "2018:07:06 05:04:03").Ascii(0x9004, "2018:07:06 05:04:04");
        Ifd ifd0;
        ifd0.Ascii(0x010F, "Maker").Short(0x0112, 6).Ascii(0x0132, "2018:07:07 00:00:00").Sub(0x8769, exif);
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildX3f(qmtest::MinimalJpeg(ifd0, order), 90));
        ExpectCameraFields(listing, "X3F");
        EXPECT_EQ(listing.Value("Rotation"), "90");
    }
    // The header from version 4 on: the rotation at its own place, no ID and no names; a file
    // shorter than that header is not read further.
    std::vector<uint8_t> jpeg =
            qmtest::MinimalJpeg(Ifd().Sub(0x8769, Ifd().Ascii(0x9003, "2018:07:06 05:04:03")));
    for (uint32_t version : {0x00040000u, 0x00050001u}) {
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildX3f(jpeg, 270, {}, version));
        EXPECT_EQ(listing.Value("File Version"), version == 0x00040000u ? "4.0" : "5.1");
        EXPECT_EQ(listing.Value("Rotation"), "270");
        EXPECT_EQ(listing.Value("Date/Time Original"), "2018:07:06 05:04:03");
        EXPECT_FALSE(listing.Has("Image Unique ID"));
        EXPECT_FALSE(listing.Has("White Balance"));
    }
    std::vector<uint8_t> cut = qmtest::BuildX3f({}, 270, {}, 0x00040000);
    cut.resize(767);
    metaprobe::Listing shortHeader = ProbeBytes(cut);
    EXPECT_EQ(shortHeader.Value("Warning"), "Error reading X3F header");
    EXPECT_FALSE(shortHeader.Has("File Version"));
    EXPECT_FALSE(shortHeader.Has("Rotation"));

    // A directory offset pointing nowhere is an error, and nothing else is listed.
    std::vector<uint8_t> x3f = qmtest::BuildX3f(qmtest::MinimalJpeg(Ifd().Short(0x0112, 3)), 0);
    x3f[x3f.size() - 1] = 0x40;
    metaprobe::Listing listing = ProbeBytes(x3f);
    EXPECT_EQ(listing.Value("Error"), "Error reading X3F directory");
    EXPECT_FALSE(listing.Has("Orientation"));
}

TEST(MetaprobeCrw, CiffHeapRecordsInBothByteOrders)
{
    // 2003-04-05 06:07:08 on the camera's clock.
    const uint32_t seconds = uint32_t(qmtest::MovieSeconds(2003, 4, 5, 6, 7, 8) - 2082844800u);
    for (bool big : {false, true}) {
        metaprobe::Listing listing =
                ProbeBytes(qmtest::BuildCrw(big, "Canon", "Canon EOS 10D", seconds, 3072, 2048, 90));
        EXPECT_EQ(listing.Value("File Type"), "CRW");
        EXPECT_EQ(listing.Value("Make"), "Canon");
        EXPECT_EQ(listing.Value("Camera Model Name"), "Canon EOS 10D");
        EXPECT_EQ(listing.Value("Date/Time Original"), "2003:04:05 06:07:08");
        EXPECT_EQ(listing.Value("Image Width"), "3072");
        EXPECT_EQ(listing.Value("Rotation"), "90");
    }
    // A heap whose directory offset points past its end lists nothing.
    std::vector<uint8_t> crw = qmtest::BuildCrw(false, "Canon", "X", seconds, 1, 1, 0);
    crw[crw.size() - 2] = 0x7F;
    metaprobe::Listing listing = ProbeBytes(crw);
    EXPECT_EQ(listing.Value("File Type"), "CRW");
    EXPECT_FALSE(listing.Has("Make"));
}

// Writes `head`, a hole of `gap` bytes (sparse on disk), then `tail`.
bool WriteSparse(const std::string& path, const std::vector<uint8_t>& head, uint64_t gap,
                 const std::vector<uint8_t>& tail)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(head.data(), 1, head.size(), file) == head.size() &&
              SeekTo(file, head.size() + gap) &&
              std::fwrite(tail.data(), 1, tail.size(), file) == tail.size();
    return std::fclose(file) == 0 && ok;
}

TEST(MetaprobeFile, LargeFilesOfEveryNewKindAreReadInSmallPieces)
{
    const uint64_t gap = 4000000000ull;  // close to 4 GB, with every 32-bit offset still valid
    Ifd exif;
    exif.Ascii(0x9003, "2018:07:06 05:04:03");
    Ifd ifd0;
    ifd0.Short(0x0112, 6).Sub(0x8769, exif);
    std::vector<uint8_t> jpeg = qmtest::MinimalJpeg(ifd0);
    std::vector<uint8_t> tiff = CameraTiff(ByteOrder::Intel);
    // The X3F directory sits at the end: it moves behind the hole, and the last word says so.
    auto splitX3f = [gap](const std::vector<uint8_t>& x3f) {
        const size_t directory = x3f.size() - 4 - 24;
        std::pair<std::vector<uint8_t>, std::vector<uint8_t>> parts(
                std::vector<uint8_t>(x3f.begin(), x3f.begin() + long(directory)),
                std::vector<uint8_t>(x3f.begin() + long(directory), x3f.end() - 4));
        const uint64_t moved = directory + gap;
        for (int shift = 0; shift < 32; shift += 8)
            parts.second.push_back(uint8_t(moved >> shift));
        return parts;
    };
    const auto x3f = splitX3f(qmtest::BuildX3f(jpeg, 0));
    const auto x3f4 = splitX3f(qmtest::BuildX3f(jpeg, 0, {}, 0x00040000));
    const uint32_t seconds = uint32_t(qmtest::MovieSeconds(2018, 7, 6, 5, 4, 3) - 2082844800u);
    // The CRW root heap runs to the end of the file and its directory comes last: the hole goes
    // between the sub-heap and the root directory (one entry), whose offset moves with it.
    std::vector<uint8_t> crw = qmtest::BuildCrw(false, "Canon", "EOS", seconds, 1, 1, 0);
    const size_t rootDirectory = crw.size() - 4 - 12;
    std::vector<uint8_t> crwHead(crw.begin(), crw.begin() + long(rootDirectory));
    std::vector<uint8_t> crwTail(crw.begin() + long(rootDirectory), crw.end() - 4);
    const uint64_t rootAt = rootDirectory - 26 + gap;
    for (int shift = 0; shift < 32; shift += 8)
        crwTail.push_back(uint8_t(rootAt >> shift));
    struct Sample {
        const char* name;
        std::vector<uint8_t> head, tail;
    } samples[] = {
            {"webp", qmtest::BuildWebp(tiff, kXmp), {0}},
            {"jxl", qmtest::BuildJxl(tiff, kXmp), {0}},
            {"psd", qmtest::BuildPsd(tiff, {}), {0}},
            {"raf", qmtest::BuildRaf("FinePix", jpeg), {0}},
            {"mrw", qmtest::BuildMrw(tiff), {0}},
            {"x3f", x3f.first, x3f.second},
            {"x3f", x3f4.first, x3f4.second},
            {"crw", crwHead, crwTail},
    };
    for (const Sample& sample : samples) {
        std::string path = testing::TempDir() + "metaprobe_large." + sample.name;
        ASSERT_TRUE(WriteSparse(path, sample.head, gap, sample.tail)) << path;
        std::unique_ptr<metaprobe::FileSource> source = metaprobe::FileSource::Open(path);
        ASSERT_NE(source, nullptr);
        CountingSource counting(*source);
        metaprobe::Listing listing;
        metaprobe::ProbeSource(counting, listing);
        std::remove(path.c_str());
        EXPECT_EQ(listing.Value("Date/Time Original"), "2018:07:06 05:04:03") << sample.name;
        EXPECT_FALSE(listing.Has("Error")) << sample.name << ": " << listing.Value("Error");
        EXPECT_LT(counting.bytes, 16384u) << sample.name;
    }
}

}  // namespace
