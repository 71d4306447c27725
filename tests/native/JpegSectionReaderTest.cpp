#include <algorithm>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

#include "tests/native/JpegTestSupport.h"

using jpegtest::FindSection;
using jpegtest::JpegWithApp1;
using jpegtest::ReadJpeg;
using jpegtest::Text;
using qmtest::ByteOrder;
using qmtest::Ifd;
using qmtest::JpegBuilder;

namespace {

Ifd DatedIfd()
{
    return Ifd().Short(0x0112, 6).Sub(0x8769, Ifd().Ascii(0x9003, "2010:07:15 14:03:09"));
}

bool IsZeroFilled(const ImageInfo& info)
{
    static const ImageInfo zero {};
    return std::memcmp(&info, &zero, sizeof info) == 0;
}

}  // namespace

TEST(JpegSectionReader, ReadsHeaderSectionsUpToTheScan)
{
    const auto bytes = JpegBuilder()
                               .Soi()
                               .App0Jfif()
                               .Exif(DatedIfd(), ByteOrder::Intel)
                               .Frame(1200, 1600, 3, 0xC2)
                               .Segment(0xDB, std::vector<uint8_t>(65, 1))
                               .Scan(500)
                               .Eoi()
                               .Bytes();
    const auto read = ReadJpeg(bytes);
    EXPECT_TRUE(read->result);
    EXPECT_STREQ(read->reader.ErrorText(), "");
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_STREQ(read->info.dateTaken, "2010:07:15 14:03:09");
    EXPECT_EQ(read->info.orientation, 6);
    EXPECT_EQ(read->info.imageHeight, 1200);
    EXPECT_EQ(read->info.imageWidth, 1600);
    EXPECT_EQ(read->info.isColor, 1);
    EXPECT_EQ(read->info.codingProcess, 0xC2);
    // APP0 is dropped; EXIF, frame, quantisation table and scan header are kept in file order.
    ASSERT_EQ(read->reader.SectionCount(), 4);
    EXPECT_EQ(read->reader.Section(0).marker, 0xE1);
    EXPECT_EQ(read->reader.Section(1).marker, 0xC2);
    EXPECT_EQ(read->reader.Section(2).marker, 0xDB);
    EXPECT_EQ(read->reader.Section(2).size, 67);
    EXPECT_EQ(read->reader.Section(2).data[0], 0);
    EXPECT_EQ(read->reader.Section(2).data[1], 67);
    EXPECT_EQ(read->reader.Section(2).data[66], 1);
    EXPECT_EQ(read->reader.Section(3).marker, 0xDA);
    // Nothing behind the scan header is read.
    EXPECT_EQ(read->position, static_cast<long>(bytes.size() - 500 - 2));
    EXPECT_EQ(read->output, "");
}

TEST(JpegSectionReader, OwnRecordWhenNoneIsGiven)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    const auto bytes = qmtest::MinimalJpeg(DatedIfd(), ByteOrder::Motorola, 10, 20);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), stream), bytes.size());
    std::rewind(stream);
    JpegSectionReader reader;
    EXPECT_TRUE(reader.ReadSections(stream));
    std::fclose(stream);
    EXPECT_STREQ(reader.Info().dateTaken, "2010:07:15 14:03:09");
    EXPECT_EQ(reader.Info().imageWidth, 20);
    EXPECT_EQ(reader.Info().imageHeight, 10);
}

TEST(JpegSectionReader, NoStartOfImageLeavesEverythingUntouched)
{
    for (const auto& bytes : {std::vector<uint8_t> {0xFF, 0xD9, 0xFF, 0xD8}, std::vector<uint8_t> {0xFF},
                              std::vector<uint8_t> {}, std::vector<uint8_t> {0xD8, 0xFF}}) {
        const auto read = ReadJpeg(bytes);
        EXPECT_FALSE(read->result);
        EXPECT_STREQ(read->reader.ErrorText(), "");
        EXPECT_TRUE(IsZeroFilled(read->info));
        EXPECT_EQ(read->reader.SectionCount(), 0);
    }
}

