#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include "tests/native/JpegTestSupport.h"

using jpegtest::ExifHeaderAnd;
using jpegtest::JpegWithApp1;
using jpegtest::ReadExif;
using jpegtest::ReadJpeg;
using jpegtest::Text;
using qmtest::ByteOrder;
using qmtest::Ifd;
namespace fmt = qmtest::fmt;

namespace {

constexpr uint16_t kExifIfd = 0x8769;
constexpr uint16_t kInteropIfd = 0xA005;
constexpr uint16_t kDateTimeOriginal = 0x9003;
constexpr uint16_t kOrientation = 0x0112;
constexpr uint16_t kMake = 0x010F;
constexpr uint16_t kLightSource = 0x9208;

// Runs ParseExif directly on an exactly sized copy of the payload.
struct Parse {
    explicit Parse(const std::vector<uint8_t>& bytes) : payload(bytes.begin(), bytes.end())
    {
        ExifParser parser(info, errorText);
        result = parser.ParseExif(payload.data(), static_cast<int>(payload.size() + 2));
    }
    std::vector<uint8_t> payload;
    ImageInfo info {};
    char errorText[kErrorTextSize] = {};
    bool result = false;
};

std::vector<uint8_t> TiffHeader(const char* order, uint16_t magic, uint32_t firstOffset)
{
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(order[0]), static_cast<uint8_t>(order[1])};
    if (order[0] == 'M') {
        bytes.insert(bytes.end(), {static_cast<uint8_t>(magic >> 8), static_cast<uint8_t>(magic)});
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>(firstOffset >> shift));
    } else {
        bytes.insert(bytes.end(), {static_cast<uint8_t>(magic), static_cast<uint8_t>(magic >> 8)});
        for (int shift = 0; shift <= 24; shift += 8)
            bytes.push_back(static_cast<uint8_t>(firstOffset >> shift));
    }
    return bytes;
}

class ExifParserOrders : public testing::TestWithParam<ByteOrder> { };

}  // namespace

INSTANTIATE_TEST_SUITE_P(BothOrders, ExifParserOrders,
                         testing::Values(ByteOrder::Intel, ByteOrder::Motorola));

TEST(ExifParser, HeaderFailures)
{
    struct Case {
        std::vector<uint8_t> payload;
        const char* message;
    };
    std::vector<Case> cases = {
            {Text("Exif\0\1II*\0\x08\0\0\0\0\0"), "Incorrect Exif header"},
            {Text("Exig\0\0II*\0\x08\0\0\0\0\0"), "Incorrect Exif header"},
            {ExifHeaderAnd(Text("IM*\0\x08\0\0\0\0\0")), "Invalid Exif alignment marker."},
            {ExifHeaderAnd(Text("ii*\0\x08\0\0\0\0\0")), "Invalid Exif alignment marker."},
            {ExifHeaderAnd(TiffHeader("II", 43, 8)), "Invalid Exif start (1)"},
            {ExifHeaderAnd(TiffHeader("MM", 0x2A00, 8)), "Invalid Exif start (1)"},
            {ExifHeaderAnd(TiffHeader("II", 42, 7)), "Suspicious offset of first IFD value"},
            {ExifHeaderAnd(TiffHeader("MM", 42, 17)), "Suspicious offset of first IFD value"},
            {ExifHeaderAnd(TiffHeader("II", 42, 0xFFFFFFF8)), "Suspicious offset of first IFD value"},
    };
    for (auto& c : cases) {
        for (int i = 0; i < 8; ++i)
            c.payload.push_back(0);
        Parse parse(c.payload);
        EXPECT_FALSE(parse.result) << c.message;
        EXPECT_STREQ(parse.errorText, c.message);

        if (std::memcmp(c.payload.data(), "Exif", 4) != 0)
            continue;  // the reader would not parse it
        const auto read = ReadJpeg(JpegWithApp1(c.payload));
        EXPECT_TRUE(read->result);
        EXPECT_FALSE(read->info.exifParsed);
        EXPECT_STREQ(read->reader.ErrorText(), c.message);
    }
}

