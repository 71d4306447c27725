// The lookup's EXIF fields of generated JPEG files: byte orders, odd and missing fields, offsets
// out of range, loops between directories, blocks cut short, GPS present, absent or malformed,
// every orientation value; and of the sample photos in the shared corpus.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

#include "tests/native/JpegTestSupport.h"

namespace {

using jpegtest::ReadJpeg;
using qmtest::ByteOrder;
using qmtest::Ifd;
namespace fmt = qmtest::fmt;

constexpr uint16_t kMake = 0x010F, kModel = 0x0110, kOrientation = 0x0112, kExif = 0x8769, kGps = 0x8825,
                   kInterop = 0xA005, kDateTimeOriginal = 0x9003, kCreateDate = 0x9004, kModifyDate = 0x0132,
                   kSerial = 0xA431;

// What the lookup reads of a file's EXIF block.
struct Fields {
    bool exifParsed = false;
    std::string model, serial;
    int orientation = 0;
    bool hasGps = false;
    double latitude = 0, longitude = 0;
    std::string dateTaken, dateField;
};

std::string Printed(const Fields& f)
{
    char text[512];
    std::snprintf(text, sizeof text, "{%s, \"%s\", \"%s\", %d, %s, %.9g, %.9g, \"%s\", \"%s\"}",
                  f.exifParsed ? "true" : "false", f.model.c_str(), f.serial.c_str(), f.orientation,
                  f.hasGps ? "true" : "false", f.latitude, f.longitude, f.dateTaken.c_str(),
                  f.dateField.c_str());
    return text;
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

// The EXIF parser that read the block before: every EXIF section in turn, into one record.
Fields OldFields(const jpegtest::ReadOutcome& read)
{
    ImageInfo info {};
    char error[kErrorTextSize] = {};
    ExifParser parser(info, error);
    for (int i = 0; i < read.reader.SectionCount(); ++i) {
        const JpegSection& s = read.reader.Section(i);
        if (s.marker != 0xE1 || s.size < 6 || std::memcmp(s.data.get() + 2, "Exif", 4) != 0)
            continue;
        std::vector<unsigned char> copy(s.data.get() + 2, s.data.get() + s.size);
        info.exifParsed = parser.ParseExif(copy.data(), s.size);
    }
    Fields f = FieldsOf(info);
    f.dateTaken = read.info.dateTaken;
    f.dateField = read.info.dateTakenField;
    return f;
}

void ExpectSame(const Fields& old, const Fields& now, const std::string& name)
{
    SCOPED_TRACE(name);
    EXPECT_EQ(old.exifParsed, now.exifParsed);
    // A block the old parser refused gave the lookup no model, serial or orientation.
    if (old.exifParsed && now.exifParsed) {
        EXPECT_EQ(old.model, now.model);
        EXPECT_EQ(old.serial, now.serial);
        EXPECT_EQ(old.orientation, now.orientation);
    }
    EXPECT_EQ(old.hasGps, now.hasGps);
    if (old.hasGps && now.hasGps) {
        EXPECT_NEAR(old.latitude, now.latitude, 1e-9);
        EXPECT_NEAR(old.longitude, now.longitude, 1e-9);
    }
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
    const std::vector<std::uint8_t> tiff = qmtest::BuildTiff(Full(), {order, 8, 42});
    add("first offset out of range", JpegOfTiff(qmtest::BuildTiff(Full(), {order, 60000, 42})));
    add("first offset inside the header", JpegOfTiff(qmtest::BuildTiff(Full(), {order, 4, 42})));
    add("wrong magic", JpegOfTiff(qmtest::BuildTiff(Full(), {order, 8, 43})));
    std::vector<std::uint8_t> badOrder = tiff;
    badOrder[0] = 'X';
    add("unknown byte order", JpegOfTiff(badOrder));
    // Cut short at every length.
    for (std::size_t length = 0; length < tiff.size(); ++length)
        add("cut at " + std::to_string(length),
            JpegOfTiff(std::vector<std::uint8_t>(tiff.begin(), tiff.begin() + static_cast<long>(length))));
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

const char* OrderName(ByteOrder order)
{
    return order == ByteOrder::Intel ? "II" : "MM";
}

TEST(ExifFields, OldAndNewReadTheSame)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        for (const Case& c : Cases(order)) {
            const auto read = ReadJpeg(c.jpeg);
            const Fields old = OldFields(*read);
            const Fields now = FieldsOf(read->info);
            std::printf("%s %s old %s\n%s %s new %s\n", OrderName(order), c.name.c_str(),
                        Printed(old).c_str(), OrderName(order), c.name.c_str(), Printed(now).c_str());
            ExpectSame(old, now, std::string(OrderName(order)) + " " + c.name);
        }
    }
}

TEST(ExifFields, CorpusOldAndNewReadTheSame)
{
    const std::filesystem::path corpus = QM_CORPUS_DIR;
    std::error_code error;
    if (!std::filesystem::is_directory(corpus, error))
        GTEST_SKIP() << "no sample corpus at " << corpus;
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus, error)) {
        std::string ext = entry.path().extension().string();
        for (char& ch : ext)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (!entry.is_regular_file() || (ext != ".jpg" && ext != ".jpeg"))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        const auto read = ReadJpeg(bytes);
        const Fields old = OldFields(*read);
        const Fields now = FieldsOf(read->info);
        std::printf("%s old %s\n%s new %s\n", entry.path().filename().string().c_str(), Printed(old).c_str(),
                    entry.path().filename().string().c_str(), Printed(now).c_str());
        ExpectSame(old, now, entry.path().string());
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