TEST(JpegSectionReader, SixFillBytesAreAcceptedSevenFail)
{
    // The marker prefix itself counts: Padding(5) + FF C0 is six 0xFF in a row.
    const auto six = ReadJpeg(JpegBuilder().Soi().Padding(5).Frame(30, 40).Scan().Bytes());
    EXPECT_TRUE(six->result);
    EXPECT_EQ(six->info.imageWidth, 40);
    EXPECT_EQ(six->output, "");

    const auto seven = ReadJpeg(JpegBuilder().Soi().Frame(30, 40).Padding(6).Scan().Bytes());
    EXPECT_FALSE(seven->result);
    EXPECT_EQ(seven->output, "too many padding unsigned chars\n");
    EXPECT_STREQ(seven->reader.ErrorText(), "too many padding unsigned chars");
    EXPECT_EQ(seven->info.imageWidth, 40);  // what came before stays
    EXPECT_EQ(seven->reader.SectionCount(), 1);
}

TEST(JpegSectionReader, AnyNonFillByteIsAMarkerCode)
{
    // After SOI the next byte is taken as the marker code even without its 0xFF prefix.
    const auto read = ReadJpeg(JpegBuilder().Soi().Raw({0x12, 0x00, 0x04, 0xAA, 0xBB}).Scan().Bytes());
    EXPECT_TRUE(read->result);
    ASSERT_EQ(read->reader.SectionCount(), 2);
    EXPECT_EQ(read->reader.Section(0).marker, 0x12);
    EXPECT_EQ(read->reader.Section(0).size, 4);
    EXPECT_EQ(read->reader.Section(0).data[3], 0xBB);
}

TEST(JpegSectionReader, EndOfFileAtMarkerOrLengthIsAnInvalidMarker)
{
    const std::vector<std::vector<uint8_t>> streams = {
            {0xFF, 0xD8},  // nothing after SOI
            {0xFF, 0xD8, 0xFF, 0xFF},  // only fill bytes
            {0xFF, 0xD8, 0xFF, 0xDB},  // no length
            {0xFF, 0xD8, 0xFF, 0xDB, 0x00},  // half a length
    };
    for (const auto& bytes : streams) {
        const auto read = ReadJpeg(bytes);
        EXPECT_FALSE(read->result);
        EXPECT_STREQ(read->reader.ErrorText(), "invalid marker");
        EXPECT_EQ(read->output, "");
    }
}

TEST(JpegSectionReader, LengthBelowTwoIsAnInvalidMarker)
{
    for (uint16_t length : {0, 1}) {
        const auto read =
                ReadJpeg(JpegBuilder().Soi().Frame(8, 9).SegmentWithLength(0xDB, length, {}).Scan().Bytes());
        EXPECT_FALSE(read->result);
        EXPECT_STREQ(read->reader.ErrorText(), "invalid marker");
        EXPECT_EQ(read->info.imageWidth, 9);
    }
    const auto two = ReadJpeg(JpegBuilder().Soi().SegmentWithLength(0xDB, 2, {}).Scan().Bytes());
    EXPECT_TRUE(two->result);
    EXPECT_EQ(two->reader.Section(0).size, 2);
}

TEST(JpegSectionReader, SectionCutShortIsAPrematureEnd)
{
    const auto bytes = JpegBuilder()
                               .Soi()
                               .Exif(DatedIfd(), ByteOrder::Intel)
                               .SegmentWithLength(0xDB, 100, {1, 2, 3})
                               .Bytes();
    const auto read = ReadJpeg(bytes);
    EXPECT_FALSE(read->result);
    EXPECT_STREQ(read->reader.ErrorText(), "Premature end of file?");
    EXPECT_STREQ(read->info.dateTaken, "2010:07:15 14:03:09");
    EXPECT_EQ(read->reader.SectionCount(), 1);
}

TEST(JpegSectionReader, EndOfImageBeforeTheScan)
{
    const auto read = ReadJpeg(JpegBuilder().Soi().Frame(5, 6).Eoi().Scan().Bytes());
    EXPECT_FALSE(read->result);
    EXPECT_EQ(read->output, "No image in jpeg!\n");
    EXPECT_STREQ(read->reader.ErrorText(), "No image in jpeg!");
    EXPECT_EQ(read->info.imageHeight, 5);
    // The end-of-image marker has no length field: it is kept without data, and the scan marker
    // behind it is not taken for a length.
    ASSERT_EQ(read->reader.SectionCount(), 2);
    EXPECT_EQ(read->reader.Section(1).marker, 0xD9);
    EXPECT_EQ(read->reader.Section(1).size, 0);
    EXPECT_EQ(read->reader.Section(1).data, nullptr);
    EXPECT_EQ(read->position, 2 + 2 + 2 + 15 + 2);

    // A file that ends with the marker, as a JPEG without image data does.
    const auto bare = ReadJpeg(JpegBuilder().Soi().Eoi().Bytes());
    EXPECT_FALSE(bare->result);
    EXPECT_EQ(bare->output, "No image in jpeg!\n");
    EXPECT_STREQ(bare->reader.ErrorText(), "No image in jpeg!");
}

