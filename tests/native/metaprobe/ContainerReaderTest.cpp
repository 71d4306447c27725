#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "metaprobe/AppleMakerNote.h"
#include "metaprobe/FileInfo.h"
#include "metaprobe/IsoValueText.h"
#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/TiffBuilder.h"

using qmtest::Ifd;

namespace {

std::vector<uint8_t> DatedTiff()
{
    Ifd exif;
    exif.Ascii(0x9003, "2019:05:04 10:11:12");
    Ifd ifd0;
    ifd0.Short(0x0112, 8).Ascii(0x0132, "2019:05:05 00:00:00").Sub(0x8769, exif);
    return qmtest::BuildTiff(ifd0, {qmtest::ByteOrder::Motorola});
}

TEST(MetaprobePng, ExifChunkAfterImageData)
{
    std::vector<uint8_t> png = qmtest::BuildPng(16, 8, qmtest::PngChunk("eXIf", DatedTiff()));
    metaprobe::Listing listing = ProbeBytes(png);
    EXPECT_EQ(listing.Value("File Type"), "PNG");
    EXPECT_EQ(listing.Value("Image Width"), "16");
    EXPECT_EQ(listing.Value("Color Type"), "RGB");
    EXPECT_EQ(listing.Value("Date/Time Original"), "2019:05:04 10:11:12");
    EXPECT_EQ(listing.Value("Orientation"), "Rotate 270 CW");
    EXPECT_EQ(listing.Value("Warning"),
              "[minor] Text/EXIF chunk(s) found after PNG IDAT (may be ignored by some readers)");
}

TEST(MetaprobePng, ChunkLongerThanFileIsAnError)
{
    std::vector<uint8_t> png = qmtest::BuildPng(16, 8, {});
    std::vector<uint8_t> broken(png.begin(), png.begin() + 8);
    broken.insert(broken.end(), {0x7F, 0xFF, 0xFF, 0xFF, 'e', 'X', 'I', 'f', 1, 2, 3});
    metaprobe::Listing listing = ProbeBytes(broken);
    EXPECT_EQ(listing.Value("Error"), "Truncated PNG image");
    EXPECT_FALSE(listing.Has("Date/Time Original"));
}

TEST(MetaprobeIso, HeicExifItem)
{
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildHeic(DatedTiff()));
    EXPECT_EQ(listing.Value("File Type"), "HEIC");
    EXPECT_EQ(listing.Value("Major Brand"), "High Efficiency Image Format HEVC still image (.HEIC)");
    EXPECT_EQ(listing.Value("Primary Item Reference"), "1");
    EXPECT_EQ(listing.Value("Date/Time Original"), "2019:05:04 10:11:12");
    EXPECT_EQ(listing.Value("Orientation"), "Rotate 270 CW");
}

TEST(MetaprobeAppleContent, IdentifierOfTheStillAndOfTheVideo)
{
    const std::string id = "5C2F6A3E-1B7D-4E8A-9F00-0123456789AB";
    Ifd exif;
    exif.Ascii(0x9003, "2019:05:04 10:11:12").Undefined(0x927C, qmtest::AppleMakerNote(id));
    Ifd ifd0;
    ifd0.Sub(0x8769, exif);
    const std::vector<uint8_t> tiff = qmtest::BuildTiff(ifd0, {qmtest::ByteOrder::Intel});
    EXPECT_EQ(ProbeBytes(qmtest::BuildHeic(tiff)).Value("Media Group UUID"), id);
    // With the acceleration vector, which lies after the identifier's text.
    Ifd held;
    held.Ascii(0x9003, "2019:05:04 10:11:12").Undefined(0x927C, qmtest::AppleMakerNote(id, {-980, 14, 1500}));
    metaprobe::Listing listing =
            ProbeBytes(qmtest::BuildHeic(qmtest::BuildTiff(Ifd().Sub(0x8769, held), {})));
    EXPECT_EQ(listing.Value("Acceleration Vector"), "-0.98 0.014 1.5");
    EXPECT_EQ(listing.Value("Media Group UUID"), id);
    EXPECT_EQ(ProbeBytes(qmtest::BuildMovie("qt  ", 100, 100, id)).Value("Content Identifier"), id);
    EXPECT_FALSE(ProbeBytes(qmtest::BuildMovie("qt  ", 100, 100)).Has("Content Identifier"));
}