TEST(ExifParser, SectionTooShortForTheHeaders)
{
    // Each header check fails when the bytes it needs are missing; nothing past the payload is read
    // (the payloads are allocated to their exact size).
    EXPECT_STREQ(Parse(Text("Exif\0")).errorText, "Incorrect Exif header");
    EXPECT_STREQ(Parse(Text("Exif")).errorText, "Incorrect Exif header");
    EXPECT_STREQ(Parse(Text("Exif\0\0")).errorText, "Invalid Exif alignment marker.");
    EXPECT_STREQ(Parse(Text("Exif\0\0I")).errorText, "Invalid Exif alignment marker.");
    EXPECT_STREQ(Parse(Text("Exif\0\0MM")).errorText, "Invalid Exif start (1)");
    EXPECT_STREQ(Parse(Text("Exif\0\0II*")).errorText, "Invalid Exif start (1)");
    EXPECT_STREQ(Parse(Text("Exif\0\0II*\0")).errorText, "Suspicious offset of first IFD value");
    EXPECT_STREQ(Parse(Text("Exif\0\0II*\0\x08\0\0")).errorText, "Suspicious offset of first IFD value");
    EXPECT_FALSE(Parse(Text("Exif\0\0II*\0\x08\0\0")).result);
    // The header alone: the first directory has no room for its entry count.
    const Parse headerOnly(Text("Exif\0\0II*\0\x08\0\0\0"));
    EXPECT_FALSE(headerOnly.result);
    EXPECT_STREQ(headerOnly.errorText, "Illegally sized directory");

    // Through the reader: an APP1 section of just "Exif".
    const auto read = ReadJpeg(JpegWithApp1(Text("Exif")));
    EXPECT_TRUE(read->result);
    EXPECT_FALSE(read->info.exifParsed);
    EXPECT_STREQ(read->reader.ErrorText(), "Incorrect Exif header");
}

TEST(ExifParser, FirstDirectoryOffsetBounds)
{
    // Any first directory inside the data is read, wherever it starts: writers put padding or
    // other data between the header and the first directory.
    const Ifd ifd = Ifd().Ascii(kMake, "Maker").Short(kOrientation, 6);
    for (uint32_t offset : {8u, 16u, 18u, 26u, 1000u, 30000u}) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            qmtest::TiffOptions options;
            options.firstIfdOffset = offset;
            options.order = order;
            const auto read = ReadJpeg(JpegWithApp1(ExifHeaderAnd(qmtest::BuildTiff(ifd, options))));
            EXPECT_TRUE(read->info.exifParsed) << offset;
            EXPECT_STREQ(read->info.make, "Maker") << offset;
            EXPECT_EQ(read->info.orientation, 6) << offset;
            EXPECT_STREQ(read->reader.ErrorText(), "") << offset;
        }
    }
    // Inside the header, or beyond the end of the data.
    const std::vector<uint8_t> tiff = qmtest::BuildTiff(ifd);
    const auto size = static_cast<uint32_t>(tiff.size());
    for (uint32_t offset : {0u, 7u, size + 1, size + 100, 0x80000000u, 0xFFFFFFFFu}) {
        qmtest::TiffOptions options;
        options.firstIfdOffset = offset;
        options.order = ByteOrder::Motorola;
        std::vector<uint8_t> header = TiffHeader("MM", 42, offset);
        std::vector<uint8_t> bytes = tiff;
        std::copy(header.begin(), header.end(), bytes.begin());
        const auto read = ReadJpeg(JpegWithApp1(ExifHeaderAnd(bytes)));
        EXPECT_FALSE(read->info.exifParsed) << offset;
        EXPECT_STREQ(read->reader.ErrorText(), "Suspicious offset of first IFD value") << offset;
        EXPECT_STREQ(read->info.make, "");
    }
    // Inside the data but without room for the entry count: the directory is too small.
    for (uint32_t offset : {size - 1, size}) {
        std::vector<uint8_t> bytes = tiff;
        std::vector<uint8_t> header = TiffHeader("II", 42, offset);
        std::copy(header.begin(), header.end(), bytes.begin());
        const Parse parse(ExifHeaderAnd(bytes));
        EXPECT_FALSE(parse.result) << offset;
        EXPECT_STREQ(parse.errorText, "Illegally sized directory") << offset;
    }
    // The last two bytes of the data can hold an empty directory.
    std::vector<uint8_t> empty = TiffHeader("II", 42, 10);
    empty.insert(empty.end(), {0xAA, 0xBB, 0, 0});
    const Parse last(ExifHeaderAnd(empty));
    EXPECT_TRUE(last.result);
    EXPECT_STREQ(last.errorText, "");
}