TEST(JpegSectionReader, AllocationFailure)
{
    const auto bytes = JpegBuilder().Soi().Frame(1, 2).Scan().Bytes();
    jpegtest::gFailNothrowArrayNew = true;
    const auto read = ReadJpeg(bytes);
    jpegtest::gFailNothrowArrayNew = false;
    EXPECT_FALSE(read->result);
    EXPECT_STREQ(read->reader.ErrorText(), "Could not allocate memory");
    EXPECT_EQ(read->reader.SectionCount(), 0);
}

TEST(JpegSectionReader, TooManySectionsKeepsTheExifResults)
{
    JpegBuilder builder;
    builder.Soi().Exif(DatedIfd(), ByteOrder::Intel);
    for (int i = 0; i < 19; ++i)
        builder.Segment(0xDB, {static_cast<uint8_t>(i)});
    const auto exactlyTwenty = ReadJpeg(JpegBuilder(builder).Scan().Bytes());
    EXPECT_FALSE(exactlyTwenty->result);  // the scan would be the 21st section
    EXPECT_STREQ(exactlyTwenty->reader.ErrorText(), "Too many sections in jpg file");
    EXPECT_TRUE(exactlyTwenty->info.exifParsed);
    EXPECT_STREQ(exactlyTwenty->info.dateTaken, "2010:07:15 14:03:09");
    EXPECT_EQ(exactlyTwenty->info.orientation, 6);
    EXPECT_EQ(exactlyTwenty->reader.SectionCount(), JpegSectionReader::kMaxSections);

    JpegBuilder nineteen;
    nineteen.Soi().Exif(DatedIfd(), ByteOrder::Intel);
    for (int i = 0; i < 18; ++i)
        nineteen.Segment(0xDB, {static_cast<uint8_t>(i)});
    const auto fits = ReadJpeg(nineteen.Scan().Bytes());
    EXPECT_TRUE(fits->result);
    EXPECT_EQ(fits->reader.SectionCount(), 20);
}

TEST(JpegSectionReader, DiscardedSectionsDoNotCount)
{
    JpegBuilder builder;
    builder.Soi().Comment("first");
    for (int i = 0; i < 30; ++i) {
        builder.App0Jfif()
                .Segment(0xE1, Text("http://ns.adobe.com/xap/1.0/"))
                .Comment("later")
                .Segment(0xE1, Text("exif"));
    }
    const auto read = ReadJpeg(builder.Frame(2, 3).Scan().Bytes());
    EXPECT_TRUE(read->result);
    ASSERT_EQ(read->reader.SectionCount(), 3);
    EXPECT_EQ(read->reader.Section(0).marker, 0xFE);
    EXPECT_EQ(read->reader.Section(1).marker, 0xC0);
    EXPECT_EQ(read->reader.Section(2).marker, 0xDA);
    EXPECT_STREQ(read->info.comment, "first");
    EXPECT_FALSE(read->info.exifParsed);
    // Emptied slots hold nothing.
    EXPECT_EQ(read->reader.Section(3).data, nullptr);
    EXPECT_EQ(read->reader.Section(3).size, 0);
}

TEST(JpegSectionReader, App1NeedsExactExifSignature)
{
    const auto lower = ReadJpeg(JpegBuilder().Soi().Segment(0xE1, Text("exif\0\0II*\0")).Scan().Bytes());
    EXPECT_TRUE(lower->result);
    EXPECT_FALSE(lower->info.exifParsed);
    EXPECT_STREQ(lower->reader.ErrorText(), "");
    EXPECT_EQ(lower->reader.SectionCount(), 1);

    const auto tiny = ReadJpeg(JpegBuilder().Soi().Segment(0xE1, Text("Exi")).Scan().Bytes());
    EXPECT_TRUE(tiny->result);
    EXPECT_EQ(tiny->reader.SectionCount(), 1);
}