TEST(MetaprobeAppleContent, CreationDateOfTheQuickTimeMetadata)
{
    const auto creation = [](const std::string& value) {
        return ProbeBytes(qmtest::BuildMovie("qt  ", 100, 100, "ID-1", value)).Value("Creation Date");
    };
    EXPECT_EQ(creation("2019-05-04T15:20:30+0200"), "2019:05:04 15:20:30+02:00");
    EXPECT_EQ(creation("2019-05-04T15:20:30.123-07:00"), "2019:05:04 15:20:30.123-07:00");
    EXPECT_EQ(creation("2019-05-04T15:20+0200"), "2019:05:04 15:20+02:00");
    EXPECT_EQ(creation("2019-05-04T15:20:30 Z"), "2019:05:04 15:20:30Z");
    // Not a date and time as written: the text stands, a four-digit zone gets its colon.
    EXPECT_EQ(creation("2019-05-04"), "2019-05-04");
    EXPECT_EQ(creation("2019-5-04T15:20:30+0200"), "2019-5-04T15:20:30+02:00");
    EXPECT_EQ(creation("2019-05-04T15:20:30 + 0200"), "2019-05-04T15:20:30 + 0200");
    // Both items of one list are read.
    EXPECT_EQ(ProbeBytes(qmtest::BuildMovie("qt  ", 100, 100, "ID-1", "2019-05-04T15:20:30Z"))
                      .Value("Content Identifier"),
              "ID-1");
    EXPECT_FALSE(ProbeBytes(qmtest::BuildMovie("qt  ", 100, 100, "ID-1")).Has("Creation Date"));
}

TEST(MetaprobeAppleContent, DamagedMakerNotesGiveNothing)
{
    const std::vector<uint8_t> good = qmtest::AppleMakerNote("ABC-123");
    std::string id;
    ASSERT_TRUE(metaprobe::AppleContentIdentifier(good, id));
    EXPECT_EQ(id, "ABC-123");
    // Every shorter cut, another signature, and an offset past the end.
    for (std::size_t size = 0; size < good.size() - 8; ++size) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(size));
        EXPECT_FALSE(metaprobe::AppleContentIdentifier(cut, id)) << size;
    }
    std::vector<uint8_t> other = good;
    other[0] = 'X';
    EXPECT_FALSE(metaprobe::AppleContentIdentifier(other, id));
    std::vector<uint8_t> far = good;
    far[14 + 2 + 12 + 11] = 0xF0;  // low byte of the identifier's offset
    EXPECT_FALSE(metaprobe::AppleContentIdentifier(far, id));
    // The acceleration vector cut off at the note's end, and a note of another maker.
    std::vector<uint8_t> held = qmtest::AppleMakerNote("ABC-123", {1, 2, 3});
    held.resize(held.size() - 4);
    metaprobe::Listing listing;
    metaprobe::ReadAppleNote(held, listing);
    EXPECT_FALSE(listing.Has("Acceleration Vector"));
    EXPECT_EQ(listing.Value("Media Group UUID"), "ABC-123");
    held = qmtest::AppleMakerNote("ABC-123", {1, 2, 3});
    held[0] = 'X';
    metaprobe::Listing foreign;
    metaprobe::ReadAppleNote(held, foreign);
    EXPECT_TRUE(foreign.Fields().empty());
}

TEST(MetaprobeIso, MovieDatesInLocalTime)
{
    uint64_t created = qmtest::MovieSeconds(2005, 8, 11, 14, 3, 54);
    uint64_t modified = qmtest::MovieSeconds(2010, 7, 30, 15, 43, 59);
    metaprobe::Listing listing =
            ProbeBytes(qmtest::BuildMovie("qt  ", uint32_t(created), uint32_t(modified)));
    EXPECT_EQ(listing.Value("File Type"), "MOV");
    EXPECT_EQ(listing.Value("Create Date"), metaprobe::LocalTimeText(int64_t(created) - 2082844800));
    EXPECT_EQ(listing.Value("Modify Date"), metaprobe::LocalTimeText(int64_t(modified) - 2082844800));
    EXPECT_EQ(listing.Value("Duration"), "5.00 s");
    EXPECT_EQ(listing.Value("Time Scale"), "600");
}

TEST(MetaprobeIso, CanonCr3MetadataBoxes)
{
    Ifd cmt1;
    cmt1.Ascii(0x010F, "Canon").Short(0x0112, 6).Ascii(0x0132, "2020:02:02 02:02:02");
    Ifd cmt2;
    cmt2.Ascii(0x9003, "2020:02:02 02:02:01").Rational(0x829A, 1, 250);
    metaprobe::Listing listing =
            ProbeBytes(qmtest::BuildCr3(qmtest::BuildTiff(cmt1), qmtest::BuildTiff(cmt2), 0));
    EXPECT_EQ(listing.Value("File Type"), "CR3");
    EXPECT_EQ(listing.Value("Make"), "Canon");
    EXPECT_EQ(listing.Value("Orientation"), "Rotate 90 CW");
    EXPECT_EQ(listing.Value("Date/Time Original"), "2020:02:02 02:02:01");
    EXPECT_EQ(listing.Value("Exposure Time"), "1/250");
    // The movie header's zero date does not replace the EXIF dates.
    EXPECT_EQ(listing.Value("Modify Date"), "2020:02:02 02:02:02");
}

