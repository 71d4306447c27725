// Capture dates kept outside the EXIF block of a JPEG: what the tool lists for each, and that the
// in-process lookup finds the date of the first lookup field the tool lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "metadata/JpegSectionReader.h"
#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/RawSamples.h"
#include "tests/support/TiffBuilder.h"

namespace {

using Segments = std::vector<std::pair<uint8_t, std::vector<uint8_t>>>;

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Jpeg(const Segments& segments)
{
    qmtest::JpegBuilder jpeg;
    jpeg.Soi();
    for (const auto& [marker, payload] : segments)
        jpeg.Segment(marker, payload);
    return jpeg.Frame(8, 8).Scan().Eoi().Bytes();
}

std::vector<uint8_t> ExifPayload(const qmtest::Ifd& ifd0)
{
    qmtest::JpegBuilder only;
    only.Exif(ifd0, qmtest::ByteOrder::Intel);
    const std::vector<uint8_t> bytes = only.Bytes();
    return std::vector<uint8_t>(bytes.begin() + 4, bytes.end());
}

std::vector<uint8_t> ExifDate(const std::string& date)
{
    return ExifPayload(qmtest::Ifd().Sub(0x8769, qmtest::Ifd().Ascii(0x9003, date)));
}

std::vector<uint8_t> Ciff(bool big, uint32_t seconds, const char* kind = "JPGM")
{
    std::vector<uint8_t> heap = qmtest::BuildCrw(big, "Canon", "Canon PowerShot 600", seconds, 640, 480, 0);
    std::memcpy(heap.data() + 10, kind, 4);
    return heap;
}

std::vector<uint8_t> Qvci(const std::string& date)
{
    std::vector<uint8_t> block(140, 0);
    std::memcpy(block.data(), "QVCI", 4);
    std::memcpy(block.data() + 77, date.data(), date.size());
    return block;
}

std::vector<uint8_t> Iptc(const std::string& date, const std::string& time)
{
    std::vector<uint8_t> iptc = qmtest::IptcDataset(2, 55, date);
    const std::vector<uint8_t> second = qmtest::IptcDataset(2, 60, time);
    iptc.insert(iptc.end(), second.begin(), second.end());
    std::vector<uint8_t> app13 =
            Bytes(std::string("Photoshop 3.0") + '\0' + "8BIM" + '\x04' + '\x04' + std::string(2, '\0'));
    for (int shift = 24; shift >= 0; shift -= 8)
        app13.push_back(uint8_t(iptc.size() >> shift));
    app13.insert(app13.end(), iptc.begin(), iptc.end());
    return app13;
}

std::vector<uint8_t> Xmp(const std::string& attributes)
{
    return Bytes(std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
                 "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF><rdf:Description rdf:about=\"\" " +
                 attributes + "/></rdf:RDF></x:xmpmeta>");
}

const std::string kExtendedId = "0123456789ABCDEF0123456789ABCDEF";
const std::string kExtendedPacket =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF><rdf:Description rdf:about=\"\" "
        "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:CreateDate=\"2012-02-02T10:00:00+02:00\"/>"
        "</rdf:RDF></x:xmpmeta>";

// Piece `index` of three of the extended packet; `total` overrides the packet's size it gives.
std::vector<uint8_t> ExtendedPiece(size_t index, uint32_t total = 0, const std::string& id = kExtendedId)
{
    const size_t step = (kExtendedPacket.size() + 2) / 3;
    std::vector<uint8_t> segment = Bytes(std::string("http://ns.adobe.com/xmp/extension/") + '\0' + id);
    for (uint32_t v : {total ? total : uint32_t(kExtendedPacket.size()), uint32_t(index * step)}) {
        for (int shift = 24; shift >= 0; shift -= 8)
            segment.push_back(uint8_t(v >> shift));
    }
    const std::string piece = kExtendedPacket.substr(index * step, step);
    segment.insert(segment.end(), piece.begin(), piece.end());
    return segment;
}

std::vector<uint8_t> Naming(const std::string& id)
{
    return Xmp("xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" xmpNote:HasExtendedXMP=\"" + id + "\"");
}

struct InProcess {
    std::string date, field;
};

InProcess ReadInProcess(const std::vector<uint8_t>& bytes)
{
    const std::string path = testing::TempDir() + "date_blocks.jpg";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
        if (out != nullptr)
            std::fclose(out);
        ADD_FAILURE() << "cannot write " << path;
        return {};
    }
    std::fclose(out);
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    ImageInfo info {};
    {
        JpegSectionReader reader(&info);
        reader.ReadSections(in);
    }
    std::fclose(in);
    std::remove(path.c_str());
    return {info.dateTaken, info.dateTakenField};
}