TEST(ExifParser, IllegallySizedDirectory)
{
    // 100 entries announced, 2 present.
    std::vector<uint8_t> tiff = TiffHeader("II", 42, 8);
    tiff.insert(tiff.end(), {100, 0});
    tiff.insert(tiff.end(), 24, 0);
    const Parse parse(ExifHeaderAnd(tiff));
    EXPECT_FALSE(parse.result);
    EXPECT_STREQ(parse.errorText, "Illegally sized directory");

    // In a sub-directory the failure is reported but the parse succeeds.
    std::vector<uint8_t> payload = qmtest::ExifPayload(
            Ifd().Ascii(kMake, "M").Long(kExifIfd, 0).Ascii(0x0110, "after"), ByteOrder::Intel);
    const uint32_t tiffLength = static_cast<uint32_t>(payload.size() - 6);
    // Point the link at the very end of the data: inside it, but with no room for a count.
    payload[6 + 8 + 2 + 12 + 8] = static_cast<uint8_t>(tiffLength);
    payload[6 + 8 + 2 + 12 + 9] = static_cast<uint8_t>(tiffLength >> 8);
    const Parse sub(payload);
    EXPECT_TRUE(sub.result);
    EXPECT_STREQ(sub.errorText, "Illegally sized directory");
    EXPECT_STREQ(sub.info.model, "after");
}

TEST_P(ExifParserOrders, IllegalFormatCode)
{
    const Ifd inFirst =
            Ifd().Ascii(kMake, "Before").Raw(kOrientation, 13, 1, {3, 0, 0, 0}).Ascii(0x0110, "After");
    const auto first = ReadExif(inFirst, GetParam());
    EXPECT_FALSE(first->info.exifParsed);
    EXPECT_STREQ(first->reader.ErrorText(), "Illegal format code in EXIF dir");
    EXPECT_STREQ(first->info.make, "Before");
    EXPECT_STREQ(first->info.model, "");

    // In the Exif sub-directory: only the tags before the bad entry, and the parse goes on.
    const Ifd sub = Ifd().Short(0x8827, 25)
                            .Raw(0x9207, 13, 1, {5, 0, 0, 0})
                            .Ascii(kDateTimeOriginal, "2001:02:03 04:05:06");
    const auto inSub = ReadExif(Ifd().Sub(kExifIfd, sub).Short(kOrientation, 8), GetParam());
    EXPECT_TRUE(inSub->info.exifParsed);
    EXPECT_STREQ(inSub->reader.ErrorText(), "Illegal format code in EXIF dir");
    EXPECT_EQ(inSub->info.isoSpeed, 5000);
    EXPECT_STREQ(inSub->info.dateTimeOriginal, "");
    EXPECT_EQ(inSub->info.orientation, 8);
}

TEST_P(ExifParserOrders, IllegalPointerOffset)
{
    const auto beyond = ReadExif(
            Ifd().Short(kOrientation, 3).RawOffset(kMake, fmt::Ascii, 20, 0xFFF0).Short(kLightSource, 2),
            GetParam());
    EXPECT_FALSE(beyond->info.exifParsed);
    EXPECT_STREQ(beyond->reader.ErrorText(), "Illegal pointer offset value in EXIF.");
    EXPECT_EQ(beyond->info.orientation, 3);
    EXPECT_EQ(beyond->info.lightSource, 0);

    // Offset and byte count that would wrap around in 32 bits.
    const auto wrap = ReadExif(Ifd().RawOffset(kMake, fmt::Double, 0x20000000, 0xFFFFFFF0), GetParam());
    EXPECT_FALSE(wrap->info.exifParsed);
    EXPECT_STREQ(wrap->reader.ErrorText(), "Illegal pointer offset value in EXIF.");
    const auto wrapToo = ReadExif(Ifd().RawOffset(kMake, fmt::Ascii, 0xFFFFFFFF, 16), GetParam());
    EXPECT_STREQ(wrapToo->reader.ErrorText(), "Illegal pointer offset value in EXIF.");
}