TEST(JpegSectionReader, FrameMarkersAndOtherCodes)
{
    for (int marker = 0xC0; marker <= 0xCF; ++marker) {
        const auto read =
                ReadJpeg(JpegBuilder().Soi().Frame(100, 200, 1, static_cast<uint8_t>(marker)).Scan().Bytes());
        EXPECT_TRUE(read->result);
        const bool frame = marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        EXPECT_EQ(read->info.codingProcess, frame ? marker : 0) << marker;
        EXPECT_EQ(read->info.imageHeight, frame ? 100 : 0) << marker;
        EXPECT_EQ(read->info.imageWidth, frame ? 200 : 0) << marker;
        EXPECT_EQ(read->info.isColor, 0);
        EXPECT_EQ(read->reader.SectionCount(), 2);
    }
}

TEST(JpegSectionReader, ShortFrameHeaderKeepsEarlierSize)
{
    // Height and width need bytes 3 to 6, the component count byte 7: a header shorter than eight
    // bytes is not trusted for any of them, and nothing past its end is read.
    for (size_t payload = 0; payload < 6; ++payload) {
        std::vector<uint8_t> bytes(payload, 0x7F);
        const auto read =
                ReadJpeg(JpegBuilder().Soi().Frame(300, 400, 3).Segment(0xC1, bytes).Scan().Bytes());
        EXPECT_TRUE(read->result);
        EXPECT_EQ(read->info.imageHeight, 300);
        EXPECT_EQ(read->info.imageWidth, 400);
        EXPECT_EQ(read->info.isColor, 1);
        EXPECT_EQ(read->info.codingProcess, 0xC1);
    }
    const auto exact = ReadJpeg(JpegBuilder().Soi().Segment(0xC0, {8, 0, 7, 0, 9, 3}).Scan().Bytes());
    EXPECT_EQ(exact->info.imageHeight, 7);
    EXPECT_EQ(exact->info.imageWidth, 9);
    EXPECT_EQ(exact->info.isColor, 1);
}

TEST(JpegSectionReader, CommentText)
{
    const std::string text = "line one\r\nline two\rtab\there\x01\x7F\xE9";
    const auto read = ReadJpeg(JpegBuilder().Soi().Comment(text).Comment("second").Scan().Bytes());
    EXPECT_TRUE(read->result);
    EXPECT_STREQ(read->info.comment, "line one\nline two?tab\there?\x7F\xE9");
}

TEST(JpegSectionReader, LongCommentIsCut)
{
    const auto read = ReadJpeg(JpegBuilder().Soi().Comment(std::string(1498, 'c')).Scan().Bytes());
    EXPECT_TRUE(read->result);
    EXPECT_EQ(std::strlen(read->info.comment), 998u);
    EXPECT_EQ(read->reader.Section(0).size, 1500);

    // A CR at the cut whose LF lies beyond it is still a CR LF pair.
    const auto pair = ReadJpeg(JpegBuilder().Soi().Comment(std::string(997, 'c') + "\r\nx").Scan().Bytes());
    EXPECT_EQ(std::string(pair->info.comment), std::string(997, 'c'));
    const auto lone = ReadJpeg(JpegBuilder().Soi().Comment(std::string(997, 'c') + "\rx").Scan().Bytes());
    EXPECT_EQ(std::string(lone->info.comment), std::string(997, 'c') + "?");
}

TEST(JpegSectionReader, EmptyCommentStillCountsAsTheFirst)
{
    const auto read = ReadJpeg(JpegBuilder().Soi().Comment("").Comment("second").Scan().Bytes());
    EXPECT_TRUE(read->result);
    EXPECT_STREQ(read->info.comment, "");
    EXPECT_EQ(read->reader.SectionCount(), 2);
    EXPECT_EQ(read->reader.Section(0).size, 2);
}

TEST(JpegSectionReader, TheExifUserCommentIsNoComment)
{
    const Ifd withUserComment = Ifd().Sub(0x8769, Ifd().Undefined(0x9286, Text("user words")));
    const auto exifLast = ReadJpeg(
            JpegBuilder().Soi().Comment("jpeg words").Exif(withUserComment, ByteOrder::Intel).Scan().Bytes());
    EXPECT_STREQ(exifLast->info.comment, "jpeg words");
    const auto exifOnly =
            ReadJpeg(JpegBuilder().Soi().Exif(withUserComment, ByteOrder::Intel).Scan().Bytes());
    EXPECT_STREQ(exifOnly->info.comment, "");
}

