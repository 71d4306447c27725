#include "fuzz/metaprobe/MakerNoteSeeds.h"

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/ContainerSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MakerNoteSamples.h"
#include "tests/support/RawSamples.h"

namespace {

using qmtest::ByteOrder;
using qmtest::Ifd;

bool Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, size_t skip)
{
    return bytes.size() >= skip &&
           qmtest::WriteBytes(path.string(), std::vector<uint8_t>(bytes.begin() + long(skip), bytes.end()));
}

std::vector<uint8_t> Chars(const char* bytes, size_t size)
{
    return std::vector<uint8_t>(bytes, bytes + size);
}

std::vector<uint8_t> Segment(uint8_t marker, const std::vector<uint8_t>& payload)
{
    return qmtest::JpegBuilder().Soi().Segment(marker, payload).Frame(8, 8).Scan().Eoi().Bytes();
}

}  // namespace

bool WriteMakerNoteSeeds(const std::filesystem::path& dir)
{
    bool ok = true;
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        const std::string n = order == ByteOrder::Intel ? "ii" : "mm";
        std::vector<uint16_t> settings(46, 1);
        Ifd canon;
        canon.Shorts(0x0001, settings).Ascii(0x0009, "Owner").Long(0x000C, 123456789);
        auto canonAt = [&](uint32_t offset) { return qmtest::TiffRelativeNote(canon, order, offset); };
        ok &= Write(dir / "jpeg" / ("canon_" + n),
                    qmtest::JpegWithMakerNote("Canon", "Canon EOS 5D", canonAt, order), 3);
        ok &= Write(dir / "tiff" / ("dng_" + n),
                    qmtest::DngWithMakerNote("Canon", "Canon EOS 5D", canonAt(1000), 1000, order), 2);
        Ifd nikon;
        nikon.Ascii(0x0005, "AUTO").Ascii(0x0006, "NONE").Ascii(0x00A0, "NO= 1").Ascii(0x00AA, "NORMAL");
        std::vector<uint8_t> nikonNote =
                qmtest::SelfContainedNote(nikon, order, Chars("Nikon\0\2\x10\0\0", 10));
        ok &= Write(dir / "jpeg" / ("nikon_" + n),
                    qmtest::JpegWithMakerNote(
                            "NIKON", "D2X", [&](uint32_t) { return nikonNote; }, order),
                    3);
        Ifd sigma;
        sigma.Ascii(0x0002, "1008382");
        std::vector<uint8_t> sigmaJpeg = qmtest::JpegWithMakerNote(
                "SIGMA", "DP2",
                [&](uint32_t offset) {
                    return qmtest::TiffRelativeNote(sigma, order, offset, Chars("SIGMA\0\0\0\1\0", 10));
                },
                order);
        ok &= Write(dir / "x3f" / ("sigma_" + n), qmtest::BuildX3f(sigmaJpeg, 0, {{2, 1.0f}, {5, -0.5f}}), 4);
    }
    Ifd fuji;
    fuji.Short(0x1001, 3).Short(0x1002, 256).Short(0x1003, 128).Short(0x1004, 0).SRational(0x144D, -3, 2);
    std::vector<uint8_t> fujiNote = Chars("FUJIFILM\x0C\0\0\0", 12);
    std::vector<uint8_t> fujiTiff = qmtest::BuildTiff(fuji, {ByteOrder::Intel, 12});
    fujiNote.insert(fujiNote.end(), fujiTiff.begin() + 12, fujiTiff.end());
    ok &= Write(dir / "jpeg" / "fujifilm",
                qmtest::JpegWithMakerNote(
                        "FUJIFILM", "E500", [&](uint32_t) { return fujiNote; }, ByteOrder::Intel),
                3);
    std::vector<uint8_t> hyperFire(120, 0), ultraFire(120, 1), hyperFire2(160, 2);
    hyperFire[0] = 0x01;
    hyperFire[1] = 0xF1;
    std::memcpy(ultraFire.data(), "RECONYXUF\0", 10);
    std::memcpy(hyperFire2.data(), "RECONYXH2\0", 10);
    int i = 0;
    for (const std::vector<uint8_t>* note : {&hyperFire, &ultraFire, &hyperFire2}) {
        ok &= Write(dir / "jpeg" / ("reconyx" + std::to_string(i++)),
                    qmtest::JpegWithMakerNote(
                            "RECONYX", "HC600", [&](uint32_t) { return *note; }, ByteOrder::Motorola, {}, {},
                            false),
                    3);
    }
    Ifd panasonic;
    panasonic.Short(0x0030, 6).Short(0x003A, 1).Bytes(0x008F, {2});
    std::vector<uint8_t> panasonicTiff = qmtest::BuildTiff(panasonic, {ByteOrder::Motorola});
    std::vector<uint8_t> panasonicNote = Chars("Panasonic\0\0\0", 12);
    panasonicNote.insert(panasonicNote.end(), panasonicTiff.begin() + 8, panasonicTiff.end());
    ok &= Write(dir / "jpeg" / "panasonic",
                qmtest::JpegWithMakerNote(
                        "Panasonic", "DMC-FZ8", [&](uint32_t) { return panasonicNote; }, ByteOrder::Motorola),
                3);
    const std::vector<uint8_t> appleNote = qmtest::AppleMakerNote("5C2F6A3E-1B7D-4E8A", {-980, 14, 157});
    ok &= Write(dir / "jpeg" / "apple",
                qmtest::JpegWithMakerNote(
                        "Apple", "iPhone 12", [&](uint32_t) { return appleNote; }, ByteOrder::Intel),
                3);
    // Pentax: the clock, the world-time entries and the newer cameras' world-time block.
    Ifd pentax;
    pentax.Undefined(0x0006, {0x07, 0xD7, 11, 30})
            .Undefined(0x0007, {23, 59, 58})
            .Short(0x0022, 1)
            .Short(0x0023, 56)
            .Short(0x0025, 1)
            .Undefined(0x006B, {0x07, 0, 20, 74});
    std::vector<uint8_t> pentaxTiff = qmtest::BuildTiff(pentax, {ByteOrder::Intel});
    std::vector<uint8_t> pentaxNote = Chars("AOC\0II", 6);
    pentaxNote.insert(pentaxNote.end(), pentaxTiff.begin() + 8, pentaxTiff.end());
    ok &= Write(dir / "jpeg" / "pentax",
                qmtest::JpegWithMakerNote(
                        "PENTAX Corporation", "PENTAX K10D", [&](uint32_t) { return pentaxNote; },
                        ByteOrder::Intel),
                3);
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        const std::string n = order == ByteOrder::Intel ? "ii" : "mm";
        Ifd settings;
        settings.Raw(0x0903, qmtest::fmt::SShort, 2, {0, 15, 0, 1}).Ascii(0x0908, "2016:01:02 03:04:05");
        Ifd olympus;
        olympus.Sub(0x2020, settings);
        // The self-contained layout after either maker's header.
        struct Header {
            const char* name;
            std::string bytes;
            const char* make;
            const char* model;
        };
        const std::string orderAndVersion =
                order == ByteOrder::Intel ? std::string("II\3\0", 4) : std::string("MM\3\0", 4);
        const Header headers[] = {
                {"olympus-", std::string("OLYMPUS\0", 8) + orderAndVersion, "OLYMPUS IMAGING CORP.", "E-M5"},
                {"om-", std::string("OM SYSTEM\0\0\0", 12) + orderAndVersion, "OM Digital Solutions",
                 "OM-1"}};
        for (const Header& header : headers) {
            std::vector<uint8_t> note = qmtest::TiffRelativeNote(
                    olympus, order, 0, Chars(header.bytes.data(), header.bytes.size()));
            ok &= Write(dir / "jpeg" / (header.name + n),
                        qmtest::JpegWithMakerNote(
                                header.make, header.model, [&](uint32_t) { return note; }, order),
                        3);
        }
        ok &= Write(dir / "jpeg" / ("olymp-" + n),
                    qmtest::JpegWithMakerNote(
                            "OLYMPUS OPTICAL CO.,LTD", "C5050Z",
                            [&](uint32_t offset) {
                                return qmtest::TiffRelativeNote(olympus, order, offset,
                                                                Chars("OLYMP\0\1\0", 8));
                            },
                            order),
                    3);
        Ifd sony;
        sony.Undefined(0x3000, qmtest::ShotInfoBlock("2016:05:06 07:08:09", 68)).Short(0xB001, 280);
        ok &= Write(dir / "jpeg" / ("sony-" + n),
                    qmtest::JpegWithMakerNote(
                            "SONY", "DSC-RX100",
                            [&](uint32_t offset) {
                                return qmtest::TiffRelativeNote(sony, order, offset,
                                                                Chars("SONY DSC \0\0\0", 12));
                            },
                            order),
                    3);
        // The enciphered blocks: each layout of the orientation block, with the clock blocks of
        // models that keep one.
        const std::vector<uint8_t> clock = {0xE0, 0x07, 5, 6, 7, 8, 9};
        struct Enciphered {
            const char* model;
            size_t clockAt;
            uint8_t first;
            size_t orientationAt;
        };
        const Enciphered blocks[] = {
                {"SLT-A77", 438, 0x07, 40}, {"DSC-RX100", 556, 0x0C, 36}, {"ILCE-7", 0, 0x23, 41}};
        for (const Enciphered& b : blocks) {
            Ifd note;
            note.Undefined(0x2010, qmtest::SonyBlock(b.clockAt + 8, b.clockAt, clock))
                    .Undefined(0x9050, qmtest::SonyBlock(90, 81, {16, 5, 6, 7, 8, 9}))
                    .Undefined(0x9400, qmtest::SonyBlock(48, b.orientationAt, {6}, b.first));
            std::string name = std::string("sonyenc-") + b.model + "-" + n;
            ok &= Write(dir / "jpeg" / name, qmtest::SonyJpeg(b.model, note, order), 3);
            auto noteAt = [&](uint32_t offset) {
                return qmtest::TiffRelativeNote(note, order, offset, Chars("SONY DSC \0\0\0", 12));
            };
            ok &= Write(dir / "tiff" / name,
                        qmtest::DngWithMakerNote("SONY", b.model, noteAt(1000), 1000, order), 2);
        }
    }
    const std::string info = "[picture info]\r\nTimeDate=966600000\r\nType=C3030Z\r\n";
    ok &= Write(dir / "jpeg" / "app12", Segment(0xEC, std::vector<uint8_t>(info.begin(), info.end())), 3);
    std::vector<uint8_t> qvci(140, 0);
    std::memcpy(qvci.data(), "QVCI", 4);
    std::memcpy(qvci.data() + 77, "2001:02:03 04:05:06", 19);
    ok &= Write(dir / "jpeg" / "qvci", Segment(0xE1, qvci), 3);
    return ok;
}
