// The lookup's EXIF fields of generated JPEG files in both byte orders: odd and missing fields,
// offsets out of range, loops between directories, blocks cut short, odd date texts, GPS present,
// absent or malformed, every orientation value; and of the sample photos in the shared corpus.
// The expected values were first checked against the EXIF parser the lookup had before; they
// differ from it only where a file has two EXIF blocks (the first now gives every field).
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "metadata/ExifFields.h"
#include "tests/native/JpegTestSupport.h"

namespace {

using jpegtest::ReadJpeg;
using qmtest::ByteOrder;
using qmtest::Ifd;
namespace fmt = qmtest::fmt;

constexpr uint16_t kMake = 0x010F, kModel = 0x0110, kOrientation = 0x0112, kExif = 0x8769, kGps = 0x8825,
                   kInterop = 0xA005, kDateTimeOriginal = 0x9003, kCreateDate = 0x9004, kModifyDate = 0x0132,
                   kSerial = 0xA431;

// What the lookup reads of a file's metadata sections.
struct Fields {
    bool exifParsed = false;
    std::string model, serial;
    int orientation = 0;
    bool hasGps = false;
    double latitude = 0, longitude = 0;
    std::string dateTaken, dateField;
};

bool operator==(const Fields& a, const Fields& b)
{
    return a.exifParsed == b.exifParsed && a.model == b.model && a.serial == b.serial &&
           a.orientation == b.orientation && a.hasGps == b.hasGps &&
           std::fabs(a.latitude - b.latitude) < 1e-6 && std::fabs(a.longitude - b.longitude) < 1e-6 &&
           a.dateTaken == b.dateTaken && a.dateField == b.dateField;
}

void PrintTo(const Fields& f, std::ostream* out)
{
    *out << "{" << f.exifParsed << ", \"" << f.model << "\", \"" << f.serial << "\", " << f.orientation
         << ", " << f.hasGps << ", " << f.latitude << ", " << f.longitude << ", \"" << f.dateTaken << "\", \""
         << f.dateField << "\"}";
}

Fields FieldsOf(const ImageInfo& info)
{
    Fields f;
    f.exifParsed = info.exifParsed;
    f.model = info.model;
    f.serial = info.bodySerial;
    f.orientation = info.orientation;
    f.hasGps = info.hasGpsPosition;
    f.latitude = info.gpsLatitude;
    f.longitude = info.gpsLongitude;
    f.dateTaken = info.dateTaken;
    f.dateField = info.dateTakenField;
    return f;
}

struct Case {
    std::string name;
    std::vector<std::uint8_t> jpeg;
};

std::vector<std::uint8_t> Jpeg(const Ifd& ifd, ByteOrder order)
{
    return qmtest::MinimalJpeg(ifd, order);
}

std::vector<std::uint8_t> JpegOfTiff(const std::vector<std::uint8_t>& tiff)
{
    return jpegtest::JpegWithApp1(jpegtest::ExifHeaderAnd(tiff));
}

Ifd Gps(char latRef, char lonRef)
{
    return Ifd()
            .Raw(1, fmt::Ascii, 2, {std::uint8_t(latRef), 0})
            .Rationals(2, {{52, 1}, {31, 1}, {1234, 100}})
            .Raw(3, fmt::Ascii, 2, {std::uint8_t(lonRef), 0})
            .Rationals(4, {{13, 1}, {24, 1}, {5678, 100}});
}

Ifd Full(const std::string& model = "Canon EOS 5D", int orientation = 6)
{
    return Ifd()
            .Ascii(kMake, "Canon")
            .Ascii(kModel, model)
            .Short(kOrientation, static_cast<std::uint16_t>(orientation))
            .Ascii(kModifyDate, "2011:01:01 10:00:00")
            .Sub(kExif, Ifd().Ascii(kDateTimeOriginal, "2010:07:15 14:03:09").Ascii(kSerial, "0123456789"))
            .Sub(kGps, Gps('N', 'E'));
}

std::vector<Case> Cases(ByteOrder order)
{
    std::vector<Case> cases;
    auto add = [&](std::string name, std::vector<std::uint8_t> jpeg) {
        cases.push_back({std::move(name), std::move(jpeg)});
    };
    add("full", Jpeg(Full(), order));
    add("south west", Jpeg(Ifd().Ascii(kModel, "M").Sub(kGps, Gps('S', 'W')), order));
    add("no GPS", Jpeg(Ifd().Ascii(kModel, "M").Short(kOrientation, 1), order));
    add("GPS latitude only",
        Jpeg(Ifd().Sub(kGps, Ifd().Raw(1, fmt::Ascii, 2, {'N', 0}).Rationals(2, {{1, 1}})), order));
    add("GPS one part", Jpeg(Ifd().Sub(kGps, Ifd().Rational(2, 5, 2).Rational(4, 7, 4)), order));
    add("GPS two parts",
        Jpeg(Ifd().Sub(kGps, Ifd().Rationals(2, {{5, 1}, {30, 1}}).Rationals(4, {{7, 1}, {15, 1}})), order));
    add("GPS signed rationals",
        Jpeg(Ifd().Sub(kGps, Ifd().SRational(2, -10, 1).SRational(4, 20, -1)), order));
    add("GPS longs", Jpeg(Ifd().Sub(kGps, Ifd().Long(2, 10).Long(4, 20)), order));
    add("GPS four parts",
        Jpeg(Ifd().Sub(kGps, Ifd().Rationals(2, {{1, 1}, {1, 1}, {1, 1}, {1, 1}}).Rational(4, 1, 1)), order));
    add("GPS zero denominator", Jpeg(Ifd().Sub(kGps, Ifd().Rational(2, 1, 0).Rational(4, 3, 1)), order));
    add("GPS coordinate out of range",
        Jpeg(Ifd().Sub(kGps, Ifd().RawOffset(2, fmt::Rational, 3, 60000).Rational(4, 3, 1)), order));
    add("GPS directory out of range", Jpeg(Ifd().Ascii(kModel, "M").Long(kGps, 60000), order));
    add("GPS in the Exif directory", Jpeg(Ifd().Sub(kExif, Ifd().Sub(kGps, Gps('N', 'W'))), order));
    add("GPS of the thumbnail only",
        Jpeg(Ifd().Ascii(kModel, "M").Next(Ifd().Sub(kGps, Gps('N', 'E'))), order));
    add("GPS damaged entry first", Jpeg(Ifd().Sub(kGps, Ifd().RawOffset(0x1B, fmt::Undefined, 100, 60000)
                                                                .Rationals(2, {{52, 1}, {30, 1}})
                                                                .Rationals(4, {{13, 1}, {15, 1}})),
                                        order));
    add("empty first directory", Jpeg(Ifd(), order));
    add("GPS lower-case references", Jpeg(Ifd().Sub(kGps, Gps('s', 'w')), order));
    for (int o = 0; o <= 9; ++o)
        add("orientation " + std::to_string(o), Jpeg(Ifd().Short(kOrientation, std::uint16_t(o)), order));
    add("orientation 65535", Jpeg(Ifd().Short(kOrientation, 65535), order));
    add("orientation as a long", Jpeg(Ifd().Long(kOrientation, 8), order));
    add("orientation as text", Jpeg(Ifd().Ascii(kOrientation, "6"), order));
    add("orientation rational", Jpeg(Ifd().Rational(kOrientation, 13, 2), order));
    add("orientation of the thumbnail only",
        Jpeg(Ifd().Ascii(kModel, "M").Next(Ifd().Short(kOrientation, 8)), order));
    add("orientation of both", Jpeg(Ifd().Short(kOrientation, 3).Next(Ifd().Short(kOrientation, 8)), order));
    add("orientation in the Exif directory",
        Jpeg(Ifd().Short(kOrientation, 3).Sub(kExif, Ifd().Short(kOrientation, 6)), order));
    add("bad main orientation and a thumbnail one",
        Jpeg(Ifd().Short(kOrientation, 12).Next(Ifd().Short(kOrientation, 8)), order));
    add("long model", Jpeg(Full(std::string(60, 'x')), order));
    add("model of 39", Jpeg(Full(std::string(39, 'y')), order));
    add("model with a NUL",
        Jpeg(Ifd().Raw(kModel, fmt::Ascii, 8, {'A', 'B', 0, 'C', 'D', 'E', 'F', 0}), order));
    add("model without a NUL", Jpeg(Ifd().Raw(kModel, fmt::Ascii, 3, {'X', 'Y', 'Z'}), order));
    add("model as bytes", Jpeg(Ifd().Bytes(kModel, {'P', 'Q', 'R', 'S', 'T', 0}), order));
    add("empty model", Jpeg(Ifd().Ascii(kModel, ""), order));
    add("model out of range", Jpeg(Ifd().RawOffset(kModel, fmt::Ascii, 20, 60000), order));
    add("long serial", Jpeg(Ifd().Sub(kExif, Ifd().Ascii(kSerial, std::string(50, '7'))), order));
    add("model in the thumbnail",
        Jpeg(Ifd().Ascii(kModel, "Main").Next(Ifd().Ascii(kModel, "Thumb")), order));
    add("only a make", Jpeg(Ifd().Ascii(kMake, "Nikon"), order));
    add("create date", Jpeg(Ifd().Sub(kExif, Ifd().Ascii(kCreateDate, "2009:02:03 04:05:06")), order));
    add("modify date", Jpeg(Ifd().Ascii(kModifyDate, "2008:02:03 04:05:06"), order));
    add("odd date", Jpeg(Ifd().Sub(kExif, Ifd().Ascii(kDateTimeOriginal, "2010:13:45 99:99:99")), order));
    add("date with slashes",
        Jpeg(Ifd().Sub(kExif, Ifd().Ascii(kDateTimeOriginal, "2010/07/15 14:03")), order));
    add("blank date", Jpeg(Ifd().Sub(kExif, Ifd().Ascii(kDateTimeOriginal, "    "))
                                   .Ascii(kModifyDate, "2001:01:01 00:00:00"),
                           order));
    add("Exif directory out of range", Jpeg(Ifd().Ascii(kModel, "M").Long(kExif, 60000), order));
    add("interop out of range",
        Jpeg(Ifd().Ascii(kModel, "M").Sub(kExif, Ifd().Long(kInterop, 60000)), order));
    add("value out of range in IFD0",
        Jpeg(Ifd().Ascii(kModel, "M").RawOffset(kMake, fmt::Ascii, 10, 60000).Short(kOrientation, 6), order));
    add("value out of range in Exif",
        Jpeg(Ifd().Ascii(kModel, "M")
                     .Sub(kExif, Ifd().RawOffset(0x9286, fmt::Undefined, 10, 60000).Ascii(kSerial, "S1")),
             order));
    add("bad format in IFD0",
        Jpeg(Ifd().Ascii(kModel, "M").Raw(0x1234, 99, 1, {0, 0, 0, 0}).Short(kOrientation, 6), order));
    add("bad format in Exif",
        Jpeg(Ifd().Ascii(kModel, "M").Sub(kExif, Ifd().Raw(0x1234, 99, 1, {0, 0, 0, 0}).Ascii(kSerial, "S2")),
             order));
    add("thumbnail loops to IFD0",
        Jpeg(Ifd().Ascii(kModel, "M").Short(kOrientation, 6).NextOffset(8), order));
    add("Exif links to IFD0", Jpeg(Ifd().Ascii(kModel, "M").Long(kExif, 8), order));
    add("GPS links to IFD0", Jpeg(Ifd().Ascii(kModel, "M").Long(kGps, 8), order));
    add("next link out of range", Jpeg(Ifd().Ascii(kModel, "M").NextOffset(60000), order));

    // The TIFF header and its first offset.
    std::vector<std::uint8_t> badOrder = qmtest::BuildTiff(Full(), {order, 8, 42});
    add("first directory far behind the header", JpegOfTiff(qmtest::BuildTiff(Full(), {order, 60000, 42})));
    add("first offset inside the header", JpegOfTiff(qmtest::BuildTiff(Full(), {order, 4, 42})));
    add("wrong magic", JpegOfTiff(qmtest::BuildTiff(Full(), {order, 8, 43})));
    badOrder[0] = 'X';
    add("unknown byte order", JpegOfTiff(badOrder));
    // Two EXIF sections: the first is the one the listing reads.
    add("two EXIF sections", qmtest::JpegBuilder()
                                     .Soi()
                                     .Exif(Ifd().Ascii(kModel, "First").Short(kOrientation, 6), order)
                                     .Exif(Ifd().Ascii(kModel, "Second").Short(kOrientation, 8), order)
                                     .Frame(480, 640)
                                     .Scan()
                                     .Eoi()
                                     .Bytes());
    return cases;
}

// Both byte orders give the same fields.
const std::map<std::string, Fields> kExpected = {
        {"full",
         {true, "Canon EOS 5D", "0123456789", 6, true, 52.5200944, 13.4157722, "2010:07:15 14:03:09",
          "Date/Time Original"}},
        {"south west", {true, "M", "", 0, true, -52.5200944, -13.4157722, "", ""}},
        {"no GPS", {true, "M", "", 1, false, 0, 0, "", ""}},
        {"GPS latitude only", {true, "", "", 0, false, 0, 0, "", ""}},
        {"GPS one part", {true, "", "", 0, true, 2.5, 1.75, "", ""}},
        {"GPS two parts", {true, "", "", 0, true, 5.5, 7.25, "", ""}},
        {"GPS signed rationals", {true, "", "", 0, true, -10, -20, "", ""}},
        {"GPS longs", {true, "", "", 0, false, 0, 0, "", ""}},
        {"GPS four parts", {true, "", "", 0, false, 0, 0, "", ""}},
        {"GPS zero denominator", {true, "", "", 0, true, 0, 3, "", ""}},
        {"GPS coordinate out of range", {true, "", "", 0, false, 0, 0, "", ""}},
        {"GPS directory out of range", {true, "M", "", 0, false, 0, 0, "", ""}},
        {"GPS in the Exif directory", {true, "", "", 0, true, 52.5200944, -13.4157722, "", ""}},
        {"GPS of the thumbnail only", {true, "M", "", 0, false, 0, 0, "", ""}},
        {"GPS damaged entry first", {true, "", "", 0, true, 52.5, 13.25, "", ""}},
        {"empty first directory", {true, "", "", 0, false, 0, 0, "", ""}},
        {"GPS lower-case references", {true, "", "", 0, true, 52.5200944, 13.4157722, "", ""}},
        {"orientation 0", {true, "", "", 0, false, 0, 0, "", ""}},
        {"orientation 1", {true, "", "", 1, false, 0, 0, "", ""}},
        {"orientation 2", {true, "", "", 2, false, 0, 0, "", ""}},
        {"orientation 3", {true, "", "", 3, false, 0, 0, "", ""}},
        {"orientation 4", {true, "", "", 4, false, 0, 0, "", ""}},
        {"orientation 5", {true, "", "", 5, false, 0, 0, "", ""}},
        {"orientation 6", {true, "", "", 6, false, 0, 0, "", ""}},
        {"orientation 7", {true, "", "", 7, false, 0, 0, "", ""}},
        {"orientation 8", {true, "", "", 8, false, 0, 0, "", ""}},
        {"orientation 9", {true, "", "", 0, false, 0, 0, "", ""}},
        {"orientation 65535", {true, "", "", 0, false, 0, 0, "", ""}},
        {"orientation as a long", {true, "", "", 8, false, 0, 0, "", ""}},
        {"orientation as text", {true, "", "", 0, false, 0, 0, "", ""}},
        {"orientation rational", {true, "", "", 6, false, 0, 0, "", ""}},
        {"orientation of the thumbnail only", {true, "M", "", 8, false, 0, 0, "", ""}},
        {"orientation of both", {true, "", "", 3, false, 0, 0, "", ""}},
        {"orientation in the Exif directory", {true, "", "", 6, false, 0, 0, "", ""}},
        {"bad main orientation and a thumbnail one", {true, "", "", 0, false, 0, 0, "", ""}},
        {"long model",
         {true, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "0123456789", 6, true, 52.5200944, 13.4157722,
          "2010:07:15 14:03:09", "Date/Time Original"}},
        {"model of 39",
         {true, "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy", "0123456789", 6, true, 52.5200944, 13.4157722,
          "2010:07:15 14:03:09", "Date/Time Original"}},
        {"model with a NUL", {true, "AB", "", 0, false, 0, 0, "", ""}},
        {"model without a NUL", {true, "XYZ", "", 0, false, 0, 0, "", ""}},
        {"model as bytes", {true, "PQRST", "", 0, false, 0, 0, "", ""}},
        {"empty model", {true, "", "", 0, false, 0, 0, "", ""}},
        {"model out of range", {false, "", "", 0, false, 0, 0, "", ""}},
        {"long serial", {true, "", "777777777777777777777777777777777777777", 0, false, 0, 0, "", ""}},
        {"model in the thumbnail", {true, "Thumb", "", 0, false, 0, 0, "", ""}},
        {"only a make", {true, "", "", 0, false, 0, 0, "", ""}},
        {"create date", {true, "", "", 0, false, 0, 0, "2009:02:03 04:05:06", "Create Date"}},
        {"modify date", {true, "", "", 0, false, 0, 0, "2008:02:03 04:05:06", "Modify Date"}},
        {"odd date", {true, "", "", 0, false, 0, 0, "2010:13:45 99:99:99", "Date/Time Original"}},
        {"date with slashes", {true, "", "", 0, false, 0, 0, "2010/07/15 14:03", "Date/Time Original"}},
        {"blank date", {true, "", "", 0, false, 0, 0, "2001:01:01 00:00:00", "Modify Date"}},
        {"Exif directory out of range", {false, "M", "", 0, false, 0, 0, "", ""}},
        {"interop out of range", {true, "M", "", 0, false, 0, 0, "", ""}},
        {"value out of range in IFD0", {false, "M", "", 0, false, 0, 0, "", ""}},
        {"value out of range in Exif", {true, "M", "", 0, false, 0, 0, "", ""}},
        {"bad format in IFD0", {false, "M", "", 0, false, 0, 0, "", ""}},
        {"bad format in Exif", {true, "M", "", 0, false, 0, 0, "", ""}},
        {"thumbnail loops to IFD0", {true, "M", "", 6, false, 0, 0, "", ""}},
        {"Exif links to IFD0", {true, "M", "", 0, false, 0, 0, "", ""}},
        {"GPS links to IFD0", {true, "M", "", 0, false, 0, 0, "", ""}},
        {"next link out of range", {false, "M", "", 0, false, 0, 0, "", ""}},
        {"first directory far behind the header",
         {true, "Canon EOS 5D", "0123456789", 6, true, 52.5200944, 13.4157722, "2010:07:15 14:03:09",
          "Date/Time Original"}},
        {"first offset inside the header", {false, "", "", 0, false, 0, 0, "", ""}},
        {"wrong magic", {false, "", "", 0, false, 0, 0, "", ""}},
        {"unknown byte order", {false, "", "", 0, false, 0, 0, "", ""}},
        {"two EXIF sections", {true, "First", "", 6, false, 0, 0, "", ""}},
};

TEST(ExifFields, GeneratedFilesInBothByteOrders)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        const std::vector<Case> cases = Cases(order);
        ASSERT_EQ(cases.size(), kExpected.size());
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(order == ByteOrder::Intel ? "II " : "MM ") + c.name);
            const auto expected = kExpected.find(c.name);
            ASSERT_NE(expected, kExpected.end());
            EXPECT_EQ(FieldsOf(ReadJpeg(c.jpeg)->info), expected->second);
        }
    }
}

