// Files per second and bytes read when an export of 2,000 files split over 3 zip archives is
// taken straight from the archives (each entry extracted, CRC-checked, to its own file) against
// the same export already extracted (each file copied):
//   zip_export_bench [WORK_DIR]   (default: a new folder under /tmp, removed afterwards)
// The export is a real one in form: photos without a date of their own, each with a Takeout
// sidecar in another archive than its photo. bench/takeout_bench.sh writes it with
//   zip_export_bench --write WORK_DIR
// (WORK_DIR/archives/*.zip and the same tree extracted in WORK_DIR/extracted) and times the real
// run, quillmere-cli organize --takeout --copy, on both.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ZipArchive.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/ZipBuilder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 2000;
constexpr int kArchives = 3;

std::string NameOf(int index);

// Photo-like bytes: a JPEG without a date of its own, then data with little for deflate to fold
// away, as in a real one.
std::string Content(int index, std::size_t size)
{
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, 1);
    const std::vector<unsigned char> jpeg = qmtest::MinimalJpeg(ifd0);
    std::string text(jpeg.begin(), jpeg.end());
    unsigned value = static_cast<unsigned>(index) * 2654435761u + 1;
    for (std::size_t i = text.size(); i < size; ++i) {
        value = value * 1103515245u + 12345u;
        text.push_back(static_cast<char>(i % 8 == 0 ? 0 : value >> 16));
    }
    return text;
}

// The photo's sidecar, its date a day apart from the one before.
std::string SidecarOf(int index)
{
    const std::string name = fs::path(NameOf(index)).filename().string();
    return "{\"title\": \"" + name + "\", \"photoTakenTime\": {\"timestamp\": \"" +
           std::to_string(1262347200 + index * 86400LL) + "\"}, \"geoData\": {\"latitude\": 0.0, " +
           "\"longitude\": 0.0}}";
}

// Every other sidecar in the newer form.
std::string SidecarName(int index)
{
    return NameOf(index) + (index % 2 == 0 ? ".json" : ".supplemental-metadata.json");
}

std::size_t SizeOf(int index)
{
    return index % 10 == 9 ? 200 * 1024 : 40 * 1024;  // every tenth a short video
}

std::string NameOf(int index)
{
    return "Takeout/Google Photos/Photos from " + std::to_string(2010 + index % 12) + "/IMG_" +
           std::to_string(10000 + index) + (index % 10 == 9 ? ".mp4" : ".jpg");
}

