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

std::vector<std::uint8_t> Text(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace jpegtest