// The TIFF structure of Full() cut after each of its bytes: what lies before the cut is read,
// and a first directory cut short (or a value of it) leaves the block unread for the lookup.
struct CutRange {
    std::size_t first, last;
    Fields expected;
};

const CutRange kCuts[] = {
        {0, 104, {false, "", "", 0, false, 0, 0, "", ""}},
        {105, 125, {false, "Canon EOS 5D", "", 6, false, 0, 0, "", ""}},
        {126, 175, {true, "Canon EOS 5D", "", 6, false, 0, 0, "2011:01:01 10:00:00", "Modify Date"}},
        {176, 186, {true, "Canon EOS 5D", "", 6, false, 0, 0, "2010:07:15 14:03:09", "Date/Time Original"}},
        {187,
         289,
         {true, "Canon EOS 5D", "0123456789", 6, false, 0, 0, "2010:07:15 14:03:09", "Date/Time Original"}},
};

TEST(ExifFields, BlocksCutShort)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        const std::vector<std::uint8_t> tiff = qmtest::BuildTiff(Full(), {order, 8, 42});
        ASSERT_EQ(tiff.size(), kCuts[std::size(kCuts) - 1].last + 1);
        for (const CutRange& range : kCuts) {
            for (std::size_t length = range.first; length <= range.last; ++length) {
                SCOPED_TRACE("cut at " + std::to_string(length));
                const std::vector<std::uint8_t> cut(tiff.begin(), tiff.begin() + static_cast<long>(length));
                EXPECT_EQ(FieldsOf(ReadJpeg(JpegOfTiff(cut))->info), range.expected);
            }
        }
        // Whole, the block gives everything.
        EXPECT_EQ(FieldsOf(ReadJpeg(JpegOfTiff(tiff))->info), kExpected.at("full"));
    }
}

