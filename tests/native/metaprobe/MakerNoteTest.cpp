// The camera makers' private notes: the fields that carry the camera's clock and time zone, the
// standard fields some makers keep only there, and the capture dates of older cameras' own blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MakerNoteSamples.h"
#include "tests/support/RawSamples.h"
#include "tests/support/TiffBuilder.h"

using qmtest::ByteOrder;
using qmtest::Ifd;

namespace {

std::vector<uint8_t> Text(const char* bytes, size_t size)
{
    return std::vector<uint8_t>(bytes, bytes + size);
}

// A JPEG whose Exif directory holds the given maker note.
std::vector<uint8_t> JpegWithNote(const std::string& make, const std::vector<uint8_t>& note)
{
    Ifd exif;
    exif.Ascii(0x9003, "2015:03:04 05:06:07").Undefined(0x927C, note);
    Ifd ifd0;
    ifd0.Ascii(0x010F, make).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0, ByteOrder::Intel);
}

// The bytes of a directory built alone, without the TIFF header: values of up to four bytes
// only, which sit in their entries and need no offset.
std::vector<uint8_t> InlineDirectory(const Ifd& ifd, ByteOrder order)
{
    std::vector<uint8_t> tiff = qmtest::BuildTiff(ifd, {order});
    return std::vector<uint8_t>(tiff.begin() + 8, tiff.end());
}

TEST(MetaprobeMakerNote, NikonWorldTime)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        bool big = order == ByteOrder::Motorola;
        // Zone +330 minutes, daylight saving on, dates shown day first.
        const uint8_t zone[] = {uint8_t(big ? 0x01 : 0x4A), uint8_t(big ? 0x4A : 0x01), 1, 2};
        Ifd note;
        note.Undefined(0x0001, {'0', '2', '1', '0'}).Undefined(0x0024, {zone, zone + 4});
        std::vector<uint8_t> bytes = Text("Nikon\0\2\x10\0\0", 10);
        std::vector<uint8_t> tiff = qmtest::BuildTiff(note, {order});
        bytes.insert(bytes.end(), tiff.begin(), tiff.end());
        metaprobe::Listing listing = ProbeBytes(JpegWithNote("NIKON CORPORATION", bytes));
        EXPECT_EQ(listing.Value("Maker Note Version"), "2.10");
        EXPECT_EQ(listing.Value("Time Zone"), "+05:30");
        EXPECT_EQ(listing.Value("Daylight Savings"), "Yes");
        EXPECT_EQ(listing.Value("Date Display Format"), "D/M/Y");
        EXPECT_EQ(listing.Value("Date/Time Original"), "2015:03:04 05:06:07");
    }
    // A western zone, and values outside their lists.
    Ifd note;
    note.Undefined(0x0024, {0xC4, 0xFF, 7, 9});  // -60 minutes
    std::vector<uint8_t> bytes = Text("Nikon\0\2\x10\0\0", 10);
    std::vector<uint8_t> tiff = qmtest::BuildTiff(note, {ByteOrder::Intel});
    bytes.insert(bytes.end(), tiff.begin(), tiff.end());
    metaprobe::Listing listing = ProbeBytes(JpegWithNote("NIKON", bytes));
    EXPECT_EQ(listing.Value("Time Zone"), "-01:00");
    EXPECT_EQ(listing.Value("Daylight Savings"), "Unknown (7)");
    EXPECT_EQ(listing.Value("Date Display Format"), "Unknown (9)");
}

// Each named field has the value given.
void ExpectValues(const metaprobe::Listing& listing,
                  std::initializer_list<std::pair<const char*, const char*>> expected)
{
    for (const auto& [name, value] : expected)
        EXPECT_EQ(listing.Value(name), value) << name;
}

// A Pentax note: "AOC", 0, the byte order, then `note`, whose values all fit in their entries.
std::vector<uint8_t> PentaxJpeg(const Ifd& note, ByteOrder order)
{
    std::vector<uint8_t> bytes = Text(order == ByteOrder::Intel ? "AOC\0II" : "AOC\0MM", 6);
    std::vector<uint8_t> dir = InlineDirectory(note, order);
    bytes.insert(bytes.end(), dir.begin(), dir.end());
    return JpegWithNote("PENTAX Corporation", bytes);
}

TEST(MetaprobeMakerNote, PentaxCameraClock)
{
    Ifd note;
    note.Undefined(0x0006, {0x07, 0xD7, 11, 30}).Undefined(0x0007, {23, 59, 58});
    metaprobe::Listing listing = ProbeBytes(PentaxJpeg(note, ByteOrder::Motorola));
    EXPECT_EQ(listing.Value("Date"), "2007:11:30");
    EXPECT_EQ(listing.Value("Time"), "23:59:58");
}

TEST(MetaprobeMakerNote, PentaxWorldTime)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        // Entries of their own: the destination zone in use, Tokyo at home, an unknown city away.
        Ifd note;
        note.Short(0x0022, 1).Short(0x0023, 56).Short(0x0024, 75).Short(0x0025, 0).Short(0x0026, 1);
        ExpectValues(ProbeBytes(PentaxJpeg(note, order)), {{"World Time Location", "Destination"},
                                                           {"Hometown City", "Tokyo"},
                                                           {"Destination City", "Unknown (75)"},
                                                           {"Hometown DST", "No"},
                                                           {"Destination DST", "Yes"}});
    }
    // The newer cameras' block: flags (home zone, daylight saving at home), a byte, two cities.
    Ifd block;
    block.Undefined(0x006B, {0x02, 0, 0, 74});
    ExpectValues(ProbeBytes(PentaxJpeg(block, ByteOrder::Intel)), {{"World Time Location", "Hometown"},
                                                                   {"Hometown DST", "Yes"},
                                                                   {"Destination DST", "No"},
                                                                   {"Hometown City", "Pago Pago"},
                                                                   {"Destination City", "Budapest"}});
    // A block cut short lists nothing.
    Ifd cut;
    cut.Undefined(0x006B, {0x02, 0, 0});
    EXPECT_FALSE(ProbeBytes(PentaxJpeg(cut, ByteOrder::Intel)).Has("Hometown City"));
}