bool WriteFile(const fs::path& path, const char* bytes, std::size_t size)
{
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool ok = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

class FileInput : public ZipInput {
public:
    explicit FileInput(const fs::path& path)
        : file_(std::fopen(path.string().c_str(), "rb")), size_(fs::file_size(path))
    { }
    ~FileInput() override
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override
    {
        if (file_ == nullptr || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0)
            return false;
        read += size;
        return std::fread(buffer, 1, size, file_) == size;
    }
    std::uint64_t read = 0;

private:
    std::FILE* file_;
    std::uint64_t size_;
};

class FileOutput : public ZipOutput {
public:
    explicit FileOutput(const fs::path& path) : file_(std::fopen(path.string().c_str(), "wb")) { }
    ~FileOutput() override { Close(); }
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;
    bool Write(const char* bytes, std::size_t size) override
    {
        return file_ != nullptr && std::fwrite(bytes, 1, size, file_) == size;
    }
    bool Close()
    {
        if (file_ == nullptr)
            return false;
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

private:
    std::FILE* file_;
};

// The seconds this process has spent on a processor so far, its own and the system's for it.
double CpuSeconds()
{
    rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One side's round.
struct Timing {
    int files = 0;
    std::uint64_t bytesRead = 0;
    double seconds = 0;
    double cpu = 0;
};

void Report(const char* what, const Timing& t)
{
    std::printf("%-24s %5d files  %8.0f files/s  %7.1f MB read  %6.3f s  %6.3f s CPU (%6.0f files/CPU s)\n",
                what, t.files, static_cast<double>(t.files) / t.seconds,
                static_cast<double>(t.bytesRead) / 1e6, t.seconds, t.cpu,
                static_cast<double>(t.files) / t.cpu);
}

// Every entry of the archives extracted, CRC-checked, each to its own file in folder.
bool FromArchives(const std::vector<fs::path>& archives, const fs::path& folder, Timing& t)
{
    for (const fs::path& path : archives) {
        FileInput input(path);
        std::vector<ZipEntry> entries;
        std::string reason;
        if (!ReadZipDirectory(input, entries, reason)) {
            std::fprintf(stderr, "zip_export_bench: %s: %s\n", path.string().c_str(), reason.c_str());
            return false;
        }
        for (const ZipEntry& entry : entries) {
            FileOutput out(folder / fs::path(entry.name).filename());
            if (!ExtractZipEntry(input, entry, out, reason) || !out.Close()) {
                std::fprintf(stderr, "zip_export_bench: %s: %s\n", entry.name.c_str(), reason.c_str());
                return false;
            }
            ++t.files;
        }
        t.bytesRead += input.read;
    }
    return true;
}

// Every file of the extracted export copied into folder.
bool FromFolder(const std::vector<fs::path>& loose, const fs::path& folder, Timing& t)
{
    std::string buffer(256 * 1024, '\0');
    for (const fs::path& path : loose) {
        std::FILE* in = std::fopen(path.string().c_str(), "rb");
        FileOutput out(folder / path.filename());
        std::size_t got = 0;
        bool ok = in != nullptr;
        while (ok && (got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
            t.bytesRead += got;
            ok = out.Write(buffer.data(), got);
        }
        if (in != nullptr)
            std::fclose(in);
        if (!ok || !out.Close()) {
            std::fprintf(stderr, "zip_export_bench: cannot copy %s\n", path.string().c_str());
            return false;
        }
        ++t.files;
    }
    return true;
}

// Runs one side into a new folder and keeps the round when it is that side's fastest so far.
template <typename Side> bool Measure(Side side, const fs::path& folder, Timing& best)
{
    using Clock = std::chrono::steady_clock;
    fs::create_directories(folder);
    Timing t;
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    if (!side(folder, t))
        return false;
    t.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    t.cpu = CpuSeconds() - cpuStart;
    if (best.files == 0 || t.seconds < best.seconds)
        best = t;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    // --write WORK_DIR: the export only, for the run's benchmark.
    const bool writeOnly = argc == 3 && std::string(argv[1]) == "--write";
    const bool own = argc < 2;
    const fs::path work = own ? fs::temp_directory_path() / ("qm-zip-bench-" + std::to_string(::getpid()))
                              : fs::path(argv[writeOnly ? 2 : 1]);
    fs::create_directories(work / "extracted");
    fs::create_directories(work / "archives");
    std::vector<fs::path> archives;
    std::vector<fs::path> loose;
    std::vector<ZipBuilder> builders(kArchives);
    for (int i = 0; i < kFiles; ++i) {
        const std::string bytes = Content(i, SizeOf(i));
        const std::string sidecar = SidecarOf(i);
        // The sidecar in the next archive, as an export splits them.
        builders[static_cast<std::size_t>(i % kArchives)].Add(NameOf(i), bytes, true);
        builders[static_cast<std::size_t>((i + 1) % kArchives)].Add(SidecarName(i), sidecar, true);
        const fs::path file = work / "extracted" / NameOf(i);
        fs::create_directories(file.parent_path());
        if (!WriteFile(file, bytes.data(), bytes.size()) ||
            !WriteFile(work / "extracted" / SidecarName(i), sidecar.data(), sidecar.size())) {
            std::fprintf(stderr, "zip_export_bench: cannot write %s\n", file.string().c_str());
            return 1;
        }
        loose.push_back(file);
        loose.push_back(work / "extracted" / SidecarName(i));
    }
    for (int a = 0; a < kArchives; ++a) {
        ZipBuilder& builder = builders[static_cast<std::size_t>(a)];
        char name[64];
        std::snprintf(name, sizeof name, "takeout-20250203T030726Z-%03d.zip", a + 1);
        archives.push_back(work / "archives" / name);
        const std::string archive = builder.Build();
        if (!WriteFile(archives.back(), archive.data(), archive.size())) {
            std::fprintf(stderr, "zip_export_bench: cannot write %s\n", archives.back().string().c_str());
            return 1;
        }
    }

    if (writeOnly)
        return 0;

    // Each side runs in turn, twice: files cost the file system more to create right after many
    // were deleted (the last run's), which would fall on whichever side came first. The best round
    // of each counts; CPU seconds stand beside the time, as the machine may be shared.
    Timing fromArchives, fromFolder;
    for (int round = 0; round < 2; ++round) {
        const std::string n = std::to_string(round);
        if (!Measure([&](const fs::path& f, Timing& t) { return FromFolder(loose, f, t); },
                     work / ("from-folder-" + n), fromFolder) ||
            !Measure([&](const fs::path& f, Timing& t) { return FromArchives(archives, f, t); },
                     work / ("from-archives-" + n), fromArchives))
            return 1;
    }
    Report("from 3 archives", fromArchives);
    Report("from the extracted copy", fromFolder);
    if (own)
        fs::remove_all(work);
    return fromArchives.files == 2 * kFiles ? 0 : 1;
}
