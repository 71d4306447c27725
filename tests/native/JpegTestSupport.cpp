#include "tests/native/JpegTestSupport.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace jpegtest {

std::unique_ptr<ReadOutcome> ReadJpeg(const std::vector<std::uint8_t>& bytes)
{
    auto outcome = std::make_unique<ReadOutcome>();
    std::FILE* stream = std::tmpfile();
    if (stream == nullptr) {
        ADD_FAILURE() << "tmpfile failed";
        return outcome;
    }
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    if (!written || std::fseek(stream, 0, SEEK_SET) != 0) {
        ADD_FAILURE() << "could not write the sample to a temporary file";
        std::fclose(stream);
        return outcome;
    }
    testing::internal::CaptureStdout();
    outcome->result = outcome->reader.ReadSections(stream);
    outcome->output = testing::internal::GetCapturedStdout();
    outcome->position = std::ftell(stream);
    std::fclose(stream);
    return outcome;
}

std::vector<std::uint8_t> JpegWithApp1(const std::vector<std::uint8_t>& payload)
{
    return qmtest::JpegBuilder().Soi().Segment(0xE1, payload).Frame(480, 640).Scan().Eoi().Bytes();
}

std::vector<std::uint8_t> ExifHeaderAnd(const std::vector<std::uint8_t>& tiff)
{
    static const std::uint8_t header[] = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<std::uint8_t> payload(sizeof header + tiff.size());
    std::memcpy(payload.data(), header, sizeof header);
    if (!tiff.empty())
        std::memcpy(payload.data() + sizeof header, tiff.data(), tiff.size());
    return payload;
}

std::unique_ptr<ReadOutcome> ReadExif(const qmtest::Ifd& ifd, qmtest::ByteOrder order)
{
    return ReadJpeg(qmtest::MinimalJpeg(ifd, order));
}

const JpegSection* FindSection(const JpegSectionReader& reader, int marker)
{
    for (int i = 0; i < reader.SectionCount(); ++i) {
        if (reader.Section(i).marker == marker)
            return &reader.Section(i);
    }
    return nullptr;
}

long ThumbnailOffset(const ReadOutcome& outcome)
{
    const JpegSection* exif = FindSection(outcome.reader, 0xE1);
    if (outcome.info.thumbnail == nullptr || exif == nullptr)
        return -1;
    return static_cast<long>(outcome.info.thumbnail - exif->data.get());
}

void ExpectSameInfo(const ReadOutcome& a, const ReadOutcome& b)
{
    const ImageInfo& x = a.info;
    const ImageInfo& y = b.info;
    EXPECT_STREQ(x.exifVersion, y.exifVersion);
    EXPECT_STREQ(x.make, y.make);
    EXPECT_STREQ(x.model, y.model);
    EXPECT_STREQ(x.dateTimeOriginal, y.dateTimeOriginal);
    EXPECT_EQ(x.imageHeight, y.imageHeight);
    EXPECT_EQ(x.imageWidth, y.imageWidth);
    EXPECT_EQ(x.orientation, y.orientation);
    EXPECT_EQ(x.isColor, y.isColor);
    EXPECT_EQ(x.codingProcess, y.codingProcess);
    EXPECT_EQ(x.flashFired, y.flashFired);
    EXPECT_EQ(x.focalLength, y.focalLength);
    EXPECT_EQ(x.exposureTime, y.exposureTime);
    EXPECT_EQ(x.fNumber, y.fNumber);
    EXPECT_EQ(x.subjectDistance, y.subjectDistance);
    EXPECT_EQ(x.sensorWidth, y.sensorWidth);
    EXPECT_EQ(x.exposureBias, y.exposureBias);
    EXPECT_EQ(x.lightSource, y.lightSource);
    EXPECT_EQ(x.meteringMode, y.meteringMode);
    EXPECT_EQ(x.exposureProgram, y.exposureProgram);
    EXPECT_EQ(x.isoSpeed, y.isoSpeed);
    EXPECT_EQ(x.compressedBitsPerPixel, y.compressedBitsPerPixel);
    EXPECT_EQ(x.focalPlaneXResolution, y.focalPlaneXResolution);
    EXPECT_EQ(x.focalPlaneYResolution, y.focalPlaneYResolution);
    EXPECT_EQ(x.focalPlaneUnit, y.focalPlaneUnit);
    EXPECT_EQ(x.xResolution, y.xResolution);
    EXPECT_EQ(x.yResolution, y.yResolution);
    EXPECT_EQ(x.resolutionUnit, y.resolutionUnit);
    EXPECT_EQ(x.brightness, y.brightness);
    EXPECT_STREQ(x.comment, y.comment);
    EXPECT_EQ(ThumbnailOffset(a), ThumbnailOffset(b));
    EXPECT_EQ(x.thumbnailSize, y.thumbnailSize);
    EXPECT_EQ(x.exifParsed, y.exifParsed);
    EXPECT_STREQ(a.reader.ErrorText(), b.reader.ErrorText());
}

std::vector<std::uint8_t> Text(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace jpegtest