TEST(MetaprobeIso, ZeroDateIsPrintedAsZeros)
{
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildMovie("mp42", 0, 0));
    EXPECT_EQ(listing.Value("File Type"), "MP4");
    EXPECT_EQ(listing.Value("Create Date"), "0000:00:00 00:00:00");
}

TEST(MetaprobeIso, DatesBeyondTheSignedRangeGiveNoText)
{
    // A version 1 movie header holds 64-bit seconds; no calendar reaches the first three.
    EXPECT_EQ(metaprobe::MovieDateText(uint64_t(1) << 63), "");
    EXPECT_EQ(metaprobe::MovieDateText(~uint64_t(0)), "");
    EXPECT_EQ(metaprobe::MovieDateText((uint64_t(1) << 63) - 1), "");
    // Past 2038 a 32-bit time would wrap around to 1901.
    EXPECT_EQ(metaprobe::MovieDateText(qmtest::MovieSeconds(2040, 6, 1, 12, 0, 0)).substr(0, 7), "2040:06");
}

TEST(MetaprobeIso, BoxLargerThanFileStopsReading)
{
    std::vector<uint8_t> movie = qmtest::BuildMovie("qt  ", 100, 100);
    movie[8 + 16 + 3] = 0xFF;  // moov size beyond the end: not read
    movie[8 + 16 + 2] = 0xFF;
    metaprobe::Listing listing = ProbeBytes(movie);
    EXPECT_EQ(listing.Value("File Type"), "MOV");
    EXPECT_FALSE(listing.Has("Create Date"));
}

TEST(MetaprobeFile, FileLinesAndMissingFile)
{
    std::string path = testing::TempDir() + "metaprobe_sample.tif";
    std::vector<uint8_t> bytes = DatedTiff();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
    metaprobe::Listing listing;
    EXPECT_TRUE(metaprobe::ProbeFile(path, listing));
    EXPECT_EQ(listing.Value("File Name"), "metaprobe_sample.tif");
    EXPECT_EQ(listing.Value("File Size"), std::to_string(bytes.size()) + " bytes");
    EXPECT_EQ(listing.Value("Modify Date"), "2019:05:05 00:00:00");
    std::remove(path.c_str());
    metaprobe::Listing missing;
    EXPECT_FALSE(metaprobe::ProbeFile(path, missing));
    EXPECT_EQ(missing.Value("Error"), "File not found");
    EXPECT_FALSE(missing.Has("Modify Date"));
}

TEST(MetaprobeFile, LargeVideoIsReadInSmallPieces)
{
    // A 5 GB movie (sparse on disk): media data first, movie header after the 4 GB mark.
    const uint64_t dataSize = 5ull << 30;
    std::string path = testing::TempDir() + "metaprobe_large.mov";
    std::vector<uint8_t> head = {0, 0, 0,   20,  'f', 't', 'y', 'p', 'q', 't', ' ', ' ', 0,   0,
                                 2, 0, 'q', 't', ' ', ' ', 0,   0,   0,   1,   'm', 'd', 'a', 't'};
    for (int shift = 56; shift >= 0; shift -= 8)
        head.push_back(uint8_t((dataSize + 16) >> shift));
    uint64_t created = qmtest::MovieSeconds(2021, 3, 4, 5, 6, 7);
    std::vector<uint8_t> movie = qmtest::BuildMovie("qt  ", uint32_t(created), uint32_t(created));
    std::vector<uint8_t> moov(movie.begin() + 20, movie.end() - 8);  // without its ftyp and mdat
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(head.data(), 1, head.size(), file), head.size());
    ASSERT_TRUE(SeekTo(file, head.size() + dataSize));
    ASSERT_EQ(std::fwrite(moov.data(), 1, moov.size(), file), moov.size());
    ASSERT_EQ(std::fclose(file), 0);

    std::unique_ptr<metaprobe::FileSource> source = metaprobe::FileSource::Open(path);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->Size(), head.size() + dataSize + moov.size());
    CountingSource counting(*source);
    metaprobe::Listing listing;
    metaprobe::ProbeSource(counting, listing);
    std::remove(path.c_str());
    EXPECT_EQ(listing.Value("Create Date"), metaprobe::LocalTimeText(int64_t(created) - 2082844800));
    EXPECT_LT(counting.reads, 40u);
    EXPECT_LT(counting.bytes, 4096u);
}

}  // namespace
