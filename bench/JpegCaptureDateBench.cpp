// Cost of a capture-date read (open, ReadSections, close) on a small and a large JPEG file, measured
// side by side in one run: the reader stops at the scan, so neither the bytes read nor the time may
// grow with the size of the compressed image data.
//   jpeg_capture_date_bench [FOLDER]   (FOLDER for the sample files; default: the temp folder)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "metadata/JpegSectionReader.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"

namespace {

constexpr char kDate[] = "2010:07:15 14:03:09";

struct Sample {
    const char* label;
    std::size_t size;
    std::string path;
    long consumed = 0;  // stream position after the read
    long long systemBytes = -1;  // bytes the process read from the system per file, where known
    double seconds = 0;
    int reads = 0;
};

std::vector<std::uint8_t> SampleJpeg(std::size_t size)
{
    const qmtest::Ifd ifd = qmtest::Ifd()
                                    .Ascii(0x010F, "Maker")
                                    .Ascii(0x0110, "Model")
                                    .Short(0x0112, 1)
                                    .Sub(0x8769, qmtest::Ifd().Ascii(0x9003, kDate).Rational(0x829A, 1, 125));
    qmtest::JpegBuilder head;
    head.Soi()
            .App0Jfif()
            .Exif(ifd, qmtest::ByteOrder::Intel)
            .Segment(0xDB, std::vector<std::uint8_t>(65, 1))
            .Frame(3000, 4000);
    const std::size_t headerSize = head.Bytes().size() + 14 + 2;  // scan header and end of image
    return head.Scan(size > headerSize ? size - headerSize : 0).Eoi().Bytes();
}

// Bytes this process has read through system calls so far (Linux), or -1. Under Windows the
// stream position is the only figure: a Linux counter seen through Wine would count Wine's reads.
long long SystemBytesRead()
{
#ifdef _WIN32
    return -1;
#else
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return -1;
#endif
}

bool ReadOnce(Sample& sample)
{
    std::FILE* stream = std::fopen(sample.path.c_str(), "rb");
    if (stream == nullptr)
        return false;
    ImageInfo info {};
    JpegSectionReader reader(&info);
    const bool ok = reader.ReadSections(stream);
    sample.consumed = std::ftell(stream);
    std::fclose(stream);
    return ok && info.exifParsed && std::strcmp(info.dateTaken, kDate) == 0;
}

bool Measure(Sample& sample, int reads)
{
    const long long before = SystemBytesRead();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reads; ++i) {
        if (!ReadOnce(sample))
            return false;
    }
    sample.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.reads += reads;
    const long long after = SystemBytesRead();
    if (before >= 0 && after >= 0)
        sample.systemBytes = (after - before) / reads;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::error_code error;
    const std::filesystem::path folder =
            argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path(error);
    if (error) {
        std::fprintf(stderr, "no temp folder: %s\n", error.message().c_str());
        return 1;
    }
    Sample samples[] = {{"50 KB", 50 * 1024, ""}, {"10 MB", 10 * 1024 * 1024, ""}};
    for (Sample& sample : samples) {
        sample.path = (folder / ("quillmere_bench_" + std::to_string(sample.size) + ".jpg")).string();
        const auto bytes = SampleJpeg(sample.size);
        if (bytes.size() != sample.size || !qmtest::WriteBytes(sample.path, bytes)) {
            std::fprintf(stderr, "cannot write %s\n", sample.path.c_str());
            return 1;
        }
    }

    // Alternate rounds so that both sizes see the same machine load.
    constexpr int kRounds = 10;
    constexpr int kReadsPerRound = 200;
    bool ok = true;
    for (int round = 0; ok && round < kRounds; ++round) {
        for (Sample& sample : samples)
            ok = ok && Measure(sample, kReadsPerRound);
    }
    for (const Sample& sample : samples)
        std::remove(sample.path.c_str());
    if (!ok) {
        std::fprintf(stderr, "a capture-date read failed\n");
        return 1;
    }

    std::printf("capture-date read (open, ReadSections, close), %d reads per file size\n",
                kRounds * kReadsPerRound);
    std::printf("%-8s %12s %16s %18s\n", "file", "consumed", "system read", "time per file");
    for (const Sample& sample : samples) {
        const std::string system =
                sample.systemBytes >= 0 ? std::to_string(sample.systemBytes) + " B" : "n/a";
        std::printf("%-8s %10ld B %16s %15.2f us\n", sample.label, sample.consumed, system.c_str(),
                    sample.seconds / sample.reads * 1e6);
    }
    std::printf("ratio 10 MB / 50 KB: bytes consumed %.2f, time %.2f (file size ratio %.0f)\n",
                static_cast<double>(samples[1].consumed) / samples[0].consumed,
                samples[1].seconds / samples[0].seconds,
                static_cast<double>(samples[1].size) / samples[0].size);
    return 0;
}
