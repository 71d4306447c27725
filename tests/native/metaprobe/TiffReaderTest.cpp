#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "metaprobe/TiffReader.h"
#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"

using qmtest::ByteOrder;
using qmtest::Ifd;

namespace {

Ifd CameraIfd(uint16_t orientation)
{
    Ifd exif;
    exif.Rational(0x829A, 1, 125)
            .Rational(0x829D, 28, 10)
            .Short(0x8827, 200)
            .Ascii(0x9003, "2010:07:15 14:03:09")
            .Ascii(0x9004, "2010:07:15 14:03:10")
            .Short(0x9209, 0x10)
            .Rational(0x920A, 50, 1)
            .Ascii(0xA434, "EF50mm f/1.8 II");
    Ifd ifd0;
    ifd0.Ascii(0x010F, "Canon")
            .Ascii(0x0110, "Canon EOS 40D")
            .Short(0x0112, orientation)
            .Ascii(0x0132, "2011:01:02 03:04:05")
            .Sub(0x8769, exif);
    return ifd0;
}

TEST(MetaprobeTiff, ListsLookupFieldsInBothByteOrders)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        qmtest::TiffOptions options;
        options.order = order;
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildTiff(CameraIfd(6), options));
        EXPECT_EQ(listing.Value("File Type"), "TIFF");
        EXPECT_EQ(listing.Value("Exif Byte Order"),
                  order == ByteOrder::Intel ? "Little-endian (Intel, II)" : "Big-endian (Motorola, MM)");
        EXPECT_EQ(listing.Value("Date/Time Original"), "2010:07:15 14:03:09");
        EXPECT_EQ(listing.Value("Create Date"), "2010:07:15 14:03:10");
        EXPECT_EQ(listing.Value("Modify Date"), "2011:01:02 03:04:05");
        EXPECT_EQ(listing.Value("Orientation"), "Rotate 90 CW");
        EXPECT_EQ(listing.Value("Camera Model Name"), "Canon EOS 40D");
        EXPECT_EQ(listing.Value("Exposure Time"), "1/125");
        EXPECT_EQ(listing.Value("F Number"), "2.8");
        EXPECT_EQ(listing.Value("ISO"), "200");
        EXPECT_EQ(listing.Value("Flash"), "Off, Did not fire");
        EXPECT_EQ(listing.Value("Focal Length"), "50.0 mm");
        EXPECT_EQ(listing.Value("Lens Model"), "EF50mm f/1.8 II");
        EXPECT_EQ(listing.Value("Light Value"), "8.9");
    }
}

TEST(MetaprobeTiff, SignedShortsKeepTheirSignInBothByteOrders)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        SCOPED_TRACE(order == ByteOrder::Intel ? "II" : "MM");
        const bool big = order == ByteOrder::Motorola;
        // Each value in the file's own byte order: -2, then 300 and -32768.
        auto in = [big](std::vector<uint8_t> bytes) {
            if (!big)
                for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
                    std::swap(bytes[i], bytes[i + 1]);
            return bytes;
        };
        Ifd ifd0 = CameraIfd(1);
        ifd0.Raw(0x0118, 8, 1, in({0xFF, 0xFE})).Raw(0x0119, 8, 3, in({0xFF, 0xFE, 0x01, 0x2C, 0x80, 0x00}));
        qmtest::TiffOptions options;
        options.order = order;
        metaprobe::Listing listing = ProbeBytes(qmtest::BuildTiff(ifd0, options));
        EXPECT_EQ(listing.Value("Min Sample Value"), "-2");
        EXPECT_EQ(listing.Value("Max Sample Value"), "-2 300 -32768");
    }
}

TEST(MetaprobeTiff, NamesAllEightOrientations)
{
    const char* const texts[] = {"Horizontal (normal)",
                                 "Mirror horizontal",
                                 "Rotate 180",
                                 "Mirror vertical",
                                 "Mirror horizontal and rotate 270 CW",
                                 "Rotate 90 CW",
                                 "Mirror horizontal and rotate 90 CW",
                                 "Rotate 270 CW"};
    for (uint16_t value = 1; value <= 8; ++value) {
        EXPECT_EQ(ProbeBytes(qmtest::BuildTiff(CameraIfd(value))).Value("Orientation"), texts[value - 1]);
    }
    EXPECT_EQ(ProbeBytes(qmtest::BuildTiff(CameraIfd(9))).Value("Orientation"), "Unknown (9)");
}