// A Canon note is a bare directory whose offsets count from the TIFF header of the EXIF block.
std::vector<uint8_t> CanonJpeg(int32_t zoneMinutes, uint32_t daylight)
{
    auto build = [&](uint32_t offset) {
        std::vector<uint8_t> note = {1, 0, 0x35, 0, 9, 0, 4, 0, 0, 0};
        for (uint32_t v : {offset, 0u, 16u, uint32_t(zoneMinutes), 7u, daylight})
            note.insert(note.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
        return JpegWithNote("Canon", note);
    };
    // Built once to find where the note lands, then with the offset of its value.
    std::vector<uint8_t> first = build(0);
    const uint8_t header[] = {'E', 'x', 'i', 'f', 0, 0};
    auto exif = std::search(first.begin(), first.end(), header, header + 6);
    const uint8_t start[] = {1, 0, 0x35, 0, 9, 0};
    auto note = std::search(first.begin(), first.end(), start, start + 6);
    uint32_t noteInTiff = uint32_t(note - exif) - 6;
    return build(noteInTiff + 18);
}

TEST(MetaprobeMakerNote, CanonTimeInfo)
{
    metaprobe::Listing east = ProbeBytes(CanonJpeg(540, 0));
    EXPECT_EQ(east.Value("Time Zone"), "+09:00");
    EXPECT_EQ(east.Value("Time Zone City"), "Hong Kong");
    EXPECT_EQ(east.Value("Daylight Savings"), "Off");
    metaprobe::Listing west = ProbeBytes(CanonJpeg(-300, 60));
    EXPECT_EQ(west.Value("Time Zone"), "-05:00");
    EXPECT_EQ(west.Value("Daylight Savings"), "On");
    EXPECT_EQ(west.Value("Date/Time Original"), "2015:03:04 05:06:07");
}

// A note whose values point outside it lists nothing from it, and the picture's fields stay.
TEST(MetaprobeMakerNote, ValuesOutsideTheNoteAreNotRead)
{
    std::vector<uint8_t> note = {1, 0, 0x35, 0, 9, 0, 4, 0, 0, 0, 0xF0, 0xFF, 0, 0, 0, 0, 0, 0};
    metaprobe::Listing canon = ProbeBytes(JpegWithNote("Canon", note));
    EXPECT_FALSE(canon.Has("Time Zone"));
    EXPECT_EQ(canon.Value("Date/Time Original"), "2015:03:04 05:06:07");
    std::vector<uint8_t> cut = Text("Nikon\0\2\x10\0\0MM\0*\0\0\0\x08\0\x05", 20);
    metaprobe::Listing nikon = ProbeBytes(JpegWithNote("NIKON", cut));
    EXPECT_FALSE(nikon.Has("Time Zone"));
    EXPECT_EQ(nikon.Value("Date/Time Original"), "2015:03:04 05:06:07");
}

const ByteOrder kOrders[] = {ByteOrder::Intel, ByteOrder::Motorola};

// A Canon note with the camera settings (contrast, saturation, sharpness at positions 13-15,
// metering at 17), owner and serial number.
Ifd CanonNote(int16_t contrast, int16_t saturation, int16_t sharpness, int16_t metering, uint32_t serial)
{
    std::vector<uint16_t> settings(46, 0);
    settings[0] = 92;
    settings[13] = uint16_t(contrast);
    settings[14] = uint16_t(saturation);
    settings[15] = uint16_t(sharpness);
    settings[17] = uint16_t(metering);
    Ifd note;
    note.Shorts(0x0001, settings).Ascii(0x0009, "Jane Doe   ").Long(0x000C, serial);
    return note;
}

metaprobe::Listing CanonListing(const std::string& model, const Ifd& note, ByteOrder order,
                                const qmtest::Shorts& before = {})
{
    return ProbeBytes(qmtest::JpegWithMakerNote(
            "Canon", model, [&](uint32_t offset) { return qmtest::TiffRelativeNote(note, order, offset); },
            order, before));
}

TEST(MetaprobeMakerNote, CanonSettingsOwnerAndSerialNumber)
{
    for (ByteOrder order : kOrders) {
        // The note's metering replaces the Exif directory's, which comes before it.
        metaprobe::Listing a =
                CanonListing("Canon EOS 5D", CanonNote(0, 0, 0, 5, 123456789), order, {{0x9207, 2}});
        EXPECT_EQ(a.Value("Contrast"), "Normal");
        EXPECT_EQ(a.Value("Saturation"), "Normal");
        EXPECT_EQ(a.Value("Sharpness"), "0");
        EXPECT_EQ(a.Value("Metering Mode"), "Center-weighted average");
        EXPECT_EQ(a.Value("Owner Name"), "Jane Doe");
        EXPECT_EQ(a.Value("Serial Number"), "0123456789");
        metaprobe::Listing b = CanonListing("Canon EOS D30", CanonNote(-1, 2, 3, 9, 123456789), order);
        EXPECT_EQ(b.Value("Contrast"), "-1");
        EXPECT_EQ(b.Value("Saturation"), "+2");
        EXPECT_EQ(b.Value("Sharpness"), "+3");
        EXPECT_EQ(b.Value("Metering Mode"), "Unknown (9)");
        EXPECT_EQ(b.Value("Serial Number"), "075b52501");
        // 0x7FFF marks a setting the camera did not record: not listed.
        metaprobe::Listing c =
                CanonListing("Canon EOS-1D Mark III", CanonNote(0x7FFF, 0x7FFF, 0x7FFF, 0, 42), order);
        EXPECT_FALSE(c.Has("Contrast"));
        EXPECT_FALSE(c.Has("Saturation"));
        EXPECT_FALSE(c.Has("Sharpness"));
        EXPECT_EQ(c.Value("Metering Mode"), "Default");
        EXPECT_EQ(c.Value("Serial Number"), "42");
    }
}

TEST(MetaprobeMakerNote, CanonNoteKeptByAConvertedRawFile)
{
    for (ByteOrder order : kOrders) {
        const uint32_t original = 3000;
        std::vector<uint8_t> note =
                qmtest::TiffRelativeNote(CanonNote(1, -1, 2, 3, 12345678), order, original);
        metaprobe::Listing listing = ProbeBytes(
                qmtest::DngWithMakerNote("Canon", "Canon EOS 350D DIGITAL", note, original, order));
        EXPECT_EQ(listing.Value("Contrast"), "+1");
        EXPECT_EQ(listing.Value("Saturation"), "-1");
        EXPECT_EQ(listing.Value("Metering Mode"), "Evaluative");
        EXPECT_EQ(listing.Value("Owner Name"), "Jane Doe");
        EXPECT_EQ(listing.Value("Serial Number"), "0012345678");
        // The same block cut short, or claiming more than it holds: nothing read from it.
        std::vector<uint8_t> dng =
                qmtest::DngWithMakerNote("Canon", "Canon EOS 350D DIGITAL", note, 2000, order);
        EXPECT_FALSE(ProbeBytes(dng).Has("Owner Name"));
        std::vector<uint8_t> cut(note.begin(), note.begin() + 20);
        EXPECT_FALSE(
                ProbeBytes(qmtest::DngWithMakerNote("Canon", "X", cut, original, order)).Has("Contrast"));
    }
}

std::vector<uint8_t> NikonJpeg(const Ifd& note, ByteOrder order, const qmtest::Shorts& before,
                               const qmtest::Shorts& after)
{
    std::vector<uint8_t> bytes = qmtest::SelfContainedNote(note, order, Text("Nikon\0\2\x10\0\0", 10));
    return qmtest::JpegWithMakerNote(
            "NIKON CORPORATION", "NIKON D2X", [&](uint32_t) { return bytes; }, order, before, after);
}

TEST(MetaprobeMakerNote, NikonSettingNamesAndSerialNumber)
{
    for (ByteOrder order : kOrders) {
        Ifd note;
        note.Ascii(0x0005, "DIRECT SUNLIGHT ")
                .Ascii(0x0006, "MED.L")
                .Ascii(0x001D, "  0012 ")
                .Ascii(0x0090, "Cool WHT FL")
                .Ascii(0x00AA, "MODE2 X_Y1");
        // The note's white balance stays over the Exif directory's, even after it; its light
        // source replaces the one before it.
        metaprobe::Listing listing = ProbeBytes(NikonJpeg(note, order, {{0x9208, 1}}, {{0xA403, 1}}));
        EXPECT_EQ(listing.Value("White Balance"), "Direct Sunlight");
        EXPECT_EQ(listing.Value("Sharpness"), "Med.L");
        EXPECT_EQ(listing.Value("Serial Number"), "  0012");
        EXPECT_EQ(listing.Value("Light Source"), "Cool WHT FL");
        EXPECT_EQ(listing.Value("Saturation"), "Mode2 X_Y1");
        // The second serial number entry wins, in word case.
        note.Ascii(0x00A0, "NO= 3005");
        EXPECT_EQ(ProbeBytes(NikonJpeg(note, order, {}, {})).Value("Serial Number"), "No= 3005");
    }
}

std::vector<uint8_t> FujifilmNote(uint16_t sharpness, uint16_t whiteBalance, uint16_t saturation,
                                  uint16_t contrast)
{
    Ifd note;
    note.Short(0x1001, sharpness)
            .Short(0x1002, whiteBalance)
            .Short(0x1003, saturation)
            .Short(0x1004, contrast);
    std::vector<uint8_t> bytes = Text("FUJIFILM\x0C\0\0\0", 12);
    std::vector<uint8_t> tiff = qmtest::BuildTiff(note, {ByteOrder::Intel, 12});
    bytes.insert(bytes.end(), tiff.begin() + 12, tiff.end());
    return bytes;
}

TEST(MetaprobeMakerNote, FujifilmPictureSettings)
{
    for (ByteOrder order : kOrders) {
        std::vector<uint8_t> note = FujifilmNote(130, 1280, 384, 256);
        metaprobe::Listing listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "FUJIFILM", "FinePix E500", [&](uint32_t) { return note; }, order));
        EXPECT_EQ(listing.Value("Sharpness"), "-1 (medium soft)");
        EXPECT_EQ(listing.Value("White Balance"), "Flash");
        EXPECT_EQ(listing.Value("Saturation"), "-1 (medium low)");
        EXPECT_EQ(listing.Value("Contrast"), "High");
        // Values outside the tables; the Exif directory's sharpness after the note replaces it.
        note = FujifilmNote(7, 5, 99, 9);
        listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "FUJIFILM", "FinePix E500", [&](uint32_t) { return note; }, order, {}, {{0xA40A, 1}}));
        EXPECT_EQ(listing.Value("Sharpness"), "Soft");
        EXPECT_EQ(listing.Value("White Balance"), "Unknown (0x5)");
        EXPECT_EQ(listing.Value("Saturation"), "Unknown (0x63)");
        EXPECT_EQ(listing.Value("Contrast"), "Unknown (0x9)");
    }
}