// The tool lists `field` as `date` (empty: not at all), and the in-process lookup takes it.
void ExpectDate(const std::vector<uint8_t>& bytes, const char* field, const std::string& date)
{
    const metaprobe::Listing listing = ProbeBytes(bytes);
    EXPECT_EQ(listing.Value(field), date) << field;
    // The in-process lookup: the first lookup field the tool lists.
    std::string first, firstField;
    for (const char* name : kDateTakenFields) {
        if (!listing.Value(name).empty()) {
            first = listing.Value(name);
            firstField = name;
            break;
        }
    }
    const InProcess own = ReadInProcess(bytes);
    EXPECT_EQ(own.date, first);
    EXPECT_EQ(own.field, firstField);
}

TEST(DateBlocks, CanonHeapInApp0)
{
    // 907000000 seconds of the camera's clock since 1970: 1998-09-28 16:26:40.
    for (bool big : {false, true}) {
        const std::vector<uint8_t> only = Jpeg({{0xE0, Ciff(big, 907000000u)}});
        ExpectDate(only, "Date/Time Original", "1998:09:28 16:26:40");
        EXPECT_EQ(ProbeBytes(only).Value("Camera Model Name"), "Canon PowerShot 600");
        // An EXIF block after the heap wins, as a later block of equal rank does.
        ExpectDate(Jpeg({{0xE0, Ciff(big, 907000000u)}, {0xE1, ExifDate("2001:01:01 01:01:01")}}),
                   "Date/Time Original", "2001:01:01 01:01:01");
        // A raw file's heap kind is not read in a JPEG.
        ExpectDate(Jpeg({{0xE0, Ciff(big, 907000000u, "CCDR")}}), "Date/Time Original", "");
    }
    // Heaps cut short or with a header length beyond the segment list nothing.
    std::vector<uint8_t> cut = Ciff(false, 907000000u);
    cut.resize(20);
    ExpectDate(Jpeg({{0xE0, cut}}), "Date/Time Original", "");
    std::vector<uint8_t> longHeader = Ciff(false, 907000000u);
    longHeader[2] = 0xFF;
    ExpectDate(Jpeg({{0xE0, longHeader}}), "Date/Time Original", "");
}

TEST(DateBlocks, QvciClockText)
{
    const std::pair<const char*, const char*> forms[] = {{"1998.10.24.12.08.57", "1998:10:24 12:08:57"},
                                                         {"98.10.24.12.08.57", "98:10:24 12:08:57"},
                                                         {"1998.1.2.3.4.5", "1998:1:2 3:4:5"},
                                                         {"1998.10.24 12.08.57", "1998:10:24 12:08:57"},
                                                         {"ab.1998.10.24.12", "ab:1998:10:24 12"},
                                                         {"1998..10.24.12", "1998::10:24:12"},
                                                         {"a.b.c.d", "a:b:c:d"},
                                                         {"1998:10:24:12:08:57", "1998:10:24 12:08:57"},
                                                         {"1998.10.24.12.08.57.99", "1998:10:24 12:08:57:"},
                                                         {"1998.10.24.12.08.57  ", "1998:10:24 12:08:57"}};
    for (const auto& [written, listed] : forms)
        ExpectDate(Jpeg({{0xE1, Qvci(written)}}), "Date/Time Original", listed);
    // Of the block and the EXIF block, the later one wins.
    ExpectDate(Jpeg({{0xE1, ExifDate("2001:01:01 01:01:01")}, {0xE1, Qvci("1998.10.24.12.08.57")}}),
               "Date/Time Original", "1998:10:24 12:08:57");
    ExpectDate(Jpeg({{0xE1, Qvci("1998.10.24.12.08.57")}, {0xE1, ExifDate("2001:01:01 01:01:01")}}),
               "Date/Time Original", "2001:01:01 01:01:01");
}