TEST(MetaprobeTiff, ThumbnailDirectoryDoesNotOverrideMainImage)
{
    Ifd ifd1;
    ifd1.Short(0x0103, 6).Rational(0x011A, 72, 1).Blob(0x0201, 0x0202, std::vector<uint8_t>(100, 0xAB));
    Ifd ifd0 = CameraIfd(1);
    ifd0.Rational(0x011A, 300, 1).Next(ifd1);
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildTiff(ifd0));
    EXPECT_EQ(listing.Value("X Resolution"), "300");
    EXPECT_EQ(listing.Value("Compression"), "JPEG (old-style)");
    EXPECT_EQ(listing.Value("Thumbnail Length"), "100");
    EXPECT_EQ(listing.Value("Thumbnail Image"), "(Binary data 100 bytes, use -b option to extract)");
}

TEST(MetaprobeTiff, GpsFieldsAndCombinedPosition)
{
    Ifd gps;
    gps.Bytes(0x0000, {2, 3, 0, 0})
            .Ascii(0x0001, "N")
            .Raw(0x0002, 5, 3,
                 {54, 0, 0, 0, 1, 0, 0, 0, 59, 0, 0, 0, 1, 0, 0, 0, 0xE8, 0x08, 0, 0, 100, 0, 0, 0})
            .Ascii(0x0003, "W")
            .Raw(0x0004, 5, 3, {1, 0, 0, 0, 1, 0, 0, 0, 30, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0})
            .Bytes(0x0005, {0})
            .Rational(0x0006, 12345, 100)
            .Raw(0x0007, 5, 3,
                 {14, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0xBC, 0x03, 0, 0, 100, 0, 0, 0})
            .Ascii(0x001D, "2010:07:15");
    Ifd ifd0 = CameraIfd(1);
    ifd0.Sub(0x8825, gps);
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildTiff(ifd0));
    EXPECT_EQ(listing.Value("GPS Version ID"), "2.3.0.0");
    EXPECT_EQ(listing.Value("GPS Latitude Ref"), "North");
    EXPECT_EQ(listing.Value("GPS Time Stamp"), "14:03:09.56");
    EXPECT_EQ(listing.Value("GPS Latitude"), "54 deg 59' 22.80\" N");
    EXPECT_EQ(listing.Value("GPS Longitude"), "1 deg 30' 0.00\" W");
    EXPECT_EQ(listing.Value("GPS Altitude"), "123.4 m Above Sea Level");
    EXPECT_EQ(listing.Value("GPS Date/Time"), "2010:07:15 14:03:09.56Z");
    EXPECT_EQ(listing.Value("GPS Position"), "54 deg 59' 22.80\" N, 1 deg 30' 0.00\" W");
}

TEST(MetaprobeTiff, ValueConversions)
{
    Ifd exif;
    exif.Rational(0x829A, 1, 3)
            .SRational(0x9204, -2, 3)
            .SRational(0x9201, 7, 1)
            .Rational(0x9202, 6, 1)
            .Undefined(0x9000, {'0', '2', '3', '2'})
            .Undefined(0x9101, {1, 2, 3, 0})
            .Undefined(0x9286, {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'h', 'i', ' ', 0})
            .Rational(0xA432, 18, 1)
            .Undefined(0x927C, {1, 2, 3});
    Ifd ifd0;
    ifd0.Ascii(0x010F, "Make  ").Rational(0x011A, 0, 0).Rational(0x011B, 5, 0).Sub(0x8769, exif);
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildTiff(ifd0));
    EXPECT_EQ(listing.Value("Make"), "Make");
    EXPECT_EQ(listing.Value("X Resolution"), "undef");
    EXPECT_EQ(listing.Value("Y Resolution"), "inf");
    EXPECT_EQ(listing.Value("Exposure Time"), "0.3");
    EXPECT_EQ(listing.Value("Exposure Compensation"), "-2/3");
    EXPECT_EQ(listing.Value("Shutter Speed Value"), "1/128");
    EXPECT_EQ(listing.Value("Aperture Value"), "8.0");
    EXPECT_EQ(listing.Value("Exif Version"), "0232");
    EXPECT_EQ(listing.Value("Components Configuration"), "Y, Cb, Cr, -");
    EXPECT_EQ(listing.Value("User Comment"), "hi");
    EXPECT_FALSE(listing.Has("Maker Note"));
}

TEST(MetaprobeTiff, DirectoryLoopsAndBadPointersEndQuietly)
{
    Ifd ifd0 = CameraIfd(3);
    ifd0.RawOffset(0x0131, 2, 50, 0x7FFFFFF0).NextOffset(8);
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildTiff(ifd0));
    EXPECT_EQ(listing.Value("Orientation"), "Rotate 180");
    EXPECT_FALSE(listing.Has("Software"));
    EXPECT_FALSE(listing.Has("Error"));
}

