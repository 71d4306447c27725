// Cost of one capture-date lookup per file: a JPEG read in-process against a start of the
// metadata tool (a trivial stand-in that prints three lines, and the real tool when present).
//   lookup_bench.exe STAND_IN_TOOL [REAL_TOOL] [FILES]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "metadata/MetaLookup.h"
#include "metadata/MetaToolRunner.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A lookup that gave a date.
bool HasDate(const Result<std::optional<DateTime>>& date)
{
    return date && date->has_value();
}

// Milliseconds per file over `passes` passes, after one untimed lookup that warms the caches;
// -1 when any lookup failed.
double MsPerFile(int files, int passes, const std::function<bool(int)>& lookup)
{
    if (!lookup(0))
        return -1;
    const double start = Now();
    for (int pass = 0; pass < passes; ++pass) {
        for (int i = 0; i < files; ++i) {
            if (!lookup(i))
                return -1;
        }
    }
    return (Now() - start) / (files * passes);
}

// A JPEG lookup is cheap: more passes make its figure steady.
constexpr int kJpegPasses = 20;

qmtest::Ifd SampleIfd()
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, "2010:07:15 14:03:09");
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "Bench").Short(0x0112, 6).Sub(0x8769, exif);
    return ifd0;
}

bool WriteText(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s STAND_IN_TOOL [REAL_TOOL] [FILES]\n", argv[0]);
        return 2;
    }
    const std::string standIn = argv[1];
    const std::string realTool = argc > 2 ? argv[2] : "";
    const int files = argc > 3 ? std::max(1, std::atoi(argv[3])) : 40;

    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    const std::string folder =
            std::string(temp, length) + "qm_lookup_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
    if (!CreateDirectoryA(folder.c_str(), nullptr))
        return 1;

    const std::vector<uint8_t> jpeg = qmtest::MinimalJpeg(SampleIfd());
    const std::vector<uint8_t> tiff = qmtest::BuildTiff(SampleIfd());
    const std::string listing = "out Date/Time Original              : 2010:07:15 14:03:09\\r\\n"
                                "Orientation                     : Rotate 90 CW\\r\\nMake : Bench\\r\\n\n";
    for (int i = 0; i < files; ++i) {
        const std::string n = std::to_string(i);
        if (!qmtest::WriteBytes(folder + "p" + n + ".jpg", jpeg) ||
            !qmtest::WriteBytes(folder + "t" + n + ".tif", tiff) ||
            !WriteText(folder + "s" + n + ".raw", listing)) {
            return 1;
        }
    }

    MetaToolConfig standInConfig;
    standInConfig.toolPath = standIn;
    MetaLookup jpegLookup(standInConfig);
    MetaLookup standInLookup(standInConfig);

    const double jpegMs = MsPerFile(files, kJpegPasses, [&](int i) {
        return HasDate(jpegLookup.DateTaken(folder + "p" + std::to_string(i) + ".jpg"));
    });
    const double startMs = MsPerFile(files, 1, [&](int i) {
        MetaToolRunner runner(standInConfig);
        return runner.RunTool(folder + "s" + std::to_string(i) + ".raw");
    });
    const double standInMs = MsPerFile(files, 1, [&](int i) {
        return HasDate(standInLookup.DateTaken(folder + "s" + std::to_string(i) + ".raw"));
    });

    std::printf("files per figure:                          %d (JPEG: %d passes)\n", files, kJpegPasses);
    std::printf("JPEG lookup, in-process:                   %8.3f ms/file\n", jpegMs);
    std::printf("tool start + listing, trivial stand-in:    %8.3f ms/file\n", startMs);
    std::printf("date lookup through the trivial stand-in:  %8.3f ms/file\n", standInMs);
    if (jpegMs > 0 && standInMs > 0) {
        std::printf("stand-in lookup / JPEG lookup:             %8.1f x\n", standInMs / jpegMs);
    }
    if (!realTool.empty() && GetFileAttributesA(realTool.c_str()) != INVALID_FILE_ATTRIBUTES) {
        MetaToolConfig realConfig;
        realConfig.toolPath = realTool;
        MetaLookup realLookup(realConfig);
        const double realMs = MsPerFile(files, 1, [&](int i) {
            return HasDate(realLookup.DateTaken(folder + "t" + std::to_string(i) + ".tif"));
        });
        std::printf("date lookup through metaprobe.exe (TIFF): %8.3f ms/file%s\n", realMs,
                    realMs < 0 ? " (lookup failed)" : "");
        if (jpegMs > 0 && realMs > 0) {
            std::printf("metaprobe lookup / JPEG lookup:            %8.1f x\n", realMs / jpegMs);
        }
    } else {
        std::printf("metaprobe.exe: not built, skipped\n");
    }

    for (int i = 0; i < files; ++i) {
        const std::string n = std::to_string(i);
        DeleteFileA((folder + "p" + n + ".jpg").c_str());
        DeleteFileA((folder + "t" + n + ".tif").c_str());
        DeleteFileA((folder + "s" + n + ".raw").c_str());
    }
    RemoveDirectoryA(folder.c_str());
    return (jpegMs < 0 || startMs < 0 || standInMs < 0) ? 1 : 0;
}
