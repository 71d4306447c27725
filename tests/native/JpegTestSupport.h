// Runs the JPEG section reader over byte streams built in the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "metadata/ImageInfo.h"
#include "metadata/JpegSectionReader.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"

namespace jpegtest {

// A reader that read one stream through a real FILE*, with everything a test looks at.
struct ReadOutcome {
    ImageInfo info {};
    JpegSectionReader reader {&info};
    bool result = false;
    std::string output;  // what the read wrote to standard output
    long position = 0;  // stream position when ReadSections returned
};

std::unique_ptr<ReadOutcome> ReadJpeg(const std::vector<std::uint8_t>& bytes);

// SOI, one APP1 section with `payload`, a frame header, the scan and EOI.
std::vector<std::uint8_t> JpegWithApp1(const std::vector<std::uint8_t>& payload);

// "Exif", 0, 0 and the given TIFF bytes.
std::vector<std::uint8_t> ExifHeaderAnd(const std::vector<std::uint8_t>& tiff);

// A JPEG whose only EXIF section holds `ifd` as its first directory.
std::unique_ptr<ReadOutcome> ReadExif(const qmtest::Ifd& ifd, qmtest::ByteOrder order);

// The data of the kept section with this marker (the first one), or null.
const JpegSection* FindSection(const JpegSectionReader& reader, int marker);

// The characters of a literal without its terminator; embedded 0 bytes are kept.
template <std::size_t N> std::vector<std::uint8_t> Text(const char (&text)[N])
{
    return std::vector<std::uint8_t>(text, text + N - 1);
}

std::vector<std::uint8_t> Text(const std::string& text);

// Set by a test to make the reader's section allocation fail (see FailingAllocation.cpp).
extern bool gFailNothrowArrayNew;

}  // namespace jpegtest