// The adapter on its own: every field is cut or checked to fit, whatever the walk gathered.
TEST(ExifFields, TextsAreCutToTheirFields)
{
    metaprobe::ImageFacts facts;
    facts.model = std::string(100, 'm');
    facts.bodySerial = std::string(100, 's');
    ImageInfo info {};
    TakeExifFields(facts, true, info);
    EXPECT_EQ(std::string(info.model), std::string(sizeof info.model - 1, 'm'));
    EXPECT_EQ(std::string(info.bodySerial), std::string(sizeof info.bodySerial - 1, 's'));

    facts.model = std::string(sizeof info.model - 1, 'x');
    TakeExifFields(facts, true, info);
    EXPECT_EQ(std::string(info.model), facts.model);
}

TEST(ExifFields, OrientationBounds)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, int> numbers[] = {{0.99, 0}, {1, 1},   {8.99, 8}, {9, 0},
                                              {-1, 0},   {nan, 0}, {1e300, 0}};
    for (const auto& [number, expected] : numbers) {
        metaprobe::ImageFacts facts;
        facts.mainOrientation = {true, number};
        facts.thumbnailOrientation = {true, 3};
        ImageInfo info {};
        TakeExifFields(facts, true, info);
        EXPECT_EQ(info.orientation, expected) << number;
    }
    metaprobe::ImageFacts thumbnailOnly;
    thumbnailOnly.thumbnailOrientation = {true, 5};
    ImageInfo info {};
    TakeExifFields(thumbnailOnly, true, info);
    EXPECT_EQ(info.orientation, 5);
}

