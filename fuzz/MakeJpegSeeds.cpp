// Writes the seed corpora of the JPEG fuzz targets with the tests' own sample builders:
//   make_jpeg_seeds SECTIONS_DIR EXIF_DIR
// SECTIONS_DIR gets whole JPEG streams, EXIF_DIR the EXIF payloads of APP1 sections.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"

using qmtest::ByteOrder;
using qmtest::Ifd;
using qmtest::JpegBuilder;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

Ifd CameraExif()
{
    const Ifd interop = Ifd().Ascii(0x0001, "R98").Undefined(0x0002, Bytes("0100"));
    const Ifd exif = Ifd().Rational(0x829A, 1, 250)
                             .Rational(0x829D, 28, 10)
                             .Short(0x8822, 2)
                             .Short(0x8827, 25)
                             .Undefined(0x9000, Bytes("0230"))
                             .Ascii(0x9003, "2010:07:15 14:03:09")
                             .SRational(0x9201, 8, 1)
                             .Rational(0x9202, 3, 1)
                             .SRational(0x9204, -1, 3)
                             .Short(0x9209, 0x19)
                             .Rational(0x920A, 50, 1)
                             .Undefined(0x9286, Bytes(std::string("ASCII\0\0\0Summer day  ", 21)))
                             .Long(0xA002, 4000)
                             .Short(0xA003, 3000)
                             .Sub(0xA005, interop)
                             .Rational(0xA20E, 4000, 3)
                             .Short(0xA210, 3)
                             .Float(0x9203, 1.5f)
                             .Double(0x9206, 2.5);
    const Ifd thumbnail = Ifd().Short(0x0128, 2).Blob(0x0201, 0x0202, {0xFF, 0xD8, 0xFF, 0xD9});
    return Ifd()
            .Ascii(0x010F, "Maker")
            .Ascii(0x0110, "Model")
            .Short(0x0112, 6)
            .Rational(0x011A, 72, 1)
            .Sub(0x8769, exif)
            .Next(thumbnail);
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    if (!qmtest::WriteBytes(path, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SECTIONS_DIR EXIF_DIR\n", argv[0]);
        return 2;
    }
    const std::string sections = std::string(argv[1]) + "/";
    const std::string exif = std::string(argv[2]) + "/";
    const Ifd camera = CameraExif();
    const Ifd small = Ifd().Short(0x0112, 3).Sub(0x8769, Ifd().Ascii(0x9003, "2001:02:03 04:05:06"));
    const Ifd looped = Ifd().Short(0x0112, 1).NextOffset(8);

    bool ok = true;
    ok &= Write(sections + "camera_intel.jpg", qmtest::MinimalJpeg(camera, ByteOrder::Intel));
    ok &= Write(sections + "camera_motorola.jpg", qmtest::MinimalJpeg(camera, ByteOrder::Motorola));
    ok &= Write(sections + "small.jpg", qmtest::MinimalJpeg(small, ByteOrder::Motorola, 10, 10));
    ok &= Write(sections + "sections.jpg", JpegBuilder()
                                                   .Soi()
                                                   .App0Jfif()
                                                   .Comment("a comment\r\nwith two lines")
                                                   .Exif(small, ByteOrder::Intel)
                                                   .Segment(0xDB, std::vector<std::uint8_t>(65, 1))
                                                   .Padding(3)
                                                   .Frame(100, 200, 1, 0xC2)
                                                   .Comment("second")
                                                   .Scan(16)
                                                   .Eoi()
                                                   .Bytes());
    ok &= Write(sections + "no_image.jpg", JpegBuilder().Soi().Frame(5, 5).Eoi().Bytes());
    ok &= Write(sections + "cut.jpg",
                JpegBuilder().Soi().SegmentWithLength(0xE1, 400, Bytes("Exif")).Bytes());

    ok &= Write(exif + "camera_intel.exif", qmtest::ExifPayload(camera, ByteOrder::Intel));
    ok &= Write(exif + "camera_motorola.exif", qmtest::ExifPayload(camera, ByteOrder::Motorola));
    ok &= Write(exif + "small.exif", qmtest::ExifPayload(small, ByteOrder::Intel));
    ok &= Write(exif + "looped.exif", qmtest::ExifPayload(looped, ByteOrder::Motorola));
    return ok ? 0 : 1;
}