TEST(MetaprobeMakerNote, FujifilmRollAngle)
{
    for (ByteOrder order : kOrders) {
        Ifd note;
        note.SRational(0x144D, -3, 2);
        std::vector<uint8_t> bytes =
                qmtest::TiffRelativeNote(note, ByteOrder::Intel, 0, Text("FUJIFILM\x0C\0\0\0", 12));
        metaprobe::Listing listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "FUJIFILM", "X-T3", [&](uint32_t) { return bytes; }, order));
        EXPECT_EQ(listing.Value("Roll Angle"), "-1.5");
        // Read as a signed ratio, little-endian whatever the EXIF block's order.
        note = Ifd();
        note.SRational(0x144D, 1, 3);
        bytes = qmtest::TiffRelativeNote(note, ByteOrder::Intel, 0, Text("FUJIFILM\x0C\0\0\0", 12));
        EXPECT_EQ(ProbeBytes(qmtest::JpegWithMakerNote(
                                     "FUJIFILM", "X-T3", [&](uint32_t) { return bytes; }, order))
                          .Value("Roll Angle"),
                  "0.3333333333");
    }
}

// Olympus camera settings: roll and pitch in tenths of a degree, each with its validity flag,
// and the clock in UTC.
Ifd OlympusSettings(ByteOrder order, int16_t roll, int16_t pitch, uint16_t valid, const std::string& utc)
{
    auto pair = [&](int16_t angle) {
        uint16_t words[] = {uint16_t(angle), valid};
        std::vector<uint8_t> bytes;
        for (uint16_t word : words) {
            uint8_t high = uint8_t(word >> 8), low = uint8_t(word);
            bytes.push_back(order == ByteOrder::Motorola ? high : low);
            bytes.push_back(order == ByteOrder::Motorola ? low : high);
        }
        return bytes;
    };
    Ifd settings;
    settings.Raw(0x0903, qmtest::fmt::SShort, 2, pair(roll))
            .Raw(0x0904, qmtest::fmt::SShort, 2, pair(pitch))
            .Ascii(0x0908, utc);
    return settings;
}