TEST(DateBlocks, IptcCreationDateAndTime)
{
    const std::vector<uint8_t> zoned = Jpeg({{0xED, Iptc("20050718", "082714+0200")}});
    ExpectDate(zoned, "Date/Time Created", "2005:07:18 08:27:14+02:00");
    ExpectDate(zoned, "Date/Time Original", "2005:07:18 08:27:14+02:00");
    ExpectDate(Jpeg({{0xED, Iptc("20050718", "082714")}}), "Date/Time Original", "2005:07:18 08:27:14");
    // Any other capture date, EXIF's or XMP's, comes first.
    ExpectDate(Jpeg({{0xE1, ExifDate("2001:01:01 01:01:01")}, {0xED, Iptc("20050718", "082714")}}),
               "Date/Time Original", "2001:01:01 01:01:01");
    ExpectDate(Jpeg({{0xED, Iptc("20050718", "082714")},
                     {0xE1, Xmp("exif:DateTimeOriginal=\"2011-03-04T05:06:07\"")}}),
               "Date/Time Original", "2011:03:04 05:06:07");
    // A resource block cut short lists nothing.
    std::vector<uint8_t> cut = Iptc("20050718", "082714");
    cut.resize(cut.size() - 3);
    ExpectDate(Jpeg({{0xED, cut}}), "Date/Time Original", "");
}

TEST(DateBlocks, ExtendedXmpNamedByTheStandardPacket)
{
    const std::string zoned = "2012:02:02 10:00:00+02:00";
    ExpectDate(Jpeg({{0xE1, Naming(kExtendedId)},
                     {0xE1, ExtendedPiece(0)},
                     {0xE1, ExtendedPiece(1)},
                     {0xE1, ExtendedPiece(2)}}),
               "Create Date", zoned);
    // Pieces in any order, before the standard packet too.
    ExpectDate(Jpeg({{0xE1, ExtendedPiece(2)},
                     {0xE1, ExtendedPiece(0)},
                     {0xE1, ExtendedPiece(1)},
                     {0xE1, Naming(kExtendedId)}}),
               "Create Date", zoned);
    // Pieces of another packet before the named one's.
    ExpectDate(Jpeg({{0xE1, ExtendedPiece(0, 0, std::string(32, 'F'))},
                     {0xE1, ExtendedPiece(0)},
                     {0xE1, ExtendedPiece(1)},
                     {0xE1, Naming(kExtendedId)},
                     {0xE1, ExtendedPiece(2)}}),
               "Create Date", zoned);
    // Not named, named otherwise, a piece missing, sizes that disagree: not read.
    const Segments pieces = {{0xE1, ExtendedPiece(0)}, {0xE1, ExtendedPiece(1)}, {0xE1, ExtendedPiece(2)}};
    Segments unnamed = pieces;
    unnamed.insert(unnamed.begin(), {0xE1, Xmp("")});
    ExpectDate(Jpeg(unnamed), "Create Date", "");
    Segments other = pieces;
    other.insert(other.begin(), {0xE1, Naming(std::string(32, 'F'))});
    ExpectDate(Jpeg(other), "Create Date", "");
    ExpectDate(Jpeg({{0xE1, Naming(kExtendedId)}, {0xE1, ExtendedPiece(0)}, {0xE1, ExtendedPiece(2)}}),
               "Create Date", "");
    ExpectDate(Jpeg({{0xE1, Naming(kExtendedId)}, {0xE1, ExtendedPiece(0)}, {0xE1, ExtendedPiece(1)}}),
               "Create Date", "");
    ExpectDate(Jpeg({{0xE1, Naming(kExtendedId)},
                     {0xE1, ExtendedPiece(0)},
                     {0xE1, ExtendedPiece(1, uint32_t(kExtendedPacket.size() + 1))},
                     {0xE1, ExtendedPiece(2)}}),
               "Create Date", "");
    // A piece given twice counts once.
    ExpectDate(Jpeg({{0xE1, Naming(kExtendedId)},
                     {0xE1, ExtendedPiece(0)},
                     {0xE1, ExtendedPiece(0)},
                     {0xE1, ExtendedPiece(1)},
                     {0xE1, ExtendedPiece(2)}}),
               "Create Date", zoned);
}

