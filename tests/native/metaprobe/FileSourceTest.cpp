// The file source's blocks: the bytes of every read, and the system reads they cost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "metaprobe/ByteSource.h"
#include "metaprobe/Listing.h"
#include "metaprobe/Probe.h"
#include "tests/support/TiffBuilder.h"

using qmtest::Ifd;

namespace {

TEST(MetaprobeFile, ReadsGiveTheFileBytesWhereverTheyFallAgainstTheBlocks)
{
    using metaprobe::FileSource;
    std::string path = testing::TempDir() + "metaprobe_blocks.bin";
    std::vector<uint8_t> bytes(3 * FileSource::kBlockSize + 1234);
    uint32_t state = 12345;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = uint8_t(state >> 16);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);

    std::unique_ptr<FileSource> source = FileSource::Open(path);
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(source->Size(), bytes.size());
    const uint64_t size = bytes.size();
    std::vector<std::pair<uint64_t, size_t>> reads = {
            {0, 1},
            {1, 4},
            {4095, 2},
            {4096, 4},
            {FileSource::kBlockSize - 2, 4},
            {FileSource::kBlockSize - 3, FileSource::kBlockSize / 2},
            {size - 1, 1},
            {size - 10, 10},
            {100, FileSource::kBlockSize / 2 + 1},
            {0, size_t(size)},
            {FileSource::kBlockSize + 7, 3},
            {FileSource::kBlockSize + 3, 3},  // a step back into the block
    };
    for (int i = 0; i < 3000; ++i) {
        state = state * 1103515245u + 12345u;
        const uint64_t offset = (state >> 4) % size;
        state = state * 1103515245u + 12345u;
        const size_t count =
                size_t(std::min<uint64_t>((state >> 8) % (i % 10 == 0 ? 70000 : 300), size - offset));
        reads.emplace_back(offset, count);
    }
    for (const auto& [offset, count] : reads) {
        SCOPED_TRACE(std::to_string(offset) + "+" + std::to_string(count));
        std::vector<uint8_t> out(count + 1, 0xEE);
        ASSERT_TRUE(source->Read(offset, out.data(), count));
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + count, bytes.begin() + offset));
        EXPECT_EQ(out[count], 0xEE);
    }
    uint8_t out[8];
    EXPECT_FALSE(source->Read(size - 3, out, 4));
    EXPECT_FALSE(source->Read(size + 1, out, 1));
    EXPECT_TRUE(source->Read(size, out, 0));
    std::remove(path.c_str());
}

TEST(MetaprobeFile, SmallReadsOfASmallFileCostOneSystemRead)
{
    // A raw file's directories and values: many small reads here and there, and back.
    Ifd exif;
    exif.Ascii(0x9003, "2019:05:04 10:11:12");
    Ifd ifd0;
    ifd0.Short(0x0112, 8).Ascii(0x0132, "2019:05:05 00:00:00").Sub(0x8769, exif);
    std::vector<uint8_t> tiff = qmtest::BuildTiff(ifd0, {qmtest::ByteOrder::Motorola});
    tiff.resize(9000, 0x5A);
    std::string path = testing::TempDir() + "metaprobe_small.tif";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(tiff.data(), 1, tiff.size(), file), tiff.size());
    ASSERT_EQ(std::fclose(file), 0);
    std::unique_ptr<metaprobe::FileSource> source = metaprobe::FileSource::Open(path);
    ASSERT_NE(source, nullptr);
    metaprobe::Listing listing;
    metaprobe::ProbeSource(*source, listing);
    std::remove(path.c_str());
    EXPECT_EQ(listing.Value("Date/Time Original"), "2019:05:04 10:11:12");
    EXPECT_EQ(source->SystemReads(), 1u);
}

}  // namespace