TEST_P(ExifParserOrders, SubdirectoryLinkBeyondTheData)
{
    const auto read = ReadExif(
            Ifd().Short(kOrientation, 6).RawOffset(kExifIfd, fmt::Long, 1, 0x7000).Short(kLightSource, 2),
            GetParam());
    EXPECT_TRUE(read->result);
    EXPECT_FALSE(read->info.exifParsed);
    EXPECT_STREQ(read->reader.ErrorText(), "Illegal subdirectory link");
    EXPECT_EQ(read->info.orientation, 6);
    EXPECT_EQ(read->info.lightSource, 0);

    // The same link one level down only ends that sub-directory.
    const Ifd sub = Ifd().RawOffset(kInteropIfd, fmt::Long, 1, 0x7000).Short(kLightSource, 2);
    const auto nested = ReadExif(Ifd().Sub(kExifIfd, sub).Short(kOrientation, 6), GetParam());
    EXPECT_TRUE(nested->info.exifParsed);
    EXPECT_STREQ(nested->reader.ErrorText(), "Illegal subdirectory link");
    EXPECT_EQ(nested->info.lightSource, 0);
    EXPECT_EQ(nested->info.orientation, 6);
}

TEST_P(ExifParserOrders, NextDirectoryLinks)
{
    const auto bad = ReadExif(Ifd().Short(kOrientation, 6).NextOffset(0x7000), GetParam());
    EXPECT_FALSE(bad->info.exifParsed);
    EXPECT_STREQ(bad->reader.ErrorText(), "Illegal subdirectory link");

    const auto good = ReadExif(
            Ifd().Short(kOrientation, 6).Next(Ifd().Short(kLightSource, 9).NextOffset(0x7000)), GetParam());
    EXPECT_TRUE(good->info.exifParsed);
    EXPECT_EQ(good->info.lightSource, 9);
    EXPECT_STREQ(good->reader.ErrorText(), "Illegal subdirectory link");
}

TEST_P(ExifParserOrders, LinkCyclesEnd)
{
    // The first directory links to itself as its next directory and through its Exif directory.
    const auto self = ReadExif(Ifd().Short(kOrientation, 5).NextOffset(8), GetParam());
    EXPECT_TRUE(self->info.exifParsed);
    EXPECT_EQ(self->info.orientation, 5);

    const Ifd back = Ifd().Short(kLightSource, 3).RawOffset(kInteropIfd, fmt::Long, 1, 8).NextOffset(8);
    const auto loop = ReadExif(Ifd().Short(kOrientation, 5).Sub(kExifIfd, back).NextOffset(8), GetParam());
    EXPECT_TRUE(loop->info.exifParsed);
    EXPECT_EQ(loop->info.lightSource, 3);
    EXPECT_STREQ(loop->reader.ErrorText(), "");

    // A sub-directory that links to itself is walked once, so the directories after it are still
    // reached. (The builder puts it right behind the first directory's one entry, at offset 26.)
    const Ifd selfLinked = Ifd().Short(0x8822, 2).RawOffset(kInteropIfd, fmt::Long, 1, 26).NextOffset(26);
    const auto cycle =
            ReadExif(Ifd().Sub(kExifIfd, selfLinked).Next(Ifd().Short(kLightSource, 7)), GetParam());
    EXPECT_TRUE(cycle->info.exifParsed);
    EXPECT_EQ(cycle->info.exposureProgram, 2);
    EXPECT_EQ(cycle->info.lightSource, 7);
    EXPECT_STREQ(cycle->reader.ErrorText(), "");
}

