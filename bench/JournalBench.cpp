// The cost of the run journal, measured side by side in one run inside FOLDER:
//   records    intent and outcome records written as a run writes them (one flush to the disk per
//              pair) against the same bytes written without flushes;
//   moves      small files moved by the plain file system against the journaled one;
//   overwrite  large targets replaced by a move, plainly against journaled (the old target gets a
//              second name in the journal's kept folder on the same drive, recorded, before one
//              replacing rename), beside the time a copy of the old target would take, which is what
//              keeping it must not cost.
//   journal_bench.exe FOLDER [FILES]   FOLDER: an empty folder on the drive to measure, left with the
//                                      files; FILES: records and moves (2000), overwrites FILES / 50
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/JournalFormat.h"
#include "engine/RunFileSystem.h"
#include "engine/FileTransfer.h"
#include "engine/RunsFolder.h"

namespace {

constexpr std::size_t kSmallFile = 4096;
constexpr std::size_t kLargeFile = 8u << 20;

class Clock {
public:
    Clock() { QueryPerformanceFrequency(&frequency_); }
    void Start() { QueryPerformanceCounter(&start_); }
    // Seconds since Start, added to total.
    void Stop(double& total) const
    {
        LARGE_INTEGER end;
        QueryPerformanceCounter(&end);
        total += static_cast<double>(end.QuadPart - start_.QuadPart) /
                 static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_ {}, start_ {};
};

JournalStep Step(std::uint64_t seq)
{
    JournalStep step;
    step.seq = seq;
    step.move = true;
    step.sourceStamp = {3000000, 133000000000000000ull};
    step.source = "C:\\Users\\someone\\Pictures\\Camera\\IMG_" + std::to_string(seq) + ".JPG";
    step.target = "D:\\Sorted\\2012\\2012_01\\2012_01_27\\IMG_" + std::to_string(seq) + ".JPG";
    return step;
}

bool WriteFileOfSize(const std::string& path, std::size_t size, char fill)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const std::vector<char> bytes(size, fill);
    DWORD written = 0;
    const bool ok =
            WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

std::string Name(const std::string& folder, const char* stem, int i)
{
    return folder + stem + std::to_string(i) + ".jpg";
}

bool Records(const std::string& folder, int count, double& flushed, double& plain)
{
    Clock clock;
    RunJournal journal(SystemFileOps());
    if (!journal.Open(folder + "runs\\", "bench", JournalHeader {}, 1000))
        return false;
    clock.Start();
    for (int i = 1; i <= count; ++i)
        if (!journal.Write(TransferLine(Step(i))) || !journal.WriteOutcome(DoneLine(i, {3000000, 1})))
            return false;
    clock.Stop(flushed);
    journal.Close();

    const std::string path = folder + "plain.txt";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    clock.Start();
    for (int i = 1; i <= count && ok; ++i) {
        const std::string pair = TransferLine(Step(i)) + DoneLine(i, {3000000, 1});
        DWORD written = 0;
        ok = WriteFile(file, pair.data(), static_cast<DWORD>(pair.size()), &written, nullptr) != 0;
    }
    clock.Stop(plain);
    CloseHandle(file);
    DeleteFileA(path.c_str());
    return ok;
}

// Every other file is moved plainly, the others through the journal, so that both meet the same
// disk state.
bool Moves(const std::string& folder, int count, double& plain, double& journaled)
{
    const std::string src = folder + "src\\", out = folder + "out\\";
    CreateDirectoryA(src.c_str(), nullptr);
    CreateDirectoryA(out.c_str(), nullptr);
    for (int i = 0; i < count; ++i)
        if (!WriteFileOfSize(Name(src, "m", i), kSmallFile, 'm'))
            return false;
    RealFileSystem real;
    RunJournal journal(SystemFileOps());
    if (!journal.Open(folder + "runs\\", "bench", JournalHeader {}, 1000))
        return false;
    JournalFileSystem logged(real, journal);
    Clock clock;
    for (int i = 0; i < count; ++i) {
        RunFileSystem& fs = i % 2 == 0 ? static_cast<RunFileSystem&>(real) : logged;
        clock.Start();
        if (fs.Transfer(Name(src, "m", i), Name(out, "m", i), true) != TransferOutcome::Done)
            return false;
        clock.Stop(i % 2 == 0 ? plain : journaled);
    }
    return true;
}

bool Overwrites(const std::string& folder, int count, double& plain, double& journaled, double& copy)
{
    const std::string src = folder + "big\\", out = folder + "bigout\\";
    CreateDirectoryA(src.c_str(), nullptr);
    CreateDirectoryA(out.c_str(), nullptr);
    for (int i = 0; i < count; ++i)
        if (!WriteFileOfSize(Name(src, "b", i), kLargeFile, 'n') ||
            !WriteFileOfSize(Name(out, "b", i), kLargeFile, 'o'))
            return false;
    RealFileSystem real;
    RunJournal journal(SystemFileOps());
    if (!journal.Open(folder + "runs\\", "bench", JournalHeader {}, 1000))
        return false;
    JournalFileSystem logged(real, journal);
    Clock clock;
    for (int i = 0; i < count; ++i) {
        const bool plainStep = i % 2 == 0;
        if (plainStep) {
            clock.Start();
            if (!CopyFileA(Name(out, "b", i).c_str(), Name(out, "copy", i).c_str(), TRUE))
                return false;
            clock.Stop(copy);
        }
        RunFileSystem& fs = plainStep ? static_cast<RunFileSystem&>(real) : logged;
        clock.Start();
        if (fs.Replace(Name(src, "b", i), Name(out, "b", i), true) != TransferOutcome::Done)
            return false;
        clock.Stop(plainStep ? plain : journaled);
    }
    return true;
}

double Micro(double seconds, int count)
{
    return count > 0 ? seconds * 1e6 / count : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: journal_bench FOLDER [FILES]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\')
        folder += '\\';
    const int files = argc > 2 ? std::max(std::atoi(argv[2]), 4) : 2000;
    const int overwrites = std::max(files / 50, 4) & ~1;
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        std::fprintf(stderr, "cannot create %s\n", folder.c_str());
        return 1;
    }
    double flushed = 0, unflushed = 0, plainMoves = 0, journaledMoves = 0, plainReplace = 0,
           journaledReplace = 0, copies = 0;
    if (!Records(folder, files, flushed, unflushed) || !Moves(folder, files, plainMoves, journaledMoves) ||
        !Overwrites(folder, overwrites, plainReplace, journaledReplace, copies)) {
        std::fprintf(stderr, "failed in %s (error %lu)\n", folder.c_str(), GetLastError());
        return 1;
    }
    const double f = Micro(flushed, files), u = Micro(unflushed, files);
    const double pm = Micro(plainMoves, files / 2), jm = Micro(journaledMoves, files / 2);
    const double pr = Micro(plainReplace, overwrites / 2), jr = Micro(journaledReplace, overwrites / 2);
    const double c = Micro(copies, overwrites / 2);
    std::printf("records:   %d intent+outcome pairs, flushed %.1f us, unflushed %.1f us per pair (x%.1f)\n",
                files, f, u, u > 0 ? f / u : 0);
    std::printf("moves:     %d files of %zu bytes, plain %.1f us, journaled %.1f us per file (x%.2f)\n",
                files, kSmallFile, pm, jm, pm > 0 ? jm / pm : 0);
    std::printf("overwrite: %d targets of %zu MB, plain %.1f us, journaled %.1f us per file (x%.2f); "
                "a copy of the old target would take %.1f us\n",
                overwrites, kLargeFile >> 20, pr, jr, pr > 0 ? jr / pr : 0, c);
    return 0;
}
