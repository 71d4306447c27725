// The sample builders every other test relies on: byte layout checked directly, and the
// files they write read back by the reference metadata tool when it is installed.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"

using namespace qmtest;

namespace {

uint32_t Read32(const std::vector<uint8_t>& b, size_t at, ByteOrder order)
{
    if (order == ByteOrder::Intel)
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
    return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

uint16_t Read16(const std::vector<uint8_t>& b, size_t at, ByteOrder order)
{
    return order == ByteOrder::Intel ? static_cast<uint16_t>(b[at] | b[at + 1] << 8)
                                     : static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

bool HaveReferenceTool()
{
    return std::system("exiftool -ver >/dev/null 2>&1") == 0;
}

std::string RunTool(const std::string& args)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("exiftool " + args).c_str(), "r"), pclose);
    if (!pipe)
        return out;
    std::array<char, 512> buf;
    while (fgets(buf.data(), buf.size(), pipe.get()))
        out += buf.data();
    return out;
}

}  // namespace

TEST(TiffBuilder, LaysOutHeaderEntriesAndValuesInBothOrders)
{
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        Ifd ifd;
        ifd.Short(0x0112, 6).Ascii(0x010F, "CameraMaker").Rational(0x011A, 72, 1);
        TiffOptions options;
        options.order = order;
        std::vector<uint8_t> b = BuildTiff(ifd, options);
        ASSERT_GE(b.size(), 8u + 2 + 36 + 4);
        EXPECT_EQ(b[0], order == ByteOrder::Intel ? 'I' : 'M');
        EXPECT_EQ(Read16(b, 2, order), 42);
        EXPECT_EQ(Read32(b, 4, order), 8u);
        EXPECT_EQ(Read16(b, 8, order), 3);
        // Entry 0: orientation, SHORT, inline.
        EXPECT_EQ(Read16(b, 10, order), 0x0112);
        EXPECT_EQ(Read16(b, 12, order), fmt::Short);
        EXPECT_EQ(Read32(b, 14, order), 1u);
        EXPECT_EQ(Read16(b, 18, order), 6);
        // Entry 1: make, 12 bytes out of line.
        EXPECT_EQ(Read32(b, 26, order), 12u);
        uint32_t at = Read32(b, 30, order);
        ASSERT_LE(at + 12, b.size());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[at])), "CameraMaker");
        // Entry 2: rational out of line, each word in file order.
        uint32_t r = Read32(b, 42, order);
        ASSERT_LE(r + 8, b.size());
        EXPECT_EQ(Read32(b, r, order), 72u);
        EXPECT_EQ(Read32(b, r + 4, order), 1u);
        // No next directory.
        EXPECT_EQ(Read32(b, 8 + 2 + 36, order), 0u);
    }
}

TEST(TiffBuilder, BrokenStructuresAreWrittenAsAsked)
{
    Ifd ifd;
    ifd.RawOffset(0x010F, fmt::Ascii, 100, 0xFFFFFF00).NextOffset(8);
    TiffOptions options;
    options.firstIfdOffset = 7;
    std::vector<uint8_t> b = BuildTiff(ifd, options);
    EXPECT_EQ(Read32(b, 4, ByteOrder::Intel), 7u);
    EXPECT_EQ(Read32(b, 8 + 2 + 8, ByteOrder::Intel), 0xFFFFFF00u);
    EXPECT_EQ(Read32(b, 8 + 2 + 12, ByteOrder::Intel), 8u);
}

TEST(JpegBuilder, SegmentsCarryTheirLengths)
{
    std::vector<uint8_t> b = JpegBuilder().Soi().Comment("hi").Padding(2).Eoi().Bytes();
    std::vector<uint8_t> expected = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x04, 'h', 'i', 0xFF, 0xFF, 0xFF, 0xD9};
    EXPECT_EQ(b, expected);
}

TEST(SampleFiles, ReferenceToolReadsWhatTheBuildersWrite)
{
    if (!HaveReferenceTool())
        GTEST_SKIP() << "exiftool is not installed; the builders' layout is checked by the other tests";
    const auto dir = std::filesystem::temp_directory_path();
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        Ifd exif;
        exif.Ascii(0x9003, "2010:07:15 14:03:09").Rational(0x829A, 1, 125);
        Ifd ifd0;
        ifd0.Ascii(0x010F, "Maker").Short(0x0112, 8).Sub(0x8769, exif);
        const std::string name = order == ByteOrder::Intel ? "qm_sample_ii.jpg" : "qm_sample_mm.jpg";
        const std::string path = (dir / name).string();
        ASSERT_TRUE(WriteBytes(path, MinimalJpeg(ifd0, order, 480, 640)));
        std::string out =
                RunTool("-s -s -s -n -DateTimeOriginal -Make -Orientation -ExposureTime -ImageWidth " + path);
        EXPECT_EQ(out, "2010:07:15 14:03:09\nMaker\n8\n0.008\n640\n");
        std::filesystem::remove(path);
    }
}