TEST(MetaprobeMakerNote, OlympusClockInUtcAndLevel)
{
    for (ByteOrder order : kOrders) {
        bool big = order == ByteOrder::Motorola;
        // The newer layout: its own byte order (the opposite of the EXIF block's here) and
        // offsets from the note's start.
        ByteOrder own = big ? ByteOrder::Intel : ByteOrder::Motorola;
        Ifd note;
        note.Undefined(0x0000, {'0', '1', '0', '0'})
                .Sub(0x2020, OlympusSettings(own, -15, 23, 1, "2016:01:02 03:04:05"));
        std::vector<uint8_t> bytes =
                qmtest::TiffRelativeNote(note, own, 0, Text(big ? "OLYMPUS\0II\3\0" : "OLYMPUS\0MM\3\0", 12));
        metaprobe::Listing listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "OLYMPUS IMAGING CORP.", "E-M5", [&](uint32_t) { return bytes; }, order));
        EXPECT_EQ(listing.Value("Date Time UTC"), "2016:01:02 03:04:05");
        // The roll is shown with the opposite sign, the pitch as stored.
        EXPECT_EQ(listing.Value("Roll Angle"), "1.5");
        EXPECT_EQ(listing.Value("Pitch Angle"), "2.3");
        EXPECT_EQ(listing.Value("Date/Time Original"), "2015:03:04 05:06:07");

        // The same layout after the successor's longer header; a header cut before its byte
        // order is not read.
        bytes = qmtest::TiffRelativeNote(note, own, 0,
                                         Text(big ? "OM SYSTEM\0\0\0II\3\0" : "OM SYSTEM\0\0\0MM\3\0", 16));
        listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "OM Digital Solutions", "OM-1", [&](uint32_t) { return bytes; }, order));
        EXPECT_EQ(listing.Value("Date Time UTC"), "2016:01:02 03:04:05");
        EXPECT_EQ(listing.Value("Pitch Angle"), "2.3");
        listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "OM Digital Solutions", "OM-1", [&](uint32_t) { return Text("OM SYSTEM\0\0\0II", 14); },
                order));
        EXPECT_FALSE(listing.Has("Date Time UTC"));
        EXPECT_EQ(listing.Value("Date/Time Original"), "2015:03:04 05:06:07");

        // The older layout: the EXIF block's byte order, offsets from its TIFF header; the
        // settings pointer in the directory format (13) cameras write.
        note = Ifd();
        note.Sub(0x2020, OlympusSettings(order, 100, -7, 1, "2017:11:12 13:14:15"));
        listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "OLYMPUS OPTICAL CO.,LTD", "C5050Z",
                [&](uint32_t offset) {
                    std::vector<uint8_t> older =
                            qmtest::TiffRelativeNote(note, order, offset, Text("OLYMP\0\1\0", 8));
                    older[big ? 13 : 12] = 13;
                    return older;
                },
                order));
        EXPECT_EQ(listing.Value("Date Time UTC"), "2017:11:12 13:14:15");
        EXPECT_EQ(listing.Value("Roll Angle"), "-10");
        EXPECT_EQ(listing.Value("Pitch Angle"), "-0.7");

        // Angles the sensor did not measure.
        note = Ifd();
        note.Sub(0x2020, OlympusSettings(order, 5, 5, 2, "2017:11:12 13:14:15"));
        listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "OLYMPUS OPTICAL CO.,LTD", "C5050Z",
                [&](uint32_t offset) {
                    return qmtest::TiffRelativeNote(note, order, offset, Text("OLYMP\0\1\0", 8));
                },
                order));
        EXPECT_EQ(listing.Value("Roll Angle"), "n/a");
        EXPECT_EQ(listing.Value("Pitch Angle"), "n/a");

        // A settings pointer beyond the note is not followed.
        note = Ifd();
        note.Long(0x2020, 0x7FFFFFF0);
        std::vector<uint8_t> far =
                qmtest::TiffRelativeNote(note, own, 0, Text(big ? "OLYMPUS\0II\3\0" : "OLYMPUS\0MM\3\0", 12));
        listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "OLYMPUS IMAGING CORP.", "E-M5", [&](uint32_t) { return far; }, order));
        EXPECT_FALSE(listing.Has("Date Time UTC"));
    }
}

TEST(MetaprobeMakerNote, SonyShotInfoClock)
{
    for (ByteOrder order : kOrders) {
        for (const char* prefix : {"SONY DSC \0\0\0", "SONY CAM \0\0\0", ""}) {
            Ifd note;
            note.Undefined(0x3000, qmtest::ShotInfoBlock("2016:05:06 07:08:09", 68)).Short(0xB001, 280);
            metaprobe::Listing listing = ProbeBytes(qmtest::JpegWithMakerNote(
                    "SONY", "DSC-RX100",
                    [&](uint32_t offset) {
                        return qmtest::TiffRelativeNote(note, order, offset, Text(prefix, *prefix ? 12 : 0));
                    },
                    order));
            EXPECT_EQ(listing.Value("Sony Date Time"), "2016:05:06 07:08:09") << prefix;
        }
        // The text ends at its first NUL or at the block's end; a block of the header alone
        // gives none.
        Ifd note;
        note.Undefined(0x3000, qmtest::ShotInfoBlock(std::string("2016:0x:06 07\0 08:09", 19), 0));
        auto sony = [&](const Ifd& dir) {
            return ProbeBytes(qmtest::JpegWithMakerNote(
                    "SONY", "DSC-RX100",
                    [&](uint32_t offset) {
                        return qmtest::TiffRelativeNote(dir, order, offset, Text("SONY DSC \0\0\0", 12));
                    },
                    order));
        };
        EXPECT_EQ(sony(note).Value("Sony Date Time"), "2016:0x:06 07");
        std::vector<uint8_t> shortBlock = qmtest::ShotInfoBlock("2016:05:06 07:08:09", 0);
        shortBlock.resize(16);
        note = Ifd();
        note.Undefined(0x3000, shortBlock);
        EXPECT_EQ(sony(note).Value("Sony Date Time"), "2016:05:06");
        shortBlock.resize(6);
        note = Ifd();
        note.Undefined(0x3000, shortBlock);
        EXPECT_FALSE(sony(note).Has("Sony Date Time"));
        // Without a header, a little-endian note of one entry is a raw file's block of another
        // layout; big-endian, it is this directory.
        note = Ifd();
        note.Undefined(0x3000, qmtest::ShotInfoBlock("2016:05:06 07:08:09", 68));
        metaprobe::Listing bare = ProbeBytes(qmtest::JpegWithMakerNote(
                "SONY", "DSC-RX100",
                [&](uint32_t offset) { return qmtest::TiffRelativeNote(note, order, offset); }, order));
        EXPECT_EQ(bare.Has("Sony Date Time"), order == ByteOrder::Motorola);
    }
}

