// What a library costs, in one process under Wine: the first scan of a library of INDEX files
// that has no stored index (files per second and the memory it took); a first run that copies
// FILES new files into an empty library and skips known files, then a second run over the same
// card with NEW more files, side by side (bytes read by the process and seconds each; aim: the
// second at most 2% of the first's bytes and 10% of its time); and copies of VERIFYMB files of
// 1 MB each, plain and verified (read back from the drive and compared), side by side: the cost
// of verifying per MB.
//   library_bench.exe FOLDER [FILES] [NEW] [KILOBYTES] [INDEX] [VERIFYMB]
// Bytes read are the kernel's count for this process ("rchar" in /proc/PID/io under Wine), so
// that every read counts, the copies' included; it also counts the Wine server's replies, a few
// dozen bytes per system call.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "engine/LibraryRun.h"
#include "engine/OrganizeRun.h"
#include "engine/RunsFolder.h"
#include "engine/FileTransfer.h"

namespace {

// The kernel's count of bytes read by the process behind the file io, or -1.
long long ReadCount(const std::string& io)
{
    std::ifstream stream(io);
    std::string key;
    long long value = 0;
    while (stream >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}

// The arguments of the Linux process at folder (a Z:\proc\PID\ path), as Wine leaves them: the
// program as started and then its arguments.
std::vector<std::string> CommandLineOf(const std::string& folder)
{
    std::ifstream stream(folder + "\\cmdline", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // Wine leaves the rest of the first command line's room as empty arguments.
    while (!parts.empty() && parts.back().empty())
        parts.pop_back();
    return parts;
}

// The io file of this very process. Wine opens Z:\proc\self as the Wine server, so /proc/self
// is the server's: this process is the one with its command line whose count grows by the bytes
// of a file it reads just then.
std::string OwnIoFile(int argc, char** argv, const std::string& probe)
{
    std::vector<std::string> mine(argv + 1, argv + argc);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE)
        return {};
    std::string own;
    do {
        const std::string name = found.cFileName;
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string folder = "Z:\\proc\\" + name;
        std::vector<std::string> theirs = CommandLineOf(folder);
        if (theirs.empty() || theirs.size() != mine.size() + 1 ||
            !std::equal(mine.begin(), mine.end(), theirs.begin() + 1))
            continue;
        const long long before = ReadCount(folder + "\\io");
        std::ifstream read(probe, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(read)), std::istreambuf_iterator<char>());
        const long long after = ReadCount(folder + "\\io");
        if (before >= 0 && after - before >= static_cast<long long>(bytes.size()) && bytes.size() > 0) {
            own = folder + "\\io";
            break;
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return own;
}

std::string g_ownIo;

// Bytes the process has read so far, or -1 where the kernel does not say.
long long BytesReadSoFar()
{
    return g_ownIo.empty() ? -1 : ReadCount(g_ownIo);
}

// The process's peak working set so far, 0 when the system does not say.
std::size_t PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize
                                                                                 : 0;
}

bool WriteFileOf(const std::string& path, const std::vector<char>& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(h);
    return ok;
}

// Files of one size with bytes of their own (the size alone tells none apart).
bool MakeFiles(const std::string& folder, int first, int count, std::size_t size,
               std::vector<std::string>& paths)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<char> bytes(size);
    for (int i = first; i < first + count; ++i) {
        for (std::size_t at = 0; at < size; ++at)
            bytes[at] = static_cast<char>((at * 131 + (at >> 10) * 7) & 0xFF);
        // Each file's number at its start and end makes its bytes its own.
        const std::string number = std::to_string(i) + ".";
        std::copy(number.begin(), number.end(), bytes.begin());
        std::copy(number.begin(), number.end(), bytes.end() - static_cast<std::ptrdiff_t>(number.size()));
        const std::string path = folder + "\\IMG_" + std::to_string(i) + ".JPG";
        if (!WriteFileOf(path, bytes))
            return false;
        paths.push_back(path);
    }
    return true;
}

class BenchRows : public RunRows {
public:
    explicit BenchRows(std::vector<std::string> sources) : sources_(std::move(sources)) { }
    int Count() const override { return static_cast<int>(sources_.size()); }
    std::string Source(int row) const override { return sources_.at(static_cast<std::size_t>(row)); }
    void EndRow(int, const RunRecord& record) override
    {
        ++(record.result.outcome == RowOutcome::Done      ? done
           : record.result.outcome == RowOutcome::Skipped ? skipped
                                                          : failed);
    }
    void EnsureVisible(int) override { }
    int done = 0, skipped = 0, failed = 0;

private:
    std::vector<std::string> sources_;
};

class BenchHost : public RunHost {
public:
    void ShowMessage(const std::string& text, MessageKind) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void EnableInput(bool) override { }
    RunProgress& ShowProgress() override { return progress_; }
    void Pump() override { }

private:
    NullProgress progress_;
};

// The extension mode asks no date of this lookup.
class NoDates : public DateLookup {
public:
    Result<std::optional<FoundDate>> DateFrom(const std::string&, const DateSources&) override
    {
        return std::optional<FoundDate>();
    }
    Result<std::optional<std::string>> OrientationText(const std::string&) override
    {
        return std::optional<std::string>();
    }
    Result<std::optional<GeoPosition>> PositionOf(const std::string&) override
    {
        return std::optional<GeoPosition>();
    }
    Result<std::optional<std::string>> ContentIdentifier(const std::string&) override
    {
        return std::optional<std::string>();
    }
    Result<std::optional<TakeoutRole>> TakeoutRoleOf(const std::string&) override
    {
        return std::optional<TakeoutRole>();
    }
    void SetWaitHook(std::function<bool()>) override { }
};

struct RunFigures {
    double seconds = 0;
    long long bytes = 0;
    BenchRows rows;
};

RunFigures Organize(const std::vector<std::string>& sources, const std::string& library,
                    bool skipKnown = true, bool verify = false)
{
    OrganizeOptions options;
    options.OutputFolderType = kOutputToCustomFolder;
    options.CustomTargetFolder = library;
    options.Mode = OrganizeMode::Extension;
    options.SkipKnownFiles = skipKnown ? 1 : 0;
    options.VerifyCopies = verify ? 1 : 0;
    RunFigures figures {0, 0, BenchRows(sources)};
    BenchHost host;
    NoDates lookup;
    RealFileSystem disk;
    const long long before = BytesReadSoFar();
    const LARGE_INTEGER start = Now();
    OrganizeRun(host, figures.rows, lookup, disk, PrepareRun(options), FileAction::Copy);
    figures.seconds = Seconds(start, Now());
    figures.bytes = BytesReadSoFar() - before;
    return figures;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: library_bench FOLDER [FILES] [NEW] [KILOBYTES] [INDEX]\n");
        return 2;
    }
    const std::string root = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int added = argc > 3 ? std::atoi(argv[3]) : 100;
    const int kilobytes = argc > 4 ? std::atoi(argv[4]) : 40;
    const int indexFiles = argc > 5 ? std::atoi(argv[5]) : 100000;
    const int verifyMegabytes = argc > 6 ? std::atoi(argv[6]) : 64;
    if (files <= 0 || added < 0 || kilobytes <= 0 || indexFiles < 0 || verifyMegabytes < 0)
        return 2;
    CreateDirectoryA(root.c_str(), nullptr);
    SetEnvironmentVariableA(kRunsFolderVariable, (root + "\\runs").c_str());
    // First, so that the peak it reaches is its own, not one the copies reached before.
    if (indexFiles > 0) {
        // A library of small files in folders of 1,000, as years of imports would leave it.
        const std::string big = root + "\\big";
        CreateDirectoryA(big.c_str(), nullptr);
        std::vector<std::string> ignored;
        for (int folder = 0; folder * 1000 < indexFiles; ++folder) {
            ignored.clear();
            if (!MakeFiles(big + "\\" + std::to_string(folder), folder * 1000,
                           std::min(1000, indexFiles - folder * 1000), 16, ignored))
                return 1;
        }
        const std::size_t memoryBefore = PeakWorkingSet();
        const LARGE_INTEGER start = Now();
        RunLibrary library(big, false);
        BenchHost host;
        NullProgress progress;
        if (!library.Open(host, progress))
            return 1;
        const double seconds = Seconds(start, Now());
        std::printf("first index of %zu files: %.3f s, %.0f files/s, peak working set %zu KB more\n",
                    library.Index().FileCount(), seconds,
                    static_cast<double>(library.Index().FileCount()) / seconds,
                    (PeakWorkingSet() - memoryBefore) / 1024);
    }
    const std::size_t size = static_cast<std::size_t>(kilobytes) * 1024;
    std::vector<std::string> card;
    if (!MakeFiles(root + "\\card", 0, files, size, card))
        return 1;
    g_ownIo = OwnIoFile(argc, argv, card.front());
    if (g_ownIo.empty())
        std::fprintf(stderr, "the kernel's count of this process's reads was not found: bytes show as -1\n");
    const RunFigures first = Organize(card, root + "\\library");
    if (!MakeFiles(root + "\\card", files, added, size, card))
        return 1;
    const RunFigures second = Organize(card, root + "\\library");
    std::printf("first run:  %d files, %d copied, %d skipped, %d failed: %.3f s, %lld bytes read\n", files,
                first.rows.done, first.rows.skipped, first.rows.failed, first.seconds, first.bytes);
    std::printf("second run: %d files, %d copied, %d skipped, %d failed: %.3f s, %lld bytes read\n",
                files + added, second.rows.done, second.rows.skipped, second.rows.failed, second.seconds,
                second.bytes);
    std::printf("second/first: %.2f%% of the time, %.2f%% of the bytes (aim: at most 10%% and 2%%)\n",
                100 * second.seconds / first.seconds,
                first.bytes > 0 ? 100.0 * static_cast<double>(second.bytes) / static_cast<double>(first.bytes)
                                : -1.0);