TEST(JpegSectionReader, FirstExifSectionDecides)
{
    // The listing reads the first EXIF block only; the fields come from the same walk.
    const auto read = ReadJpeg(JpegBuilder()
                                       .Soi()
                                       .Exif(DatedIfd(), ByteOrder::Motorola)
                                       .Exif(Ifd().Ascii(0x0110, "Second").Short(0x0112, 8), ByteOrder::Intel)
                                       .Scan()
                                       .Bytes());
    EXPECT_TRUE(read->result);
    EXPECT_TRUE(read->info.exifParsed);
    EXPECT_STREQ(read->info.model, "");
    EXPECT_EQ(read->info.orientation, 6);
    EXPECT_EQ(read->reader.SectionCount(), 3);

    const Ifd broken = Ifd().Raw(0x0112, 99, 1, {1, 0, 0, 0});
    const auto brokenFirst = ReadJpeg(JpegBuilder()
                                              .Soi()
                                              .Exif(broken, ByteOrder::Intel)
                                              .Exif(DatedIfd(), ByteOrder::Motorola)
                                              .Scan()
                                              .Bytes());
    EXPECT_FALSE(brokenFirst->info.exifParsed);
    EXPECT_EQ(brokenFirst->info.orientation, 0);
    EXPECT_EQ(brokenFirst->reader.SectionCount(), 3);
}

TEST(JpegSectionReader, ExifFailureDoesNotStopTheRead)
{
    const auto read = ReadJpeg(jpegtest::JpegWithApp1(Text("Exif\0\0XX")));
    EXPECT_TRUE(read->result);
    EXPECT_FALSE(read->info.exifParsed);
    EXPECT_STREQ(read->reader.ErrorText(), "");
    EXPECT_EQ(read->info.imageWidth, 640);
}

namespace {

std::vector<std::uint8_t> XmpPayload(const std::string& signature, const std::string& description)
{
    return Text(signature + std::string(1, '\0') +
                "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">" +
                description + "</rdf:RDF></x:xmpmeta>");
}

std::vector<std::uint8_t> Xmp(const std::string& description)
{
    return XmpPayload("http://ns.adobe.com/xap/1.0/", description);
}

}  // namespace

TEST(JpegSectionReader, XmpCaptureDateInExifForm)
{
    const auto attribute = ReadJpeg(
            JpegWithApp1(Xmp("<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
                             "xmp:CreateDate=\"2012-02-11T14:17:08.253+01:00\"/>")));
    EXPECT_TRUE(attribute->result);
    EXPECT_FALSE(attribute->info.exifParsed);
    EXPECT_STREQ(attribute->info.dateTaken, "2012:02:11 14:17:08.253+01:00");
    EXPECT_STREQ(attribute->info.dateTakenField, "Create Date");
    EXPECT_EQ(FindSection(attribute->reader, 0xE1), nullptr);  // not kept once read

    const auto element = ReadJpeg(JpegWithApp1(
            Xmp("<rdf:Description><exif:DateTimeOriginal>2009-12-24T18:30:00</exif:DateTimeOriginal>"
                "</rdf:Description>")));
    EXPECT_STREQ(element->info.dateTaken, "2009:12:24 18:30:00");
    EXPECT_STREQ(element->info.dateTakenField, "Date/Time Original");
}