// The camera's clock in the enciphered blocks: block 0x2010 keeps it at a place that depends on
// the model (and not at all for some), block 0x9050 of a few models keeps a second one, of a few
// others its minutes and seconds.
TEST(MetaprobeMakerNote, SonyEncipheredClocks)
{
    const std::vector<uint8_t> clock = {0xE0, 0x07, 5, 6, 7, 8, 9};
    struct Layout {
        const char* model;
        size_t at;
    };
    const Layout layouts[] = {{"SLT-A77", 438},   {"NEX-VG20E", 438}, {"NEX-F3", 528},    {"SLT-A57", 528},
                              {"DSC-WX100", 510}, {"DSC-TX66", 510},  {"DSC-RX100", 556}, {"ILCE-3500", 556}};
    for (ByteOrder order : kOrders) {
        for (const Layout& layout : layouts) {
            Ifd note;
            note.Undefined(0x2010, qmtest::SonyBlock(2000, layout.at, clock));
            metaprobe::Listing listing = ProbeBytes(qmtest::SonyJpeg(layout.model, note, order));
            EXPECT_EQ(listing.Value("Sony Date Time"), "2016:05:06 07:08:09") << layout.model;
        }
        // The year is least significant byte first in either byte order, and the bytes 249 to
        // 255, stored as they are, read back as they are.
        Ifd note;
        note.Undefined(0x2010, qmtest::SonyBlock(2000, 556, {0x10, 0x27, 200, 255, 250, 100, 249}));
        EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("DSC-RX100", note, order)).Value("Sony Date Time"),
                  "10000:200:255 250:100:249");
        // Models of layouts without the clock, and unknown models, list none, wherever it is put.
        note = Ifd();
        std::vector<uint8_t> everywhere(2000, 0);
        for (size_t at : {438, 510, 528, 556})
            std::copy(clock.begin(), clock.end(), everywhere.begin() + long(at));
        note.Undefined(0x2010, qmtest::SonyEnciphered(everywhere));
        for (const char* model : {"NEX-5N", "DSC-RX100M2", "ILCE-7M3", "DSC-RX100X", "XYZ"})
            EXPECT_FALSE(ProbeBytes(qmtest::SonyJpeg(model, note, order)).Has("Sony Date Time")) << model;
        EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("NEX-7", note, order)).Value("Sony Date Time"),
                  "2016:05:06 07:08:09");

        // Block 0x9050: the year within the century after "20", for the models that keep it.
        note = Ifd();
        note.Undefined(0x9050, qmtest::SonyBlock(300, 81, {16, 5, 6, 7, 8, 9}));
        for (const char* model : {"ILCE-7", "ILCE-6000", "ILCE-QX1"})
            EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg(model, note, order)).Value("Sony Date Time 2"),
                      "2016:05:06 07:08:09")
                    << model;
        for (const char* model : {"ILCE-7RM2", "ILCE-7M3", "SLT-A77", "DSC-RX100"})
            EXPECT_FALSE(ProbeBytes(qmtest::SonyJpeg(model, note, order)).Has("Sony Date Time 2")) << model;
        note = Ifd();
        note.Undefined(0x9050, qmtest::SonyBlock(300, 81, {200, 255, 250, 100, 249, 0}));
        EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("ILCE-7S", note, order)).Value("Sony Date Time 2"),
                  "20200:255:250 100:249:00");
        // Others keep only the minutes and seconds, at byte 97.
        note = Ifd();
        note.Undefined(0x9050, qmtest::SonyBlock(300, 97, {33, 44}));
        for (const char* model : {"ILCE-7RM2", "ILCE-6300"}) {
            metaprobe::Listing listing = ProbeBytes(qmtest::SonyJpeg(model, note, order));
            EXPECT_EQ(listing.Value("Sony Time Min Sec"), "33:44") << model;
            EXPECT_FALSE(listing.Has("Sony Date Time 2")) << model;
        }
        for (const char* model : {"ILCE-7M3", "ILCA-99M2", "ILCE-7"})
            EXPECT_FALSE(ProbeBytes(qmtest::SonyJpeg(model, note, order)).Has("Sony Time Min Sec")) << model;
        note = Ifd();
        note.Undefined(0x9050, qmtest::SonyBlock(300, 97, {200, 255}));
        EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("ILCE-7SM2", note, order)).Value("Sony Time Min Sec"),
                  "200:255");

        // The shot-information block's clock wins over block 0x2010's wherever either lies, and of
        // two 0x2010 blocks the first wins; of two 0x9050 blocks, the later.
        for (bool shotFirst : {false, true}) {
            note = Ifd();
            std::vector<uint8_t> shot = qmtest::ShotInfoBlock("2011:12:13 14:15:16", 68);
            std::vector<uint8_t> block = qmtest::SonyBlock(2000, 556, clock);
            if (shotFirst)
                note.Undefined(0x3000, shot).Undefined(0x2010, block);
            else
                note.Undefined(0x2010, block).Undefined(0x3000, shot);
            EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("DSC-RX100", note, order)).Value("Sony Date Time"),
                      "2011:12:13 14:15:16");
        }
        note = Ifd();
        note.Undefined(0x2010, qmtest::SonyBlock(600, 556, clock))
                .Undefined(0x2010, qmtest::SonyBlock(600, 556, {0xE1, 0x07, 5, 6, 7, 8, 9}));
        EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("DSC-RX100", note, order)).Value("Sony Date Time"),
                  "2016:05:06 07:08:09");
        note = Ifd();
        note.Undefined(0x9050, qmtest::SonyBlock(300, 81, {16, 5, 6, 7, 8, 9}))
                .Undefined(0x9050, qmtest::SonyBlock(300, 81, {17, 5, 6, 7, 8, 9}));
        EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("ILCE-7", note, order)).Value("Sony Date Time 2"),
                  "2017:05:06 07:08:09");
    }
}