    bool verifiedAll = true;
    if (verifyMegabytes > 0) {
        std::vector<std::string> photos;
        if (!MakeFiles(root + "\\large", 0, verifyMegabytes, 1024 * 1024, photos))
            return 1;
        // Plain, verified, and plain again: the first copy of each pair warms nothing the second
        // one reads (each writes a library of its own).
        const RunFigures plain = Organize(photos, root + "\\plain", false, false);
        const RunFigures verified = Organize(photos, root + "\\verified", false, true);
        const RunFigures again = Organize(photos, root + "\\again", false, false);
        const double plainSeconds = (plain.seconds + again.seconds) / 2;
        const double megabytes = verifyMegabytes;
        std::printf("copy of %d MB: plain %.3f s (%.2f ms/MB, %lld bytes read), verified %.3f s "
                    "(%.2f ms/MB, %lld bytes read)\n",
                    verifyMegabytes, plainSeconds, 1000 * plainSeconds / megabytes, plain.bytes,
                    verified.seconds, 1000 * verified.seconds / megabytes, verified.bytes);
        std::printf("verify adds %.2f ms per MB (%.1f%% of a plain copy)\n",
                    1000 * (verified.seconds - plainSeconds) / megabytes,
                    100 * (verified.seconds - plainSeconds) / plainSeconds);
        verifiedAll = plain.rows.done == verifyMegabytes && verified.rows.done == verifyMegabytes &&
                      again.rows.done == verifyMegabytes;
    }

    return first.rows.failed == 0 && second.rows.failed == 0 && second.rows.done == added && verifiedAll ? 0
                                                                                                         : 1;
}