TEST(JpegSectionReader, XmpGpsPosition)
{
    const auto attributes = ReadJpeg(JpegWithApp1(Xmp("<rdf:Description exif:GPSLatitude=\"33,52.128S\" "
                                                      "exif:GPSLongitude=\"151,12,33.48E\"/>")));
    ASSERT_TRUE(attributes->info.hasXmpPosition);
    EXPECT_NEAR(attributes->info.xmpLatitude, -33.8688, 1e-9);
    EXPECT_NEAR(attributes->info.xmpLongitude, 151.2093, 1e-9);

    const auto elements =
            ReadJpeg(JpegWithApp1(Xmp("<rdf:Description><exif:GPSLatitude>48,34.38N</exif:GPSLatitude>"
                                      "<exif:GPSLongitude>7,48.912W</exif:GPSLongitude></rdf:Description>")));
    ASSERT_TRUE(elements->info.hasXmpPosition);
    EXPECT_NEAR(elements->info.xmpLatitude, 48.573, 1e-9);
    EXPECT_NEAR(elements->info.xmpLongitude, -7.8152, 1e-9);

    // Half a position, or an unreadable one, is none.
    EXPECT_FALSE(ReadJpeg(JpegWithApp1(Xmp("<rdf:Description exif:GPSLatitude=\"48,34.38N\"/>")))
                         ->info.hasXmpPosition);
    EXPECT_FALSE(ReadJpeg(JpegWithApp1(Xmp("<rdf:Description exif:GPSLatitude=\"48,34.38N\" "
                                           "exif:GPSLongitude=\"east\"/>")))
                         ->info.hasXmpPosition);
    EXPECT_FALSE(ReadJpeg(JpegWithApp1(Xmp("<rdf:Description exif:GPSLatitude=\"95,0N\" "
                                           "exif:GPSLongitude=\"7,48.912W\"/>")))
                         ->info.hasXmpPosition);
}

TEST(JpegSectionReader, TheFirstXmpSectionWithAPositionGivesIt)
{
    // The first section with a position gives it; a later one is not read for it.
    const auto date = Xmp("<rdf:Description xmp:CreateDate=\"2002-02-02T02:02:02\"/>");
    const auto position =
            Xmp("<rdf:Description exif:GPSLatitude=\"48,34.38N\" exif:GPSLongitude=\"7,48.912E\"/>");
    const auto other = Xmp("<rdf:Description xmp:CreateDate=\"2009-09-09T09:09:09\" "
                           "exif:GPSLatitude=\"10,0N\" exif:GPSLongitude=\"10,0E\"/>");
    const auto read = ReadJpeg(qmtest::JpegBuilder()
                                       .Soi()
                                       .Segment(0xE1, date)
                                       .Segment(0xE1, position)
                                       .Segment(0xE1, other)
                                       .Frame(8, 8)
                                       .Scan()
                                       .Eoi()
                                       .Bytes());
    ASSERT_TRUE(read->info.hasXmpPosition);
    EXPECT_NEAR(read->info.xmpLatitude, 48.573, 1e-9);
    EXPECT_NEAR(read->info.xmpLongitude, 7.8152, 1e-9);
}

TEST(JpegSectionReader, XmpCaptureDateNamesInListingOrder)
{
    // Written in the reverse order of their priority.
    const auto all =
            ReadJpeg(JpegWithApp1(Xmp("<rdf:Description photoshop:DateCreated=\"2001-01-01T01:01:01\" "
                                      "xmp:CreateDate=\"2002-02-02T02:02:02\" "
                                      "exif:DateTimeOriginal=\"2003-03-03T03:03:03\"/>")));
    EXPECT_STREQ(all->info.dateTaken, "2003:03:03 03:03:03");

    const auto two =
            ReadJpeg(JpegWithApp1(Xmp("<rdf:Description photoshop:DateCreated=\"2001-01-01T01:01:01\" "
                                      "xmp:CreateDate=\"2002-02-02T02:02:02\"/>")));
    EXPECT_STREQ(two->info.dateTaken, "2002:02:02 02:02:02");

    // An empty value is no date; the modify date comes last.
    const auto empty = ReadJpeg(JpegWithApp1(Xmp("<rdf:Description exif:DateTimeOriginal=\"\" "
                                                 "xmp:ModifyDate=\"2004-04-04T04:04:04\" "
                                                 "photoshop:DateCreated=\"2001-01-01\"/>")));
    EXPECT_STREQ(empty->info.dateTaken, "2004:04:04 04:04:04");
    EXPECT_STREQ(empty->info.dateTakenField, "Modify Date");

    // The tool lists Photoshop's creation date as "Date Created", which is no capture date.
    const auto none =
            ReadJpeg(JpegWithApp1(Xmp("<rdf:Description photoshop:DateCreated=\"2004-04-04T04:04:04\"/>")));
    EXPECT_STREQ(none->info.dateTaken, "");
    EXPECT_STREQ(none->info.dateTakenField, "");
}

