#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "metaprobe/XmpReader.h"
#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"

namespace {

const std::string kPacket =
        "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/' x:xmptk='Kit "
        "1.0  '>"
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description rdf:about=''"
        " xmp:ModifyDate='2013-03-03T11:00:00Z'>"
        "<tiff:Orientation>6</tiff:Orientation><tiff:XResolution>72009/1000</tiff:XResolution>"
        "<xmp:CreateDate>2012-02-02T10:00:00+02:00</xmp:CreateDate>"
        "<exif:DateTimeOriginal>2014-04-04T12:00:00</exif:DateTimeOriginal>"
        "<dc:creator><rdf:Seq><rdf:li>Ann &amp; Bob</rdf:li><rdf:li>Cy</rdf:li></rdf:Seq></dc:creator>"
        "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";

// Text bytes with NUL separators written as '|'.
std::vector<uint8_t> Bytes(const std::string& text)
{
    std::vector<uint8_t> bytes;
    for (char c : text)
        bytes.push_back(c == '|' ? 0 : uint8_t(c));
    return bytes;
}

std::vector<uint8_t> XmpSegment()
{
    return Bytes("http://ns.adobe.com/xap/1.0/|" + kPacket);
}

TEST(MetaprobeXmp, PropertiesInElementAndAttributeForm)
{
    metaprobe::Listing listing;
    metaprobe::ReadXmp(kPacket, listing);
    EXPECT_EQ(listing.Value("XMP Toolkit"), "Kit 1.0");
    EXPECT_EQ(listing.Value("Orientation"), "Rotate 90 CW");
    EXPECT_EQ(listing.Value("X Resolution"), "72.009");
    EXPECT_EQ(listing.Value("Create Date"), "2012:02:02 10:00:00+02:00");
    EXPECT_EQ(listing.Value("Modify Date"), "2013:03:03 11:00:00Z");
    EXPECT_EQ(listing.Value("Date/Time Original"), "2014:04:04 12:00:00");
    EXPECT_EQ(listing.Value("Creator"), "Ann & Bob, Cy");
}

TEST(MetaprobeXmp, DateTexts)
{
    EXPECT_EQ(metaprobe::XmpDateText("2004-02-20"), "2004:02:20");
    EXPECT_EQ(metaprobe::XmpDateText("2010-04-13T09:37:22.5-04:00"), "2010:04:13 09:37:22.5-04:00");
}

TEST(MetaprobeXmp, ExifValuesWinOverXmpInJpeg)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, "2001:01:01 01:01:01");
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, 1).Sub(0x8769, exif);
    qmtest::JpegBuilder jpeg;
    jpeg.Soi()
            .App0Jfif()
            .Exif(ifd0, qmtest::ByteOrder::Intel)
            .Segment(0xE1, XmpSegment())
            .Frame(8, 8)
            .Scan()
            .Eoi();
    metaprobe::Listing listing = ProbeBytes(jpeg.Bytes());
    EXPECT_EQ(listing.Value("Orientation"), "Horizontal (normal)");
    EXPECT_EQ(listing.Value("Date/Time Original"), "2001:01:01 01:01:01");
    EXPECT_EQ(listing.Value("Create Date"), "2012:02:02 10:00:00+02:00");  // only in the XMP packet
    EXPECT_EQ(listing.Value("X Resolution"), "72.009");  // XMP over JFIF
}

TEST(MetaprobeXmp, PngInternationalTextChunk)
{
    // Keyword, no compression, method 0, empty language and translated keyword, then the text.
    std::vector<uint8_t> chunk = Bytes("XML:com.adobe.xmp|||||" + kPacket);
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildPng(4, 4, qmtest::PngChunk("iTXt", chunk)));
    EXPECT_EQ(listing.Value("Date/Time Original"), "2014:04:04 12:00:00");
    EXPECT_EQ(listing.Value("Orientation"), "Rotate 90 CW");
}

// A packet with the given attributes on its description.
std::string PacketWith(const std::string& attributes)
{
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description rdf:about='' " + attributes +
           "/></rdf:RDF></x:xmpmeta>";
}