TEST(MetaprobeTiff, TruncatedHeaderGivesError)
{
    std::vector<uint8_t> bytes = qmtest::BuildTiff(CameraIfd(1));
    bytes.resize(7);
    metaprobe::Listing listing = ProbeBytes(bytes);
    EXPECT_FALSE(listing.Value("Error").empty());
    EXPECT_FALSE(listing.Has("Date/Time Original"));
}

TEST(MetaprobeTiff, RawTypesByContent)
{
    qmtest::TiffOptions panasonic;
    panasonic.magic = 0x55;
    Ifd nikon = CameraIfd(1);
    nikon.Ascii(0x010F, "NIKON CORPORATION");
    // The RW2 signature is missing here: the older Panasonic raw.
    EXPECT_EQ(ProbeBytes(qmtest::BuildTiff(CameraIfd(1), panasonic)).Value("File Type"), "RAW");
    Ifd dng = CameraIfd(1);
    dng.Bytes(0xC612, {1, 4, 0, 0});
    EXPECT_EQ(ProbeBytes(qmtest::BuildTiff(dng)).Value("File Type"), "DNG");
    EXPECT_EQ(ProbeBytes(qmtest::BuildTiff(dng)).Value("DNG Version"), "1.4.0.0");
}

TEST(MetaprobeJpeg, ListsExifAndFrame)
{
    metaprobe::Listing listing = ProbeBytes(qmtest::MinimalJpeg(CameraIfd(8), ByteOrder::Motorola, 480, 640));
    EXPECT_EQ(listing.Value("File Type"), "JPEG");
    EXPECT_EQ(listing.Value("Date/Time Original"), "2010:07:15 14:03:09");
    EXPECT_EQ(listing.Value("Orientation"), "Rotate 270 CW");
    EXPECT_EQ(listing.Value("Image Width"), "640");
    EXPECT_EQ(listing.Value("Image Height"), "480");
    EXPECT_EQ(listing.Value("Image Size"), "640x480");
    EXPECT_EQ(listing.Value("Megapixels"), "0.307");
}

TEST(MetaprobeJpeg, LyingSegmentLengthStopsWithoutReadingPastEnd)
{
    qmtest::JpegBuilder jpeg;
    jpeg.Soi().SegmentWithLength(0xE1, 60000, {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'});
    metaprobe::Listing listing = ProbeBytes(jpeg.Bytes());
    EXPECT_EQ(listing.Value("File Type"), "JPEG");
    EXPECT_FALSE(listing.Has("Date/Time Original"));
}

TEST(MetaprobeListing, PadsNamesToThirtyTwoCharacters)
{
    metaprobe::Listing listing;
    listing.Add("Make", "Canon");
    listing.Add("Scale Factor To 35 mm Equivalent", "1.6");
    listing.Add("Make", "Nikon", 0);
    EXPECT_EQ(metaprobe::FormatListing(listing),
              "Make                            : Canon\nScale Factor To 35 mm Equivalent: 1.6\n");
}

TEST(MetaprobeListing, UnknownAndEmptyInput)
{
    std::vector<uint8_t> noise = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'};
    EXPECT_EQ(ProbeBytes(noise).Value("Error"), "Unknown file type");
    EXPECT_EQ(ProbeBytes({}).Value("Error"), "File is empty");
}

TEST(MetaprobeTiff, DatesWithFractionalSecondsAndZoneRepeatTheirNames)
{
    Ifd exif;
    exif.Ascii(0x9003, "2012:02:11 14:17:08")
            .Ascii(0x9004, "2012:02:11 14:17:09")
            .Ascii(0x9011, "+01:00")
            .Ascii(0x9291, "253")
            .Ascii(0x9292, "040 ");
    Ifd ifd0;
    ifd0.Ascii(0x0132, "2012:02:12 10:00:00").Sub(0x8769, exif);
    metaprobe::Listing listing = ProbeBytes(qmtest::MinimalJpeg(ifd0));
    const std::string text = metaprobe::FormatListing(listing);
    // The plain dates come first, so that a lookup of the name finds them; the combined forms follow.
    EXPECT_EQ(listing.Value("Date/Time Original"), "2012:02:11 14:17:08");
    EXPECT_NE(text.find("Date/Time Original              : 2012:02:11 14:17:08.253+01:00\n"),
              std::string::npos);
    EXPECT_NE(text.find("Create Date                     : 2012:02:11 14:17:09.040\n"), std::string::npos);
    EXPECT_LT(text.find(": 2012:02:11 14:17:08\n"), text.find(": 2012:02:11 14:17:08.253+01:00\n"));
    // Without fractional seconds or zone the modify date has no second line.
    EXPECT_EQ(text.find("Modify Date                     : 2012:02:12 10:00:00."), std::string::npos);
    EXPECT_EQ(text.find("Modify Date", text.find("Modify Date") + 1), std::string::npos);
}

}  // namespace