TEST(JpegSectionReader, XmpWithoutItsSignatureOrAnUnnamedExtensionIsNotRead)
{
    const std::string dated = "<rdf:Description xmp:CreateDate=\"2002-02-02T02:02:02\"/>";
    EXPECT_STREQ(
            ReadJpeg(JpegWithApp1(XmpPayload("http://ns.adobe.com/xmp/extension/", dated)))->info.dateTaken,
            "");
    // The signature without its terminator.
    EXPECT_STREQ(ReadJpeg(JpegWithApp1(Text("http://ns.adobe.com/xap/1.0/" + dated)))->info.dateTaken, "");
    // A section cut inside the signature.
    EXPECT_STREQ(ReadJpeg(JpegWithApp1(Text("http://ns.adobe.com/xap")))->info.dateTaken, "");
}

TEST(JpegSectionReader, FirstXmpDateStaysAndLongValuesAreCut)
{
    const auto bytes =
            JpegBuilder()
                    .Soi()
                    .Segment(0xE1, Xmp("<rdf:Description xmp:ModifyDate=\"2000-01-01T00:00:00\"/>"))
                    .Segment(0xE1, Xmp("<rdf:Description xmp:CreateDate=\"2002-02-02T02:02:02\"/>"))
                    .Segment(0xE1, Xmp("<rdf:Description xmp:CreateDate=\"2003-03-03T03:03:03\"/>"))
                    .Scan()
                    .Bytes();
    EXPECT_STREQ(ReadJpeg(bytes)->info.dateTaken, "2002:02:02 02:02:02");

    const auto longValue = ReadJpeg(JpegWithApp1(
            Xmp("<rdf:Description xmp:CreateDate=\"2002-02-02T02:02:02.123456789012345678901234567890\"/>")));
    EXPECT_EQ(std::strlen(longValue->info.dateTaken), sizeof longValue->info.dateTaken - 1);
    EXPECT_EQ(std::string(longValue->info.dateTaken).rfind("2002:02:02 02:02:02.1234", 0), 0u);
}

TEST(JpegSectionReader, TheExifThumbnailIsFoundInsideItsBlockOnly)
{
    const std::vector<uint8_t> thumbnail {0xFF, 0xD8, 0x01, 0x02, 0x03, 0xFF, 0xD9};
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        Ifd ifd1;
        ifd1.Short(0x0103, 6).Blob(0x0201, 0x0202, thumbnail);
        const auto read = ReadJpeg(JpegBuilder()
                                           .Soi()
                                           .Exif(Ifd().Ascii(0x010F, "Cam").Next(ifd1), order)
                                           .Scan(10)
                                           .Eoi()
                                           .Bytes());
        const std::string_view found = read->reader.ExifThumbnail();
        EXPECT_EQ(std::vector<uint8_t>(found.begin(), found.end()), thumbnail);
    }
    // Offsets and lengths that reach past the block, and a block without a thumbnail, give none.
    for (const auto& [offset, length] :
         std::vector<std::pair<uint32_t, uint32_t>> {{8, 100000}, {100000, 4}, {0xFFFFFFF0u, 0x20}, {8, 0}}) {
        Ifd ifd1;
        ifd1.Long(0x0201, offset).Long(0x0202, length);
        const auto read = ReadJpeg(JpegBuilder()
                                           .Soi()
                                           .Exif(Ifd().Ascii(0x010F, "Cam").Next(ifd1), ByteOrder::Intel)
                                           .Scan(10)
                                           .Eoi()
                                           .Bytes());
        EXPECT_TRUE(read->reader.ExifThumbnail().empty()) << offset << " " << length;
    }
    const auto plain =
            ReadJpeg(JpegBuilder().Soi().Exif(DatedIfd(), ByteOrder::Intel).Scan(10).Eoi().Bytes());
    EXPECT_TRUE(plain->reader.ExifThumbnail().empty());
}