TEST(ExifFields, APositionNeedsBothCoordinates)
{
    metaprobe::ImageFacts facts;
    facts.latitude = {true, 10, 'S'};
    ImageInfo info {};
    TakeExifFields(facts, true, info);
    EXPECT_FALSE(info.hasGpsPosition);
    facts.latitude = {false, 0, 0};
    facts.longitude = {true, 20, 'W'};
    TakeExifFields(facts, true, info);
    EXPECT_FALSE(info.hasGpsPosition);
    facts.latitude = {true, 10, 'S'};
    TakeExifFields(facts, true, info);
    EXPECT_TRUE(info.hasGpsPosition);
    EXPECT_EQ(info.gpsLatitude, -10);
    EXPECT_EQ(info.gpsLongitude, -20);
}

TEST(ExifFields, NothingReadIsNotParsed)
{
    metaprobe::ImageFacts facts;
    facts.firstDirectoryRead = true;
    ImageInfo info {};
    TakeExifFields(facts, false, info);
    EXPECT_FALSE(info.exifParsed);
    facts.firstDirectoryRead = false;
    TakeExifFields(facts, true, info);
    EXPECT_FALSE(info.exifParsed);
    facts.firstDirectoryRead = true;
    TakeExifFields(facts, true, info);
    EXPECT_TRUE(info.exifParsed);
}