TEST_P(ExifParserOrders, LongChainsAreCut)
{
    // 200 directories in a chain; each stores its number. The walk stops after kMaxDirectories.
    Ifd chain = Ifd().Long(kLightSource, 200);
    for (uint32_t i = 199; i >= 1; --i)
        chain = Ifd().Long(kLightSource, i).Next(chain);
    const auto read = ReadExif(chain, GetParam());
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_EQ(read->info.lightSource, ExifParser::kMaxDirectories);

    Ifd shortChain = Ifd().Long(kLightSource, ExifParser::kMaxDirectories);
    for (uint32_t i = ExifParser::kMaxDirectories - 1; i >= 1; --i)
        shortChain = Ifd().Long(kLightSource, i).Next(shortChain);
    EXPECT_EQ(ReadExif(shortChain, GetParam())->info.lightSource, ExifParser::kMaxDirectories);
}

TEST_P(ExifParserOrders, NoRoomForTheNextLink)
{
    // One directory of two entries at the end of the data, with its link cut off (0 to 3 bytes).
    const Ifd ifd = Ifd().Short(kOrientation, 7).Short(kLightSource, 11);
    for (size_t keep = 0; keep < 4; ++keep) {
        std::vector<uint8_t> payload = qmtest::ExifPayload(ifd, GetParam());
        ASSERT_EQ(payload.size(), 6u + 8 + 2 + 24 + 4);
        payload.erase(payload.end() - 4 + static_cast<long>(keep), payload.end());
        const auto read = ReadJpeg(JpegWithApp1(payload));
        EXPECT_TRUE(read->info.exifParsed) << keep;
        EXPECT_EQ(read->info.orientation, 7);
        EXPECT_EQ(read->info.lightSource, 11);
        EXPECT_STREQ(read->reader.ErrorText(), "");
    }
}

TEST_P(ExifParserOrders, EmptyEntryAtTheEndReadsNothing)
{
    // An eight-byte format with no components, as the very last bytes of the data.
    std::vector<uint8_t> payload =
            qmtest::ExifPayload(Ifd().Short(0x920A, 50).Raw(0x920A, fmt::Double, 0, {}), GetParam());
    payload.erase(payload.end() - 4, payload.end());
    const Parse parse(payload);
    EXPECT_TRUE(parse.result);
    EXPECT_EQ(parse.info.focalLength, 0.0f);
}

TEST_P(ExifParserOrders, FormatZeroIsAcceptedAsZero)
{
    const Ifd ifd = Ifd().Short(0x8822, 3).Raw(0x8822, 0, 1, {7, 0, 0, 0}).Ascii(kMake, "Still walking");
    const auto read = ReadExif(ifd, GetParam());
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_EQ(read->info.exposureProgram, 0);
    EXPECT_STREQ(read->info.make, "Still walking");
    EXPECT_STREQ(read->reader.ErrorText(), "");
}

TEST_P(ExifParserOrders, Orientation)
{
    for (uint16_t value = 1; value <= 8; ++value) {
        const auto read = ReadExif(Ifd().Short(kOrientation, value), GetParam());
        EXPECT_EQ(read->info.orientation, value);
        EXPECT_STREQ(read->reader.ErrorText(), "");
    }
    for (uint16_t value : {0, 9, 0xFFFF}) {
        const auto read = ReadExif(
                Ifd().Short(kOrientation, 3).Short(kOrientation, value).Short(kLightSource, 4), GetParam());
        EXPECT_TRUE(read->info.exifParsed);
        EXPECT_EQ(read->info.orientation, 0);
        EXPECT_STREQ(read->reader.ErrorText(), "Undefined rotation value");
        EXPECT_EQ(read->info.lightSource, 4);
    }
}

