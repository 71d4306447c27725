#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

#include "tests/native/JpegTestSupport.h"

using jpegtest::ReadExif;
using jpegtest::ReadJpeg;
using jpegtest::Text;
using qmtest::ByteOrder;
using qmtest::Ifd;
namespace fmt = qmtest::fmt;

namespace {

constexpr uint16_t kExifIfd = 0x8769;
constexpr uint16_t kFocalLength = 0x920A;
constexpr uint16_t kMeteringMode = 0x9207;
constexpr uint16_t kUserComment = 0x9286;

class ExifValues : public testing::TestWithParam<ByteOrder> {
protected:
    // Reads one Exif sub-directory holding `sub`.
    std::unique_ptr<jpegtest::ReadOutcome> ReadSub(const Ifd& sub)
    {
        return ReadExif(Ifd().Sub(kExifIfd, sub), GetParam());
    }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(BothOrders, ExifValues, testing::Values(ByteOrder::Intel, ByteOrder::Motorola));

TEST_P(ExifValues, EveryFormatConverts)
{
    struct Case {
        Ifd ifd;
        float expected;
    };
    const std::vector<Case> cases = {
            {Ifd().Bytes(kFocalLength, {200}), 200.0f},
            {Ifd().Short(kFocalLength, 65000), 65000.0f},
            {Ifd().Long(kFocalLength, 4000000000u), 4000000000.0f},
            {Ifd().Rational(kFocalLength, 7, 2), 3.5f},
            {Ifd().Rational(kFocalLength, 7, 0), 0.0f},
            {Ifd().Raw(kFocalLength, fmt::SByte, 1, {0xFB}), -5.0f},
            {Ifd().Raw(kFocalLength, fmt::Ascii, 4, {'1', '2', '3', 0}), 0.0f},
            {Ifd().Undefined(kFocalLength, {1, 2, 3, 4}), 0.0f},
            {Ifd().SRational(kFocalLength, -9, 4), -2.25f},
            {Ifd().SRational(kFocalLength, -9, 0), 0.0f},
            {Ifd().Float(kFocalLength, 12.75f), 12.75f},
            {Ifd().Double(kFocalLength, -1234.5678), static_cast<float>(-1234.5678)},
            {Ifd().Shorts(kFocalLength, {17, 99}), 17.0f},  // the first component counts
    };
    for (const Case& c : cases) {
        const auto read = ReadSub(Ifd(c.ifd));
        EXPECT_TRUE(read->info.exifParsed);
        EXPECT_EQ(read->info.focalLength, c.expected);
    }
}

TEST_P(ExifValues, SignedFormatsInBothOrders)
{
    // SSHORT and SLONG have no convenience builder: write their bytes in the parse's order.
    const bool motorola = GetParam() == ByteOrder::Motorola;
    const std::vector<uint8_t> sshort =
            motorola ? std::vector<uint8_t> {0xFF, 0x38, 0, 0} : std::vector<uint8_t> {0x38, 0xFF, 0, 0};
    const std::vector<uint8_t> slong = motorola ? std::vector<uint8_t> {0xFF, 0xFE, 0x79, 0x60}
                                                : std::vector<uint8_t> {0x60, 0x79, 0xFE, 0xFF};
    EXPECT_EQ(ReadSub(Ifd().Raw(kFocalLength, fmt::SShort, 1, sshort))->info.focalLength, -200.0f);
    EXPECT_EQ(ReadSub(Ifd().Raw(kFocalLength, fmt::SLong, 1, slong))->info.focalLength, -100000.0f);
}

TEST_P(ExifValues, IntegerFieldsTruncateTowardZero)
{
    const auto read =
            ReadSub(Ifd().Rational(0x8822, 7, 2).SRational(kMeteringMode, -7, 2).Double(0x9208, 2.99));
    EXPECT_EQ(read->info.exposureProgram, 3);
    EXPECT_EQ(read->info.meteringMode, -3);
    EXPECT_EQ(read->info.lightSource, 2);
}

TEST_P(ExifValues, IntegerFieldsSaturate)
{
    const auto huge = ReadSub(
            Ifd().Long(kMeteringMode, 0xFFFFFFFFu).Double(0x9208, -1e300).Double(0x9102, std::nan("")));
    EXPECT_EQ(huge->info.meteringMode, 2147483647);
    EXPECT_EQ(huge->info.lightSource, -2147483647 - 1);
    EXPECT_EQ(huge->info.compressedBitsPerPixel, 0);
}

TEST_P(ExifValues, IsoRatings)
{
    EXPECT_EQ(ReadSub(Ifd().Short(0x8827, 25))->info.isoSpeed, 5000);
    EXPECT_EQ(ReadSub(Ifd().Short(0x8827, 49))->info.isoSpeed, 9800);
    EXPECT_EQ(ReadSub(Ifd().Short(0x8827, 50))->info.isoSpeed, 50);
    EXPECT_EQ(ReadSub(Ifd().Short(0x8827, 1600))->info.isoSpeed, 1600);
    EXPECT_EQ(ReadSub(Ifd().Shorts(0x8827, {400, 25}))->info.isoSpeed, 400);
    // A hostile negative rating must not overflow the multiplication.
    EXPECT_EQ(ReadSub(Ifd().Double(0x8827, -3e9))->info.isoSpeed, -2147483647 - 1);
    EXPECT_EQ(ReadSub(Ifd().SRational(0x8827, -5, 1))->info.isoSpeed, -1000);
}

TEST_P(ExifValues, FlashFiredFromTheLowBits)
{
    for (uint16_t value : {1, 5, 7, 0x19, 0x41})
        EXPECT_EQ(ReadSub(Ifd().Short(0x9209, value))->info.flashFired, 1) << value;
    for (uint16_t value : {0, 8, 0x10, 0x18, 0x20})
        EXPECT_EQ(ReadSub(Ifd().Short(0x9209, value))->info.flashFired, 0) << value;
}

TEST_P(ExifValues, TextFields)
{
    const auto read = ReadExif(Ifd().Ascii(0x010F, std::string(40, 'M'))
                                       .Ascii(0x0110, std::string(45, 'm'))
                                       .Sub(kExifIfd, Ifd().Undefined(0x9000, Text("0230"))
                                                              .Ascii(0x9003, "2010:07:15 14:03:09.123+02:00")
                                                              .Ascii(0x0132, "1999:01:01 00:00:00")
                                                              .Ascii(0x9004, "1999:01:01 00:00:00")),
                               GetParam());
    EXPECT_EQ(std::string(read->info.make), std::string(31, 'M'));
    EXPECT_EQ(std::string(read->info.model), std::string(39, 'm'));
    EXPECT_STREQ(read->info.exifVersion, "0230");
    EXPECT_STREQ(read->info.dateTimeOriginal, "2010:07:15 14:03:09");

    // Text stops at the value's first 0 byte and never runs past its byte count.
    const auto stops = ReadExif(
            Ifd().Raw(0x010F, fmt::Ascii, 8, Text("Can\0on!!")).Raw(0x0110, fmt::Ascii, 3, Text("ABCD")),
            GetParam());
    EXPECT_STREQ(stops->info.make, "Can");
    EXPECT_STREQ(stops->info.model, "ABC");
}

TEST_P(ExifValues, NoDateTimeOriginalLeavesTheDateEmpty)
{
    const auto read = ReadExif(Ifd().Ascii(0x0132, "2011:01:01 10:00:00")
                                       .Sub(kExifIfd, Ifd().Ascii(0x9004, "2011:01:01 10:00:00")),
                               GetParam());
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_STREQ(read->info.dateTimeOriginal, "");
}

TEST_P(ExifValues, UnitFactors)
{
    const auto unit = [this](uint16_t value) {
        return ReadExif(Ifd().Short(0x0128, value), GetParam())->info.resolutionUnit;
    };
    EXPECT_EQ(unit(1), 1.0f);
    EXPECT_EQ(unit(2), 1.0f);
    EXPECT_EQ(unit(3), static_cast<float>(1 / 2.54));
    EXPECT_EQ(unit(4), static_cast<float>(1 / 25.4));
    EXPECT_EQ(unit(5), static_cast<float>(1 / 25400.0));
    EXPECT_EQ(unit(0), 0.0f);
    EXPECT_EQ(unit(6), 0.0f);
    // An unknown unit leaves the earlier value.
    EXPECT_EQ(ReadSub(Ifd().Short(0xA210, 3).Short(0xA210, 9))->info.focalPlaneUnit,
              static_cast<float>(1 / 2.54));
}

TEST_P(ExifValues, ExposureAndApertureFallbacks)
{
    const auto derived = ReadSub(Ifd().SRational(0x9201, 8, 1).Rational(0x9202, 2, 1));
    EXPECT_EQ(derived->info.exposureTime, 1.0f / 256);
    EXPECT_EQ(derived->info.fNumber, 2.0f);

    const auto direct = ReadSub(Ifd().Rational(0x829A, 1, 60)
                                        .Rational(0x829D, 28, 10)
                                        .SRational(0x9201, 8, 1)
                                        .Rational(0x9202, 4, 1));
    EXPECT_EQ(direct->info.exposureTime, static_cast<float>(1.0 / 60));
    EXPECT_EQ(direct->info.fNumber, static_cast<float>(28.0 / 10));

    const auto maxAperture = ReadSub(Ifd().Rational(0x9205, 6, 1).Rational(0x9202, 2, 1));
    EXPECT_EQ(maxAperture->info.fNumber, static_cast<float>(std::exp2(3.0)));

    // File order decides: a later FNumber replaces a derived value.
    const auto later = ReadSub(Ifd().Rational(0x9202, 4, 1).Rational(0x829D, 56, 10));
    EXPECT_EQ(later->info.fNumber, static_cast<float>(56.0 / 10));
}

TEST_P(ExifValues, UserComment)
{
    std::vector<uint8_t> value = Text("ASCII\0\0\0Hello there   ");
    const auto read = ReadSub(Ifd().Undefined(kUserComment, value));
    EXPECT_STREQ(read->info.comment, "Hello there");
    // The trailing spaces are cleared in the section itself.
    const JpegSection* exif = jpegtest::FindSection(read->reader, 0xE1);
    ASSERT_NE(exif, nullptr);
    const auto* begin = exif->data.get();
    const auto* end = begin + exif->size;
    const std::vector<uint8_t> trimmed = Text("ASCII\0\0\0Hello there\0\0\0");
    EXPECT_NE(std::search(begin, end, trimmed.begin(), trimmed.end()), end);

    EXPECT_STREQ(ReadSub(Ifd().Undefined(kUserComment, Text("ASCII  Spaced")))->info.comment, "Spaced");
    EXPECT_STREQ(ReadSub(Ifd().Undefined(kUserComment, Text("UNICODE\0x")))->info.comment, "UNICODE");
    EXPECT_STREQ(ReadSub(Ifd().Undefined(kUserComment, Text("Plain words  ")))->info.comment, "Plain words");
    std::vector<uint8_t> longText = Text("ASCII\0\0\0");
    longText.insert(longText.end(), 300, 'w');
    EXPECT_EQ(std::string(ReadSub(Ifd().Undefined(kUserComment, longText))->info.comment),
              std::string(199, 'w'));
    // Five 0 or space bytes after "ASCII" leave the comment as it was.
    const auto blank = ReadSub(Ifd().Undefined(kUserComment, Text("First"))
                                       .Undefined(kUserComment, Text("ASCII\0 \0 \0Hidden")));
    EXPECT_STREQ(blank->info.comment, "First");
    const auto allSpaces = ReadSub(
            Ifd().Undefined(kUserComment, Text("First")).Undefined(kUserComment, Text("ASCII        ")));
    EXPECT_STREQ(allSpaces->info.comment, "First");
    // Short values stay within their bytes.
    EXPECT_STREQ(ReadSub(Ifd().Undefined(kUserComment, Text("ASCII")))->info.comment, "");
    EXPECT_STREQ(ReadSub(Ifd().Undefined(kUserComment, Text("ASCII\0X")))->info.comment, "X");
    EXPECT_STREQ(ReadSub(Ifd().Undefined(kUserComment, Text("ab  ")))->info.comment, "ab");
}

TEST_P(ExifValues, SensorWidthFromTheLargestDimension)
{
    const auto read =
            ReadSub(Ifd().Long(0xA002, 3000).Short(0xA003, 4000).Rational(0xA20E, 2000, 1).Short(0xA210, 2));
    EXPECT_EQ(read->info.sensorWidth, 2.0f);
    const auto mm = ReadSub(Ifd().Long(0xA002, 4000).Rational(0xA20E, 400, 1).Short(0xA210, 4));
    EXPECT_FLOAT_EQ(mm->info.sensorWidth, 4000.0f * static_cast<float>(1 / 25.4) / 400.0f);
    // No focal plane resolution: nothing computed.
    EXPECT_EQ(ReadSub(Ifd().Long(0xA002, 4000).Short(0xA210, 2))->info.sensorWidth, 0.0f);
}

TEST_P(ExifValues, EachParseStartsAfresh)
{
    const Ifd first = Ifd().Short(0x9209, 1)
                              .Long(0xA002, 4000)
                              .Rational(0xA20E, 2000, 1)
                              .Short(0xA210, 2)
                              .Undefined(kUserComment, Text("one"));
    const Ifd second = Ifd().Short(0x8822, 2).Rational(0xA20E, 1000, 1);
    const auto read = ReadJpeg(qmtest::JpegBuilder()
                                       .Soi()
                                       .Exif(Ifd().Sub(kExifIfd, first), GetParam())
                                       .Exif(Ifd().Sub(kExifIfd, second), GetParam())
                                       .Scan()
                                       .Bytes());
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_EQ(read->info.flashFired, 0);
    EXPECT_STREQ(read->info.comment, "");
    EXPECT_EQ(read->info.exposureProgram, 2);
    EXPECT_EQ(read->info.sensorWidth, 0.0f);  // the second parse saw no pixel dimension
    EXPECT_EQ(read->info.focalPlaneUnit, 1.0f);
}

namespace {

Ifd RichExif()
{
    const Ifd interop = Ifd().Ascii(0x0001, "R98").Undefined(0x0002, Text("0100")).Float(0x9203, -1.5f);
    const Ifd exif = Ifd().Rational(0x829A, 1, 250)
                             .Rational(0x829D, 28, 10)
                             .Short(0x8822, 2)
                             .Short(0x8827, 25)
                             .Undefined(0x9000, Text("0221"))
                             .Ascii(0x9003, "2010:07:15 14:03:09")
                             .Ascii(0x9004, "2010:07:15 14:03:10")
                             .Rational(0x9102, 5, 1)
                             .SRational(0x9201, 8, 1)
                             .Rational(0x9202, 3, 1)
                             .SRational(0x9204, -1, 3)
                             .Rational(0x9206, 37, 10)
                             .Short(kMeteringMode, 5)
                             .Short(0x9208, 4)
                             .Short(0x9209, 0x19)
                             .Rational(kFocalLength, 50, 1)
                             .Undefined(kUserComment, Text("ASCII\0\0\0Summer day  "))
                             .Long(0xA002, 4000)
                             .Short(0xA003, 3000)
                             .Sub(0xA005, interop)
                             .Rational(0xA20E, 4000, 3)
                             .Rational(0xA20F, 5000, 3)
                             .Short(0xA210, 3);
    const Ifd thumbnailDirectory =
            Ifd().Short(0x0103, 6)
                    .Double(0x011A, 72.5)
                    .Float(0x011B, 96.25f)
                    .Short(0x0128, 4)
                    .Blob(0x0201, 0x0202, {0xFF, 0xD8, 0xFF, 0xDB, 0, 4, 1, 2, 0xFF, 0xD9});
    return Ifd()
            .Ascii(0x010F, "Maker Corp")
            .Ascii(0x0110, "Model X100")
            .Short(0x0112, 8)
            .Rational(0x011A, 300, 1)
            .Rational(0x011B, 300, 1)
            .Short(0x0128, 2)
            .Ascii(0x0132, "2011:11:11 11:11:11")
            .Sub(kExifIfd, exif)
            .Sub(0x8825, Ifd().Bytes(0x0000, {2, 2, 0, 0}))
            .Next(thumbnailDirectory);
}

}  // namespace

TEST(ExifByteOrder, SameContentGivesTheSameRecord)
{
    const auto bytes = [](ByteOrder order) {
        return qmtest::JpegBuilder()
                .Soi()
                .App0Jfif()
                .Exif(RichExif(), order)
                .Comment("later comment")
                .Frame(3000, 4000)
                .Scan()
                .Eoi()
                .Bytes();
    };
    const auto intel = ReadJpeg(bytes(ByteOrder::Intel));
    const auto motorola = ReadJpeg(bytes(ByteOrder::Motorola));
    jpegtest::ExpectSameInfo(*intel, *motorola);

    // And the content is what was written.
    const ImageInfo& info = motorola->info;
    EXPECT_TRUE(info.exifParsed);
    EXPECT_STREQ(info.exifVersion, "0221");
    EXPECT_STREQ(info.make, "Maker Corp");
    EXPECT_STREQ(info.model, "Model X100");
    EXPECT_STREQ(info.dateTimeOriginal, "2010:07:15 14:03:09");
    EXPECT_EQ(info.imageHeight, 3000);
    EXPECT_EQ(info.imageWidth, 4000);
    EXPECT_EQ(info.orientation, 8);
    EXPECT_EQ(info.isColor, 1);
    EXPECT_EQ(info.codingProcess, 0xC0);
    EXPECT_EQ(info.flashFired, 1);
    EXPECT_EQ(info.focalLength, 50.0f);
    EXPECT_EQ(info.exposureTime, static_cast<float>(1.0 / 250));
    EXPECT_EQ(info.fNumber, static_cast<float>(28.0 / 10));
    EXPECT_EQ(info.subjectDistance, static_cast<float>(37.0 / 10));
    EXPECT_FLOAT_EQ(info.sensorWidth,
                    4000.0f * static_cast<float>(1 / 2.54) / static_cast<float>(4000.0 / 3));
    EXPECT_EQ(info.exposureBias, static_cast<float>(-1.0 / 3));
    EXPECT_EQ(info.lightSource, 4);
    EXPECT_EQ(info.meteringMode, 5);
    EXPECT_EQ(info.exposureProgram, 2);
    EXPECT_EQ(info.isoSpeed, 5000);
    EXPECT_EQ(info.compressedBitsPerPixel, 5);
    EXPECT_EQ(info.focalPlaneXResolution, static_cast<float>(4000.0 / 3));
    EXPECT_EQ(info.focalPlaneYResolution, static_cast<float>(5000.0 / 3));
    EXPECT_EQ(info.focalPlaneUnit, static_cast<float>(1 / 2.54));
    EXPECT_EQ(info.xResolution, 72.5f);  // the thumbnail directory comes last
    EXPECT_EQ(info.yResolution, 96.25f);
    EXPECT_EQ(info.resolutionUnit, static_cast<float>(1 / 25.4));
    EXPECT_EQ(info.brightness, -1.5f);
    EXPECT_STREQ(info.comment, "later comment");
    ASSERT_NE(info.thumbnail, nullptr);
    EXPECT_EQ(info.thumbnailSize, 10);
    EXPECT_EQ(info.thumbnail[0], 0xFF);
    EXPECT_EQ(info.thumbnail[9], 0xD9);
    EXPECT_STREQ(motorola->reader.ErrorText(), "");
}

TEST(ExifByteOrder, SameFailuresInBothOrders)
{
    const Ifd broken =
            Ifd().Short(0x0112, 9).Sub(kExifIfd, Ifd().Short(0x8827, 25).Raw(0x9207, 13, 1, {1, 0, 0, 0}));
    const auto intel = ReadExif(broken, ByteOrder::Intel);
    const auto motorola = ReadExif(broken, ByteOrder::Motorola);
    jpegtest::ExpectSameInfo(*intel, *motorola);
    EXPECT_STREQ(intel->reader.ErrorText(), "Illegal format code in EXIF dir");
    EXPECT_EQ(intel->info.isoSpeed, 5000);
    EXPECT_EQ(intel->info.orientation, 0);
}