// The sample photos, by name; a file of the corpus not named here is read without a check.
const std::map<std::string, Fields> kCorpusFields = {
        {"image00971.jpg", {false, "", "", 0, false, 0, 0, "2010:04:13 09:37:22+02:00", "Create Date"}},
        {"image01088.jpg", {false, "", "", 0, false, 0, 0, "2010:04:13 09:37:22+02:00", "Create Date"}},
        {"landscape_3.jpg", {true, "", "", 3, false, 0, 0, "", ""}},
        {"Nikon_D70.jpg",
         {true, "NIKON D70", "", 1, false, 0, 0, "2008:03:15 09:52:01", "Date/Time Original"}},
        {"Pentax_K10D.jpg",
         {true, "PENTAX K10D        ", "", 1, false, 0, 0, "2008:05:04 16:47:24", "Date/Time Original"}},
        {"landscape_7.jpg", {true, "", "", 7, false, 0, 0, "", ""}},
        {"Fujifilm_FinePix_E500.jpg",
         {true, "FinePix E500   ", "", 1, false, 0, 0, "2006:08:17 09:24:48", "Date/Time Original"}},
        {"long_description.jpg", {true, "", "", 1, false, 0, 0, "2005:12:17 22:03:32Z", "Create Date"}},
        {"landscape_4.jpg", {true, "", "", 4, false, 0, 0, "", ""}},
        {"landscape_5.jpg", {true, "", "", 5, false, 0, 0, "", ""}},
        {"landscape_2.jpg", {true, "", "", 2, false, 0, 0, "", ""}},
        {"landscape_8.jpg", {true, "", "", 8, false, 0, 0, "", ""}},
        {"Canon_40D.jpg",
         {true, "Canon EOS 40D", "", 1, false, 0, 0, "2008:05:30 15:56:01", "Date/Time Original"}},
        {"landscape_1.jpg", {true, "", "", 1, false, 0, 0, "", ""}},
        {"landscape_6.jpg", {true, "", "", 6, false, 0, 0, "", ""}},
};

TEST(ExifFields, CorpusPhotos)
{
    const std::filesystem::path corpus = QM_CORPUS_DIR;
    std::error_code error;
    if (!std::filesystem::is_directory(corpus, error))
        GTEST_SKIP() << "no sample corpus at " << corpus;
    std::size_t checked = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus, error)) {
        std::string ext = entry.path().extension().string();
        for (char& ch : ext)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (!entry.is_regular_file() || (ext != ".jpg" && ext != ".jpeg"))
            continue;
        const auto expected = kCorpusFields.find(entry.path().filename().string());
        if (expected == kCorpusFields.end())
            continue;
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        EXPECT_EQ(FieldsOf(ReadJpeg(bytes)->info), expected->second);
        ++checked;
    }
    if (checked == 0)
        GTEST_SKIP() << "none of the named sample photos in " << corpus;
}

}  // namespace