TEST_P(ExifParserOrders, MainImageOrientationWinsOverTheThumbnails)
{
    // The thumbnail directory (IFD1) is walked last; its orientation must not replace the picture's.
    const auto both = ReadExif(
            Ifd().Short(kOrientation, 1).Next(Ifd().Short(kOrientation, 8).Long(0x0201, 8)), GetParam());
    EXPECT_EQ(both->info.orientation, 1);
    EXPECT_STREQ(both->reader.ErrorText(), "");
    // Nor an invalid one clear it.
    const auto invalid =
            ReadExif(Ifd().Short(kOrientation, 6).Next(Ifd().Short(kOrientation, 0)), GetParam());
    EXPECT_EQ(invalid->info.orientation, 6);
    EXPECT_STREQ(invalid->reader.ErrorText(), "");
    // A picture without an orientation of its own takes the thumbnail's, as other readers do.
    const auto thumbOnly = ReadExif(Ifd().Ascii(kMake, "M").Next(Ifd().Short(kOrientation, 8)), GetParam());
    EXPECT_EQ(thumbOnly->info.orientation, 8);
    // An orientation in the picture's Exif sub-directory counts as the picture's.
    const auto inSub = ReadExif(
            Ifd().Sub(kExifIfd, Ifd().Short(kOrientation, 3)).Next(Ifd().Short(kOrientation, 8)), GetParam());
    EXPECT_EQ(inSub->info.orientation, 3);
    // Within the picture's directories the last value still wins, as before.
    const auto twice = ReadExif(Ifd().Short(kOrientation, 2).Short(kOrientation, 5), GetParam());
    EXPECT_EQ(twice->info.orientation, 5);
}

TEST_P(ExifParserOrders, ThumbnailIsKeptPerDirectory)
{
    const std::vector<uint8_t> thumb = {0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9};
    const auto read =
            ReadExif(Ifd().Short(kOrientation, 1).Next(Ifd().Blob(0x0201, 0x0202, thumb)), GetParam());
    ASSERT_NE(read->info.thumbnail, nullptr);
    EXPECT_EQ(read->info.thumbnailSize, 7);
    EXPECT_EQ(std::vector<uint8_t>(read->info.thumbnail, read->info.thumbnail + 7), thumb);
    EXPECT_GT(jpegtest::ThumbnailOffset(*read), 8);

    // Offset in one directory and length in the next do not make a thumbnail.
    const auto split = ReadExif(Ifd().Long(0x0201, 20).Next(Ifd().Long(0x0202, 4)), GetParam());
    EXPECT_EQ(split->info.thumbnail, nullptr);
    EXPECT_EQ(split->info.thumbnailSize, 0);
    // Zero, negative or out-of-range values do not either.
    for (const Ifd& ifd :
         {Ifd().Long(0x0201, 0).Long(0x0202, 4), Ifd().Long(0x0201, 8).Long(0x0202, 0),
          Ifd().Long(0x0201, 8).Long(0x0202, 0x8000), Ifd().Long(0x0201, 0x7FFFFFFF).Long(0x0202, 0x7FFFFFFF),
          Ifd().Raw(0x0201, fmt::SLong, 1, {0xF8, 0xFF, 0xFF, 0xFF}).Long(0x0202, 4)}) {
        const auto read2 = ReadExif(ifd, ByteOrder::Intel);
        EXPECT_TRUE(read2->info.exifParsed);
        EXPECT_EQ(read2->info.thumbnail, nullptr);
    }
    // A thumbnail that ends exactly at the end of the data is inside it.
    std::vector<uint8_t> payload = qmtest::ExifPayload(Ifd().Long(0x0201, 38).Long(0x0202, 4), GetParam());
    payload.insert(payload.end(), {9, 8, 7, 6});
    const Parse edge(payload);
    EXPECT_EQ(edge.info.thumbnail, edge.payload.data() + 6 + 38);
    EXPECT_EQ(edge.info.thumbnailSize, 4);
}

TEST(ExifParser, ByteOrderIsTakenFromEachParse)
{
    ImageInfo info {};
    char errorText[kErrorTextSize] = {};
    ExifParser parser(info, errorText);
    std::vector<uint8_t> motorola =
            qmtest::ExifPayload(Ifd().Short(kLightSource, 0x0102), ByteOrder::Motorola);
    std::vector<uint8_t> intel = qmtest::ExifPayload(Ifd().Short(kLightSource, 0x0102), ByteOrder::Intel);
    EXPECT_TRUE(parser.ParseExif(motorola.data(), static_cast<int>(motorola.size() + 2)));
    EXPECT_EQ(info.lightSource, 0x0102);
    EXPECT_TRUE(parser.ParseExif(intel.data(), static_cast<int>(intel.size() + 2)));
    EXPECT_EQ(info.lightSource, 0x0102);
}