// How the camera was held, in block 0x9400: its first stored byte tells the layout.
TEST(MetaprobeMakerNote, SonyEncipheredOrientation)
{
    struct Case {
        uint8_t first;
        size_t at;
        uint8_t value;
        const char* text;
    };
    const Case cases[] = {{0x07, 40, 6, "Rotate 90 CW"},   {0x09, 40, 1, "Horizontal (normal)"},
                          {0x0A, 40, 2, "Unknown (2)"},    {0x0C, 36, 3, "Rotate 180"},
                          {0x23, 41, 8, "Rotate 270 CW"},  {0x28, 41, 6, "Rotate 90 CW"},
                          {0x32, 41, 255, "Unknown (255)"}};
    for (ByteOrder order : kOrders) {
        for (const Case& c : cases) {
            Ifd note;
            note.Undefined(0x9400, qmtest::SonyBlock(100, c.at, {c.value}, c.first));
            // Any model: the layout does not depend on it.
            for (const char* model : {"DSC-RX100", "ILCE-7M3", "XYZ"})
                EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg(model, note, order)).Value("Camera Orientation"),
                          c.text)
                        << int(c.first) << " " << model;
        }
        // Of two blocks, the later one's orientation is listed.
        Ifd two;
        two.Undefined(0x9400, qmtest::SonyBlock(100, 40, {6}, 0x07))
                .Undefined(0x9400, qmtest::SonyBlock(100, 36, {3}, 0x0C));
        EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("DSC-RX100", two, order)).Value("Camera Orientation"),
                  "Rotate 180");
        // A block enciphered twice: its first byte is the first layout's, enciphered again.
        std::vector<uint8_t> twice = qmtest::SonyEnciphered(qmtest::SonyBlock(100, 40, {6}, 0x07));
        Ifd note;
        note.Undefined(0x9400, twice);
        EXPECT_EQ(ProbeBytes(qmtest::SonyJpeg("DSC-RX100", note, order)).Value("Camera Orientation"),
                  "Rotate 90 CW");
        // A first byte of no known layout lists nothing.
        for (uint8_t first : {0x00, 0x08, 0x0B, 0x25, 0xFF}) {
            note = Ifd();
            note.Undefined(0x9400, qmtest::SonyBlock(100, 40, {6}, first));
            EXPECT_FALSE(ProbeBytes(qmtest::SonyJpeg("DSC-RX100", note, order)).Has("Camera Orientation"))
                    << int(first);
        }
    }
}

// Damaged blocks: a clock cut short reads its missing bytes as zero, a block ending before its
// field lists nothing, and a block said to be longer than the note is not read.
TEST(MetaprobeMakerNote, SonyEncipheredBlocksCutShort)
{
    const std::vector<uint8_t> clock = {0xE0, 0x07, 5, 6, 7, 8, 9};
    for (ByteOrder order : kOrders) {
        auto listing = [&](const char* model, uint16_t tag, std::vector<uint8_t> block) {
            Ifd note;
            note.Undefined(tag, std::move(block));
            return ProbeBytes(qmtest::SonyJpeg(model, note, order));
        };
        EXPECT_EQ(listing("DSC-RX100", 0x2010, qmtest::SonyBlock(561, 556, clock)).Value("Sony Date Time"),
                  "2016:05:06 07:00:00");
        EXPECT_EQ(listing("DSC-RX100", 0x2010, qmtest::SonyBlock(557, 556, clock)).Value("Sony Date Time"),
                  "0224:00:00 00:00:00");
        EXPECT_FALSE(listing("DSC-RX100", 0x2010, qmtest::SonyBlock(556, 556, clock)).Has("Sony Date Time"));
        EXPECT_FALSE(listing("DSC-RX100", 0x2010, qmtest::SonyBlock(5, 556, clock)).Has("Sony Date Time"));
        EXPECT_EQ(listing("ILCE-7", 0x9050, qmtest::SonyBlock(83, 81, {16, 5, 6, 7, 8, 9}))
                          .Value("Sony Date Time 2"),
                  "2016:05:00 00:00:00");
        EXPECT_FALSE(listing("ILCE-7", 0x9050, qmtest::SonyBlock(81, 81, {16, 5})).Has("Sony Date Time 2"));
        EXPECT_EQ(
                listing("ILCE-6500", 0x9050, qmtest::SonyBlock(98, 97, {33, 44})).Value("Sony Time Min Sec"),
                "33:00");
        EXPECT_FALSE(
                listing("ILCE-6500", 0x9050, qmtest::SonyBlock(97, 97, {33, 44})).Has("Sony Time Min Sec"));
        EXPECT_EQ(listing("DSC-RX100", 0x9400, qmtest::SonyBlock(41, 40, {6}, 0x07))
                          .Value("Camera Orientation"),
                  "Rotate 90 CW");
        EXPECT_FALSE(
                listing("DSC-RX100", 0x9400, qmtest::SonyBlock(40, 40, {6}, 0x07)).Has("Camera Orientation"));
        EXPECT_FALSE(
                listing("DSC-RX100", 0x9400, qmtest::SonyBlock(41, 41, {8}, 0x23)).Has("Camera Orientation"));
        EXPECT_FALSE(listing("DSC-RX100", 0x9400, {0x07}).Has("Camera Orientation"));

        // An entry whose count reaches past the note: the blocks after it are still read.
        Ifd note;
        note.RawOffset(0x2010, qmtest::fmt::Undefined, 0x7FFFFFF0, 0)
                .Undefined(0x9400, qmtest::SonyBlock(100, 40, {6}, 0x07));
        metaprobe::Listing lying = ProbeBytes(qmtest::SonyJpeg("DSC-RX100", note, order));
        EXPECT_FALSE(lying.Has("Sony Date Time"));
        EXPECT_EQ(lying.Value("Camera Orientation"), "Rotate 90 CW");
    }
}