TEST(DateBlocks, XmpPropertiesUnderAnotherPrefix)
{
    ExpectDate(Jpeg({{0xE1, Xmp("xmlns:xap=\"http://ns.adobe.com/xap/1.0/\" "
                                "xap:CreateDate=\"2010-07-15T14:03:09-04:00\"")}}),
               "Create Date", "2010:07:15 14:03:09-04:00");
    ExpectDate(
            Jpeg({{0xE1,
                   Xmp("xmlns:e='http://ns.adobe.com/exif/1.0/' e:DateTimeOriginal='2009-12-24T18:30:00'")}}),
            "Date/Time Original", "2009:12:24 18:30:00");
    // The prefix bound to another namespace is not the property.
    ExpectDate(
            Jpeg({{0xE1,
                   Xmp("xmlns:xmp=\"http://example.com/other/\" xmp:CreateDate=\"2010-07-15T14:03:09\"")}}),
            "Create Date", "");
}

TEST(DateBlocks, InProcessLookupTakesTheListingOrder)
{
    // EXIF gives only a modify date; XMP a creation date, which comes first.
    ExpectDate(Jpeg({{0xE1, ExifPayload(qmtest::Ifd().Ascii(0x0132, "2003:03:03 03:03:03"))},
                     {0xE1, Xmp("xmp:CreateDate=\"2002-02-02T02:02:02\"")}}),
               "Create Date", "2002:02:02 02:02:02");
    ExpectDate(Jpeg({{0xE1, ExifPayload(qmtest::Ifd().Ascii(0x0132, "2003:03:03 03:03:03"))}}), "Modify Date",
               "2003:03:03 03:03:03");
    // The capture date field comes first, whichever block gives it.
    ExpectDate(Jpeg({{0xE1, ExifPayload(qmtest::Ifd().Sub(
                                    0x8769, qmtest::Ifd().Ascii(0x9004, "2004:04:04 04:04:04")))},
                     {0xE1, Xmp("exif:DateTimeOriginal=\"2005-05-05T05:05:05\"")}}),
               "Date/Time Original", "2005:05:05 05:05:05");
}

TEST(DateBlocks, SigmaPropertyListTime)
{
    auto oldest = [](const std::vector<std::pair<std::string, std::string>>& properties) {
        return ProbeBytes(qmtest::BuildX3f({}, 0, {}, 0x00020000, qmtest::X3fProperties(properties)));
    };
    // The camera's clock in seconds since 1970, read as the number it starts with.
    const std::pair<const char*, const char*> forms[] = {{"1041379200", "2003:01:01 00:00:00"},
                                                         {"1041379200.5", "2003:01:01 00:00:00"},
                                                         {"-5", "1969:12:31 23:59:55"},
                                                         {"12abc", "1970:01:01 00:00:12"},
                                                         {" 123", "1970:01:01 00:02:03"},
                                                         {"0", "0000:00:00 00:00:00"},
                                                         {"", "0000:00:00 00:00:00"}};
    for (const auto& [written, listed] : forms) {
        EXPECT_EQ(oldest({{"CAMMODEL", "SIGMA SD9"}, {"TIME", written}}).Value("Date/Time Original"), listed)
                << written;
    }
    // The first of two stays; other names are not the time.
    EXPECT_EQ(oldest({{"TIME", "1041379200"}, {"TIME", "1"}}).Value("Date/Time Original"),
              "2003:01:01 00:00:00");
    EXPECT_EQ(oldest({{"TIMEX", "1041379200"}, {"XTIME", "1"}}).Value("Date/Time Original"), "");
    // The preview's EXIF date wins, before or after the list.
    const std::vector<uint8_t> preview = Jpeg({{0xE1, ExifDate("2001:01:01 01:01:01")}});
    const metaprobe::Listing both = ProbeBytes(
            qmtest::BuildX3f(preview, 0, {}, 0x00020003, qmtest::X3fProperties({{"TIME", "1041379200"}})));
    EXPECT_EQ(both.Value("Date/Time Original"), "2001:01:01 01:01:01");
    // A list cut short, or counting more entries than it holds, gives nothing.
    std::vector<uint8_t> cut = qmtest::X3fProperties({{"TIME", "1041379200"}});
    cut.resize(cut.size() - 4);
    EXPECT_EQ(ProbeBytes(qmtest::BuildX3f({}, 0, {}, 0x00020000, cut)).Value("Date/Time Original"), "");
    std::vector<uint8_t> overcounted = qmtest::X3fProperties({{"TIME", "1041379200"}});
    overcounted[8] = 200;
    EXPECT_EQ(ProbeBytes(qmtest::BuildX3f({}, 0, {}, 0x00020000, overcounted)).Value("Date/Time Original"),
              "");
}

}  // namespace