namespace {

// Clock rules tell bodies of one model apart by the serial number in the Exif directory.
TEST_P(ExifParserOrders, BodySerialNumber)
{
    const auto read = ReadExif(
            Ifd().Ascii(0x0110, "NIKON D700").Sub(kExifIfd, Ifd().Ascii(0xA431, "1234567")), GetParam());
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_STREQ(read->info.model, "NIKON D700");
    EXPECT_STREQ(read->info.bodySerial, "1234567");
    // Cut to the field, as the model is.
    const auto longSerial =
            ReadExif(Ifd().Sub(kExifIfd, Ifd().Ascii(0xA431, std::string(60, '7'))), GetParam());
    EXPECT_EQ(std::string(longSerial->info.bodySerial), std::string(39, '7'));
}

constexpr uint16_t kGpsIfd = 0x8825;

}  // namespace

TEST_P(ExifParserOrders, GpsDirectoryGivesTheSignedPosition)
{
    const auto north =
            ReadExif(Ifd().Short(kOrientation, 1).Sub(kGpsIfd, qmtest::GpsIfd(48.573, 7.8152)), GetParam());
    ASSERT_TRUE(north->info.hasGpsPosition);
    EXPECT_NEAR(north->info.gpsLatitude, 48.573, 1e-5);
    EXPECT_NEAR(north->info.gpsLongitude, 7.8152, 1e-5);

    const auto south = ReadExif(Ifd().Sub(kGpsIfd, qmtest::GpsIfd(-33.8688, -151.2093)), GetParam());
    ASSERT_TRUE(south->info.hasGpsPosition);
    EXPECT_NEAR(south->info.gpsLatitude, -33.8688, 1e-5);
    EXPECT_NEAR(south->info.gpsLongitude, -151.2093, 1e-5);
}

TEST_P(ExifParserOrders, GpsCoordinatesInOneOrTwoPartsAndSigned)
{
    const Ifd gps = Ifd().Ascii(1, "S").Rational(2, 3386880, 100000).Ascii(3, "E").SRational(4, 151, 1);
    const auto read = ReadExif(Ifd().Sub(kGpsIfd, gps), GetParam());
    ASSERT_TRUE(read->info.hasGpsPosition);
    EXPECT_NEAR(read->info.gpsLatitude, -33.8688, 1e-9);
    EXPECT_NEAR(read->info.gpsLongitude, 151, 1e-9);
    // Degrees and decimal minutes.
    const Ifd minutes = Ifd().Ascii(1, "N")
                                .Rationals(2, {{48, 1}, {3438, 100}})
                                .Ascii(3, "W")
                                .Rationals(4, {{7, 1}, {4891, 100}});
    const auto dm = ReadExif(Ifd().Sub(kGpsIfd, minutes), GetParam());
    ASSERT_TRUE(dm->info.hasGpsPosition);
    EXPECT_NEAR(dm->info.gpsLatitude, 48.573, 1e-9);
    EXPECT_NEAR(dm->info.gpsLongitude, -(7 + 48.91 / 60), 1e-9);
}

TEST_P(ExifParserOrders, GpsWithoutBothCoordinatesIsNoPosition)
{
    const auto latitudeOnly = ReadExif(
            Ifd().Sub(kGpsIfd, Ifd().Ascii(1, "N").Rationals(2, {{48, 1}, {34, 1}, {0, 1}})), GetParam());
    EXPECT_FALSE(latitudeOnly->info.hasGpsPosition);
    const auto longitudeOnly = ReadExif(
            Ifd().Sub(kGpsIfd, Ifd().Ascii(3, "E").Rationals(4, {{7, 1}, {48, 1}, {0, 1}})), GetParam());
    EXPECT_FALSE(longitudeOnly->info.hasGpsPosition);
}