TEST(MetaprobeXmp, EnumeratedValuesOutsideTheirRangeAreUnknown)
{
    // A crafted value never reaches the listing as bare text (a folder named after the orientation
    // would otherwise be a path).
    metaprobe::Listing crafted;
    metaprobe::ReadXmp(PacketWith("tiff:Orientation='..\\..\\x' tiff:ResolutionUnit='../y' "
                                  "exif:ColorSpace='C:\\z'"),
                       crafted);
    EXPECT_EQ(crafted.Value("Orientation"), "Unknown (..\\..\\x)");
    EXPECT_EQ(crafted.Value("Resolution Unit"), "Unknown (../y)");
    EXPECT_EQ(crafted.Value("Color Space"), "Unknown (C:\\z)");

    metaprobe::Listing numbers;
    metaprobe::ReadXmp(PacketWith("tiff:Orientation='9' tiff:ResolutionUnit='4' exif:ColorSpace='7'"),
                       numbers);
    EXPECT_EQ(numbers.Value("Orientation"), "Unknown (9)");
    EXPECT_EQ(numbers.Value("Resolution Unit"), "Unknown (4)");
    EXPECT_EQ(numbers.Value("Color Space"), "Unknown (7)");

    metaprobe::Listing known;
    metaprobe::ReadXmp(PacketWith("tiff:Orientation='8' tiff:ResolutionUnit='3' exif:ColorSpace='65535'"),
                       known);
    EXPECT_EQ(known.Value("Orientation"), "Rotate 270 CW");
    EXPECT_EQ(known.Value("Resolution Unit"), "cm");
    EXPECT_EQ(known.Value("Color Space"), "Uncalibrated");
}

TEST(MetaprobeXmp, UnterminatedPacketListsNothing)
{
    metaprobe::Listing listing;
    metaprobe::ReadXmp("<x:xmpmeta><tiff:Orientation>3", listing);
    metaprobe::ReadXmp("<exif:DateTimeOriginal attr='", listing);
    EXPECT_FALSE(listing.Has("Orientation"));
    EXPECT_FALSE(listing.Has("Date/Time Original"));
}

TEST(MetaprobeListing, PriorityRules)
{
    metaprobe::Listing listing;
    listing.Add("X Resolution", "72", -1);  // JFIF
    listing.Add("X Resolution", "72.009", 0);  // XMP replaces JFIF
    listing.Add("X Resolution", "70", 0);  // a second XMP value does not
    EXPECT_EQ(listing.Value("X Resolution"), "72.009");
    listing.Add("X Resolution", "300", 1);  // EXIF replaces XMP
    listing.Add("X Resolution", "180", 0);  // a thumbnail's does not
    EXPECT_EQ(listing.Value("X Resolution"), "300");
    listing.Add("Make", "A");
    listing.Add("X Resolution", "240", 1);  // a later main-image value does, and moves to the end
    ASSERT_EQ(listing.Fields().size(), 2u);
    EXPECT_EQ(listing.Fields()[1].name, "X Resolution");
    EXPECT_EQ(listing.Fields()[1].value, "240");
}

}  // namespace

TEST(MetaprobeXmp, ImageStructureAndDevelopmentProperties)
{
    metaprobe::Listing listing;
    metaprobe::ReadXmp(
            PacketWith("tiff:Compression='6' tiff:PhotometricInterpretation='2' tiff:SamplesPerPixel='3' "
                       "tiff:PlanarConfiguration='1' tiff:YCbCrPositioning='2' exif:LightSource='0' "
                       "crs:WhiteBalance='As Shot' crs:Contrast='+25' crs:Saturation='0' "
                       "crs:Sharpness='85'"),
            listing);
    EXPECT_EQ(listing.Value("Compression"), "JPEG (old-style)");
    EXPECT_EQ(listing.Value("Photometric Interpretation"), "RGB");
    EXPECT_EQ(listing.Value("Samples Per Pixel"), "3");
    EXPECT_EQ(listing.Value("Planar Configuration"), "Chunky");
    EXPECT_EQ(listing.Value("Y Cb Cr Positioning"), "Co-sited");
    EXPECT_EQ(listing.Value("Light Source"), "Unknown");
    EXPECT_EQ(listing.Value("White Balance"), "As Shot");
    EXPECT_EQ(listing.Value("Contrast"), "+25");
    EXPECT_EQ(listing.Value("Saturation"), "0");
    EXPECT_EQ(listing.Value("Sharpness"), "85");

    metaprobe::Listing unknown;
    metaprobe::ReadXmp(PacketWith("tiff:Compression='06' tiff:PlanarConfiguration='3' exif:LightSource='x'"),
                       unknown);
    EXPECT_EQ(unknown.Value("Compression"), "Unknown (06)");
    EXPECT_EQ(unknown.Value("Planar Configuration"), "Unknown (3)");
    EXPECT_EQ(unknown.Value("Light Source"), "Unknown (x)");
}
