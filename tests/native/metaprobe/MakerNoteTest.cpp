// The camera makers' private notes: the fields that carry the camera's clock and time zone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/JpegBuilder.h"
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

TEST(MetaprobeMakerNote, PentaxCameraClock)
{
    Ifd note;
    note.Undefined(0x0006, {0x07, 0xD7, 11, 30}).Undefined(0x0007, {23, 59, 58});
    std::vector<uint8_t> bytes = Text("AOC\0MM", 6);
    std::vector<uint8_t> dir = InlineDirectory(note, ByteOrder::Motorola);
    bytes.insert(bytes.end(), dir.begin(), dir.end());
    metaprobe::Listing listing = ProbeBytes(JpegWithNote("PENTAX Corporation", bytes));
    EXPECT_EQ(listing.Value("Date"), "2007:11:30");
    EXPECT_EQ(listing.Value("Time"), "23:59:58");
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

}  // namespace