TEST_P(ExifParserOrders, GpsCoordinatesOfAnotherFormatOrCountAreSkipped)
{
    const auto shorts =
            ReadExif(Ifd().Sub(kGpsIfd, Ifd().Shorts(2, {48, 34, 0}).Rationals(4, {{7, 1}, {48, 1}, {0, 1}})),
                     GetParam());
    EXPECT_FALSE(shorts->info.hasGpsPosition);
    const auto four = ReadExif(Ifd().Sub(kGpsIfd, Ifd().Rationals(2, {{48, 1}, {34, 1}, {0, 1}, {0, 1}})
                                                          .Rationals(4, {{7, 1}, {48, 1}, {0, 1}})),
                               GetParam());
    EXPECT_FALSE(four->info.hasGpsPosition);
    const auto none = ReadExif(Ifd().Sub(kGpsIfd, Ifd().Raw(2, fmt::Rational, 0, {}).Rationals(4, {{7, 1}})),
                               GetParam());
    EXPECT_FALSE(none->info.hasGpsPosition);
}

TEST_P(ExifParserOrders, GpsTagNumbersOutsideTheGpsDirectoryAreNoPosition)
{
    // Tags 1 to 4 mean other things in the main and interoperability directories.
    const Ifd interop = Ifd().Ascii(1, "R98").Rationals(2, {{48, 1}}).Ascii(3, "E").Rationals(4, {{7, 1}});
    const auto read = ReadExif(Ifd().Sub(kExifIfd, Ifd().Sub(kInteropIfd, interop)), GetParam());
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_FALSE(read->info.hasGpsPosition);
}

TEST_P(ExifParserOrders, TheThumbnailsGpsDirectoryIsNotThePhotos)
{
    const auto read = ReadExif(
            Ifd().Short(kOrientation, 1).Next(Ifd().Sub(kGpsIfd, qmtest::GpsIfd(48.5, 7.8))), GetParam());
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_FALSE(read->info.hasGpsPosition);
}

TEST_P(ExifParserOrders, ADamagedGpsDirectoryLeavesTheRestStanding)
{
    // A link past the data, a directory whose entries run past it, a value past it.
    const auto beyond =
            ReadExif(Ifd().RawOffset(kGpsIfd, fmt::Long, 1, 0x7000).Short(kOrientation, 6), GetParam());
    EXPECT_TRUE(beyond->info.exifParsed);
    EXPECT_EQ(beyond->info.orientation, 6);
    EXPECT_FALSE(beyond->info.hasGpsPosition);
    EXPECT_STREQ(beyond->reader.ErrorText(), "");

    const auto valueBeyond = ReadExif(
            Ifd().Sub(kGpsIfd,
                      Ifd().RawOffset(2, fmt::Rational, 3, 0x7000).Rationals(4, {{7, 1}, {48, 1}, {0, 1}}))
                    .Short(kOrientation, 6),
            GetParam());
    EXPECT_EQ(valueBeyond->info.orientation, 6);
    EXPECT_FALSE(valueBeyond->info.hasGpsPosition);

    // The GPS link pointing back at the first directory reads nothing and loops nowhere.
    const auto loop = ReadExif(Ifd().RawOffset(kGpsIfd, fmt::Long, 1, 8).Short(kOrientation, 3), GetParam());
    EXPECT_EQ(loop->info.orientation, 3);
    EXPECT_FALSE(loop->info.hasGpsPosition);
}

TEST(ExifParser, AGpsDirectoryCutShortIsNoPosition)
{
    // Intel order: header, IFD0 with one entry (the GPS link to offset 26), no next link; at 26 a
    // GPS directory that claims 5 entries but ends after its count.
    std::vector<uint8_t> tiff = TiffHeader("II", 42, 8);
    const uint8_t ifd0[] = {1, 0, 0x25, 0x88, 4, 0, 1, 0, 0, 0, 26, 0, 0, 0, 0, 0, 0, 0};
    tiff.insert(tiff.end(), std::begin(ifd0), std::end(ifd0));
    tiff.insert(tiff.end(), {5, 0});
    const Parse cut(ExifHeaderAnd(tiff));
    EXPECT_TRUE(cut.result);
    EXPECT_FALSE(cut.info.hasGpsPosition);
    // The same directory one byte short of its count.
    std::vector<uint8_t> shorter(tiff.begin(), tiff.end() - 1);
    const Parse none(ExifHeaderAnd(shorter));
    EXPECT_FALSE(none.info.hasGpsPosition);
}
