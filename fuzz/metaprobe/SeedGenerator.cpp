// Writes seed inputs for the metadata tool's fuzz targets: metaprobe_seeds DIR writes
// one folder per reader (DIR/tiff, DIR/jpeg, DIR/png, DIR/iso, DIR/webp, ..., DIR/icc for color
// profiles), each holding valid samples without the prefix that the matching target puts in front.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/metaprobe/MakerNoteSeeds.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/IccSamples.h"
#include "tests/support/IsoSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/RawSamples.h"
#include "tests/support/TiffBuilder.h"

namespace {

bool Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, size_t skip)
{
    if (bytes.size() < skip)
        return false;
    return qmtest::WriteBytes(path.string(), std::vector<uint8_t>(bytes.begin() + long(skip), bytes.end()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    std::filesystem::path dir = argv[1];
    std::error_code error;
    for (const char* sub :
         {"tiff", "jpeg", "png", "iso", "webp", "jxl", "psd", "raf", "mrw", "x3f", "crw", "icc"}) {
        std::filesystem::create_directories(dir / sub, error);
        if (error)
            return 1;
    }
    using qmtest::Ifd;
    Ifd gps;
    gps.Bytes(0, {2, 2, 0, 0}).Ascii(1, "N").Rational(6, 100, 1).Ascii(29, "2020:01:01");
    Ifd exif;
    exif.Rational(0x829A, 1, 100)
            .Ascii(0x9003, "2020:01:01 10:00:00")
            .Undefined(0x9286, {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'x'});
    Ifd ifd1;
    ifd1.Short(0x0103, 6).Blob(0x0201, 0x0202, std::vector<uint8_t>(16, 0));
    Ifd ifd0;
    ifd0.Ascii(0x010F, "Canon").Short(0x0112, 6).Sub(0x8769, exif).Sub(0x8825, gps).Next(ifd1);
    // A profile with a tag of every type the reader decodes.
    namespace icc = qmtest::icc;
    qmtest::IccProfile profile;
    profile.Tag("cprt", icc::Text("Copyright"))
            .Tag("desc", icc::Description("sRGB", u"sRGB"))
            .Tag("dscm", icc::MultiLocalized({{"en", "US", u"English"}, {"de", "DE", u"Deutsch"}}))
            .Tag("wtpt", icc::Xyz({0.95045, 1, 1.08905}))
            .Tag("chad", icc::Fixed({1, 0, 0, 0, 1, 0, 0, 0, 1}))
            .Tag("tech", icc::Signature("CRT "))
            .Tag("meas", icc::Measurement(1, {0, 0, 0}, 2, 0.01, 2))
            .Tag("view", icc::Viewing({19.6, 20.3, 16.8}, {3.9, 4.0, 3.3}, 1))
            .Tag("rTRC", icc::Curve(16));
    const std::vector<uint8_t> iccBytes = profile.Bytes();
    bool ok = Write(dir / "icc" / "profile", iccBytes, 0);
    qmtest::JpegBuilder profiled;
    profiled.Soi();
    for (const auto& segment : qmtest::IccSegments(iccBytes, 3))
        profiled.Segment(0xE2, segment);
    ok &= Write(dir / "jpeg" / "icc", profiled.Frame(8, 8).Scan().Eoi().Bytes(), 3);
    for (auto order : {qmtest::ByteOrder::Intel, qmtest::ByteOrder::Motorola}) {
        qmtest::TiffOptions options;
        options.order = order;
        std::vector<uint8_t> tiff = qmtest::BuildTiff(ifd0, options);
        std::string n = order == qmtest::ByteOrder::Intel ? "ii" : "mm";
        ok &= Write(dir / "tiff" / n, tiff, 2);
        ok &= Write(dir / "jpeg" / n, qmtest::MinimalJpeg(ifd0, order), 3);
        ok &= Write(dir / "png" / n, qmtest::BuildPng(4, 4, qmtest::PngChunk("eXIf", tiff)), 8);
        ok &= Write(dir / "iso" / (n + "_heic"), qmtest::BuildHeic(tiff), 3);
        std::vector<uint8_t> jpeg = qmtest::MinimalJpeg(ifd0, order);
        const std::string xmp =
                "<x:xmpmeta><rdf:Description tiff:Orientation='6' xmp:CreateDate='2020-01-01'/>"
                "</x:xmpmeta>";
        std::vector<uint8_t> iptc = qmtest::IptcDataset(2, 55, "20200101");
        std::vector<uint8_t> time = qmtest::IptcDataset(2, 60, "101010+0100");
        iptc.insert(iptc.end(), time.begin(), time.end());
        ok &= Write(dir / "webp" / n, qmtest::BuildWebp(tiff, xmp, iccBytes), 4);
        ok &= Write(dir / "tiff" / (n + "_icc"),
                    qmtest::BuildTiff(Ifd(ifd0).Undefined(0x8773, iccBytes), options), 2);
        ok &= Write(dir / "jxl" / n, qmtest::BuildJxl(tiff, xmp), 12);
        ok &= Write(dir / "psd" / n, qmtest::BuildPsd(tiff, iptc, iccBytes), 5);
        ok &= Write(dir / "raf" / n, qmtest::BuildRaf("FinePix", jpeg), 16);
        ok &= Write(dir / "mrw" / n, qmtest::BuildMrw(tiff, {0, 1, 0xFF, 2, 0x80, 3, 0, 0}), 4);
        ok &= Write(dir / "x3f" / n, qmtest::BuildX3f(jpeg, 90), 4);
        ok &= Write(dir / "x3f" / (n + "_v4"), qmtest::BuildX3f(jpeg, 90, {}, 0x00040000), 4);
    }
    ok &= Write(dir / "crw" / "ii",
                qmtest::BuildCrw(false, "Canon", "Canon EOS D30", 1000000000u, 640, 480, 90), 14);
    // Dates outside the EXIF block: a CIFF heap in APP0, a QVCI block, IPTC in APP13, an
    // extended XMP packet in two pieces; the X3F property list of the oldest layout.
    std::vector<uint8_t> ciff =
            qmtest::BuildCrw(true, "Canon", "Canon PowerShot 600", 907000000u, 640, 480, 0);
    std::memcpy(ciff.data() + 10, "JPGM", 4);
    std::vector<uint8_t> qvci(140, 0);
    std::memcpy(qvci.data(), "QVCI", 4);
    std::memcpy(qvci.data() + 77, "1998.10.24.12.08.57", 19);
    std::vector<uint8_t> iptc = qmtest::IptcDataset(2, 55, "20050718");
    for (uint8_t byte : qmtest::IptcDataset(2, 60, "082714+0200"))
        iptc.push_back(byte);
    const std::string resource = std::string("Photoshop 3.0") + '\0' + "8BIM" + '\x04' + '\x04' +
                                 std::string(5, '\0') + char(iptc.size());
    std::vector<uint8_t> app13(resource.begin(), resource.end());
    app13.insert(app13.end(), iptc.begin(), iptc.end());
    const std::string id = "0123456789ABCDEF0123456789ABCDEF";
    const std::string naming = std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
                               "<rdf:Description xmpNote:HasExtendedXMP='" + id + "'/>";
    const std::string packet = "<rdf:Description xmp:CreateDate='2012-02-02T10:00:00+02:00'/>";
    qmtest::JpegBuilder blocks;
    blocks.Soi()
            .Segment(0xE0, ciff)
            .Segment(0xE1, qvci)
            .Segment(0xED, app13)
            .Segment(0xE1, std::vector<uint8_t>(naming.begin(), naming.end()));
    for (size_t offset : {size_t(0), packet.size() / 2}) {
        std::string piece = std::string("http://ns.adobe.com/xmp/extension/") + '\0' + id;
        for (uint32_t v : {uint32_t(packet.size()), uint32_t(offset)}) {
            for (int shift = 24; shift >= 0; shift -= 8)
                piece += char(v >> shift);
        }
        piece += packet.substr(offset, offset == 0 ? packet.size() / 2 : std::string::npos);
        blocks.Segment(0xE1, std::vector<uint8_t>(piece.begin(), piece.end()));
    }
    ok &= Write(dir / "jpeg" / "date_blocks", blocks.Frame(8, 8).Scan().Eoi().Bytes(), 3);
    ok &= Write(dir / "x3f" / "properties",
                qmtest::BuildX3f({}, 0, {}, 0x00020000,
                                 qmtest::X3fProperties({{"CAMMODEL", "SIGMA SD9"}, {"TIME", "1041379200"}})),
                4);
    ok &= Write(dir / "iso" / "mov", qmtest::BuildMovie("qt  ", 3000000000u, 3000000060u), 3);
    // Tracks, user data and item properties in a few variants each.
    for (uint16_t n : {1, 2}) {
        const std::string v = std::to_string(n);
        ok &= Write(dir / "iso" / ("camera_mov" + v), qmtest::CameraMovieSample(n), 3);
        ok &= Write(dir / "iso" / ("tracks_mp4" + v), qmtest::Mp4Sample(n), 3);
        ok &= Write(dir / "iso" / ("properties_heic" + v), qmtest::ImagePropertiesSample(n, false), 3);
        ok &= Write(dir / "iso" / ("properties_avif" + v), qmtest::ImagePropertiesSample(n, true), 3);
    }
    ok &= Write(dir / "iso" / "profile_heic",
                qmtest::BuildHeif("heic", {qmtest::ColourProfileBox(iccBytes)}, {1}, {}, ""), 3);
    ok &= WriteMakerNoteSeeds(dir);
    return ok ? 0 : 1;
}