TEST(MetaprobeMakerNote, SigmaSerialNumberAndHeaderAdjustments)
{
    for (ByteOrder order : kOrders) {
        Ifd note;
        note.Ascii(0x0002, "1008382").Ascii(0x0003, "SINGLE");
        std::vector<uint8_t> jpeg = qmtest::JpegWithMakerNote(
                "SIGMA", "SIGMA DP2",
                [&](uint32_t offset) {
                    return qmtest::TiffRelativeNote(note, order, offset, Text("SIGMA\0\0\0\x01\0", 10));
                },
                order);
        metaprobe::Listing listing = ProbeBytes(
                qmtest::BuildX3f(jpeg, 0, {{2, -1.0f}, {5, 0.25f}, {6, 0.0f}, {1, 0.3f}, {30, 7.0f}}));
        EXPECT_EQ(listing.Value("Serial Number"), "1008382");
        EXPECT_EQ(listing.Value("Contrast"), "-1.0");
        EXPECT_EQ(listing.Value("Saturation"), "0.2");
        EXPECT_EQ(listing.Value("Sharpness"), "0.0");
        EXPECT_EQ(listing.Value("Exposure Adjust"), "0.3");
        EXPECT_EQ(listing.Value("Date/Time Original"), "2015:03:04 05:06:07");
    }
}

TEST(MetaprobeMakerNote, PanasonicOrientationAndClockZone)
{
    for (ByteOrder order : kOrders) {
        Ifd note;
        note.Short(0x0030, 6).Short(0x003A, 2).Bytes(0x008F, {3});
        std::vector<uint8_t> dir = InlineDirectory(note, order);
        std::vector<uint8_t> bytes = Text("Panasonic\0\0\0", 12);
        // Reserved first: GCC 12 misreads a growing insert at -O2 as an overflow.
        bytes.reserve(bytes.size() + dir.size());
        bytes.insert(bytes.end(), dir.begin(), dir.end());
        metaprobe::Listing listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "Panasonic", "DMC-FZ8", [&](uint32_t) { return bytes; }, order));
        EXPECT_EQ(listing.Value("Rotation"), "Rotate 90 CW");
        EXPECT_EQ(listing.Value("World Time Location"), "Destination");
        EXPECT_EQ(listing.Value("Camera Orientation"), "Rotate CCW");
        // The picture's own orientation is the EXIF block's; the note never sets it.
        EXPECT_FALSE(listing.Has("Orientation"));
        note = Ifd();
        note.Short(0x0030, 2).Short(0x003A, 0).Bytes(0x008F, {6});
        dir = InlineDirectory(note, order);
        bytes.resize(12);
        bytes.insert(bytes.end(), dir.begin(), dir.end());
        listing = ProbeBytes(qmtest::JpegWithMakerNote(
                "Panasonic", "DMC-FZ8", [&](uint32_t) { return bytes; }, order));
        EXPECT_EQ(listing.Value("Rotation"), "Unknown (2)");
        EXPECT_EQ(listing.Value("World Time Location"), "Unknown (0)");
        EXPECT_EQ(listing.Value("Camera Orientation"), "Unknown (6)");
    }
}

std::vector<uint8_t> ReconyxJpeg(const std::vector<uint8_t>& note, ByteOrder order, bool withDate)
{
    return qmtest::JpegWithMakerNote(
            "RECONYX", "HC600", [&](uint32_t) { return note; }, order, {}, {}, withDate);
}

void Put16(std::vector<uint8_t>& bytes, size_t at, unsigned value)
{
    bytes[at] = uint8_t(value);
    bytes[at + 1] = uint8_t(value >> 8);
}

TEST(MetaprobeMakerNote, TrailCameraCaptureDates)
{
    std::vector<uint8_t> hyperFire(120, 0), ultraFire(120, 0), hyperFire2(160, 0);
    Put16(hyperFire, 0, 0xF101);
    const unsigned hyper[] = {5, 4, 3, 12, 31, 2011};  // seconds ... month, day, year
    const unsigned hyper2[] = {5, 4, 3, 31, 12, 2011};  // seconds ... day, month, year
    for (size_t i = 0; i < 6; ++i) {
        Put16(hyperFire, 22 + 2 * i, hyper[i]);
        Put16(hyperFire2, 62 + 2 * i, hyper2[i]);
    }
    std::memcpy(ultraFire.data(), "RECONYXUF\0", 10);
    std::memcpy(hyperFire2.data(), "RECONYXH2\0", 10);
    const uint8_t ultra[] = {5, 4, 3, 31, 12, 0xDB, 0x07};
    std::memcpy(ultraFire.data() + 59, ultra, sizeof ultra);
    for (ByteOrder order : kOrders) {
        for (const std::vector<uint8_t>* note : {&hyperFire, &ultraFire, &hyperFire2}) {
            EXPECT_EQ(ProbeBytes(ReconyxJpeg(*note, order, false)).Value("Date/Time Original"),
                      "2011:12:31 03:04:05");
            // The EXIF block's own date wins.
            EXPECT_EQ(ProbeBytes(ReconyxJpeg(*note, order, true)).Value("Date/Time Original"),
                      "2015:03:04 05:06:07");
        }
        // A note cut before its date, and a HyperFire layout from another make: no date.
        std::vector<uint8_t> cut(hyperFire.begin(), hyperFire.begin() + 30);
        EXPECT_FALSE(ProbeBytes(ReconyxJpeg(cut, order, false)).Has("Date/Time Original"));
        EXPECT_FALSE(ProbeBytes(qmtest::JpegWithMakerNote(
                                        "Other", "HC600", [&](uint32_t) { return hyperFire; }, order, {}, {},
                                        false))
                             .Has("Date/Time Original"));
    }
}