namespace {

// A file's bytes handed out a block at a time, as a file handle gives them; a read past failAt
// fails. Counts the reads, which each cost a system call on a real file.
class MemoryBlocks : public JpegBlockStream {
public:
    MemoryBlocks(const std::vector<uint8_t>& bytes, std::size_t block, std::size_t failAt = SIZE_MAX)
        : JpegBlockStream(block), bytes_(bytes), failAt_(failAt)
    { }
    int reads = 0;
    bool overstate = false;  // each read claims one byte more than it was asked for

protected:
    bool ReadBlock(unsigned char* to, std::size_t size, std::size_t& got) override
    {
        ++reads;
        if (at_ >= failAt_)
            return false;
        got = std::min(size, bytes_.size() - at_);
        std::memcpy(to, bytes_.data() + at_, got);
        at_ += got;
        if (overstate)
            got = size + 1;
        return true;
    }

private:
    const std::vector<uint8_t>& bytes_;
    std::size_t failAt_;
    std::size_t at_ = 0;
};

std::vector<uint8_t> LongHeadJpeg()
{
    return JpegBuilder()
            .Soi()
            .App0Jfif()
            .Exif(DatedIfd(), ByteOrder::Intel)
            .Segment(0xE2, std::vector<uint8_t>(3000, 7))
            .Frame(1200, 1600, 3, 0xC0)
            .Scan(500)
            .Eoi()
            .Bytes();
}

}  // namespace

// A head within one block is read with a single read, and nothing after it is asked for.
TEST(JpegSectionReader, AHeadWithinOneBlockTakesOneRead)
{
    const auto bytes = LongHeadJpeg();
    MemoryBlocks blocks(bytes, 64 * 1024);
    JpegSectionReader reader;
    EXPECT_TRUE(reader.ReadSections(blocks));
    EXPECT_EQ(blocks.reads, 1);
    EXPECT_STREQ(reader.Info().dateTaken, "2010:07:15 14:03:09");
    EXPECT_EQ(reader.Info().imageWidth, 1600);
}

// Sections that cross the ends of blocks (a length field, a payload longer than a block) are read
// whole: the same record as from a stdio stream.
TEST(JpegSectionReader, AHeadLongerThanABlockIsReadOnAcrossBlocks)
{
    const auto bytes = LongHeadJpeg();
    const auto whole = ReadJpeg(bytes);
    ASSERT_TRUE(whole->result);
    for (const std::size_t block : {std::size_t {1}, std::size_t {7}, std::size_t {1000}}) {
        MemoryBlocks blocks(bytes, block);
        JpegSectionReader reader;
        EXPECT_TRUE(reader.ReadSections(blocks)) << block;
        EXPECT_GT(blocks.reads, 1) << block;
        EXPECT_STREQ(reader.Info().dateTaken, whole->info.dateTaken) << block;
        EXPECT_EQ(reader.Info().imageWidth, 1600) << block;
        EXPECT_EQ(reader.Info().imageHeight, 1200) << block;
        ASSERT_EQ(reader.SectionCount(), whole->reader.SectionCount()) << block;
        for (int i = 0; i < reader.SectionCount(); ++i) {
            ASSERT_EQ(reader.Section(i).size, whole->reader.Section(i).size) << block;
            EXPECT_EQ(std::memcmp(reader.Section(i).data.get(), whole->reader.Section(i).data.get(),
                                  static_cast<std::size_t>(reader.Section(i).size)),
                      0)
                    << block;
        }
    }
}

// A read that fails part-way ends the walk as the end of the file does: the sections before it
// stay, and no further read is tried.
TEST(JpegSectionReader, AFailedReadEndsTheWalkWithoutReadingOn)
{
    const auto bytes = LongHeadJpeg();
    MemoryBlocks blocks(bytes, 100, 200);
    JpegSectionReader reader;
    EXPECT_FALSE(reader.ReadSections(blocks));
    EXPECT_EQ(blocks.reads, 3);
    EXPECT_STREQ(reader.Info().dateTaken, "2010:07:15 14:03:09");
    EXPECT_STREQ(reader.ErrorText(), "Premature end of file?");
    // Cut short at the end of the file, too.
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 150);
    MemoryBlocks shorter(cut, 64);
    JpegSectionReader again;
    EXPECT_FALSE(again.ReadSections(shorter));
    EXPECT_STREQ(again.ErrorText(), "Premature end of file?");
}

// A read that claims more bytes than its buffer holds is not believed: nothing past the buffer is
// taken for the file's bytes.
TEST(JpegSectionReader, AReadClaimingMoreThanItsBlockEndsTheWalk)
{
    const auto bytes = LongHeadJpeg();
    MemoryBlocks blocks(bytes, 16);
    blocks.overstate = true;
    JpegSectionReader reader;
    EXPECT_FALSE(reader.ReadSections(blocks));
    EXPECT_EQ(blocks.reads, 1);
    EXPECT_EQ(reader.SectionCount(), 0);
}