TEST(MetaprobeMakerNote, TrailCameraSettingsAndSerialNumbers)
{
    std::vector<uint8_t> hyperFire(120, 0), ultraFire(120, 0), hyperFire2(160, 0);
    Put16(hyperFire, 0, 0xF101);
    std::memcpy(ultraFire.data(), "RECONYXUF\0", 10);
    std::memcpy(hyperFire2.data(), "RECONYXH2\0", 10);
    const char serial[] = "H5 01  ";
    for (size_t i = 0; i + 1 < sizeof serial; ++i) {
        Put16(hyperFire, 42 + 2 * i, uint8_t(serial[i]));
        Put16(hyperFire2, 126 + 4 * i, uint8_t(serial[i]));  // zeros between the characters
        ultraFire[75 + i] = uint8_t(serial[i]);
    }
    Put16(hyperFire, 72, 3);
    Put16(hyperFire, 76, 65535);
    Put16(hyperFire, 78, 7);
    Put16(hyperFire2, 82, 128);
    Put16(hyperFire2, 86, 2);
    Put16(hyperFire2, 88, 1);
    Put16(hyperFire2, 90, 1);
    for (ByteOrder order : kOrders) {
        metaprobe::Listing first = ProbeBytes(ReconyxJpeg(hyperFire, order, true));
        EXPECT_EQ(first.Value("Serial Number"), "H5 01");
        EXPECT_EQ(first.Value("Contrast"), "3");
        EXPECT_EQ(first.Value("Sharpness"), "65535");
        EXPECT_EQ(first.Value("Saturation"), "7");
        EXPECT_EQ(ProbeBytes(ReconyxJpeg(ultraFire, order, true)).Value("Serial Number"), "H5 01");
        metaprobe::Listing second = ProbeBytes(ReconyxJpeg(hyperFire2, order, true));
        EXPECT_EQ(second.Value("Serial Number"), "H5 01");
        EXPECT_EQ(second.Value("Contrast"), "128");
        EXPECT_EQ(second.Value("Flash"), "On");
        // The note's flash replaces the EXIF value before it; the EXIF contrast after it wins.
        metaprobe::Listing beside =
                ProbeBytes(qmtest::JpegWithMakerNote("RECONYX", "HC600", [&](uint32_t) { return hyperFire2; },
                                                     order, {{0x9209, 0x19}}, {{0xA408, 2}}));
        EXPECT_EQ(beside.Value("Flash"), "On");
        EXPECT_EQ(beside.Value("Contrast"), "High");
    }
    // Text other than printable ASCII, and a note cut inside the serial number: no serial listed.
    std::vector<uint8_t> accented = hyperFire, control = ultraFire,
                         cut(hyperFire2.begin(), hyperFire2.begin() + 140);
    Put16(accented, 44, 0xE9);
    control[76] = 0x01;
    for (const std::vector<uint8_t>* note : {&accented, &control, &cut}) {
        metaprobe::Listing listing = ProbeBytes(ReconyxJpeg(*note, ByteOrder::Intel, false));
        EXPECT_FALSE(listing.Has("Serial Number"));
        EXPECT_EQ(listing.Value("Date/Time Original"), "0000:00:00 00:00:00");
    }
    EXPECT_EQ(ProbeBytes(ReconyxJpeg(cut, ByteOrder::Intel, false)).Value("Flash"), "On");
}

std::vector<uint8_t> JpegWithSegment(uint8_t marker, const std::string& payload, bool withExif)
{
    qmtest::JpegBuilder jpeg;
    jpeg.Soi();
    if (withExif)
        jpeg.Exif(Ifd().Sub(0x8769, Ifd().Ascii(0x9003, "2002:02:02 02:02:02")), ByteOrder::Intel);
    jpeg.Segment(marker, std::vector<uint8_t>(payload.begin(), payload.end())).Frame(8, 8).Scan().Eoi();
    return jpeg.Bytes();
}

TEST(MetaprobeMakerNote, CompactCameraTextBlockDates)
{
    using namespace std::string_literals;
    // The camera's clock in seconds since 1970, shown without a zone.
    EXPECT_EQ(ProbeBytes(JpegWithSegment(0xEC, "[picture info]\r\nTimeDate=966600000\r\n", false))
                      .Value("Date/Time Original"),
              "2000:08:18 12:00:00");
    EXPECT_EQ(ProbeBytes(JpegWithSegment(0xEC, "OLYMPUS\0[picture info]\nTimeDate=2001:02:03 04:05:06  \n"s,
                                         false))
                      .Value("Date/Time Original"),
              "2001:02:03 04:05:06");
    EXPECT_EQ(ProbeBytes(JpegWithSegment(0xEC, "[picture info]\r\nTimeDate=966600000\r\n", true))
                      .Value("Date/Time Original"),
              "2002:02:02 02:02:02");
    // A key that merely ends in the name, and the block another program writes there.
    EXPECT_FALSE(ProbeBytes(JpegWithSegment(0xEC, "[picture info]\nXTimeDate=5\n", false))
                         .Has("Date/Time Original"));
    EXPECT_FALSE(ProbeBytes(JpegWithSegment(0xEC, "Ducky\nTimeDate=5\n", false)).Has("Date/Time Original"));
    // The exposure time in microseconds; the EXIF block's own wins.
    EXPECT_EQ(ProbeBytes(JpegWithSegment(0xEC, "[picture info]\r\nShutter=8000\r\n", false))
                      .Value("Exposure Time"),
              "1/125");
    EXPECT_EQ(ProbeBytes(JpegWithSegment(0xEC, "[picture info]\r\nShutter=2500000\r\n", false))
                      .Value("Exposure Time"),
              "2.5");
    // Forms whose reading is not certain list nothing.
    for (const char* text : {"[picture info]\nShutter=1.5\n", "[picture info]\nShutter=1\nShutter=2\n",
                             "[picture info]\nshtr=100\nShutter=8000\n", "[picture info]\nXShutter=100\n"})
        EXPECT_FALSE(ProbeBytes(JpegWithSegment(0xEC, text, false)).Has("Exposure Time")) << text;
    std::string qvci(140, '\0');
    qvci.replace(0, 4, "QVCI");
    qvci.replace(77, 19, "2004:05:06 07:08:09");
    EXPECT_EQ(ProbeBytes(JpegWithSegment(0xE1, qvci, false)).Value("Date/Time Original"),
              "2004:05:06 07:08:09");
    EXPECT_FALSE(ProbeBytes(JpegWithSegment(0xE1, qvci.substr(0, 90), false)).Has("Date/Time Original"));
}

}  // namespace
