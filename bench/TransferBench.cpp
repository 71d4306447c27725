// The cost of a transfer that is complete or absent (written under an unfinished name, flushed,
// its size checked, then renamed) against a plain copy of the same files, in one run: rounds
// alternate the two, and the best round of each counts.
//   transfer_bench.exe FOLDER [FILES] [KILOBYTES]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "engine/FileTransfer.h"

namespace {

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

// Deletes every file of a flat folder and the folder.
void RemoveFlatFolder(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                DeleteFileA((folder + "\\" + data.cFileName).c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// Seconds to copy every source into a fresh folder, or a negative number on any failure.
double TimeCopies(const std::vector<std::string>& sources, const std::string& out, bool safe)
{
    RemoveFlatFolder(out);
    if (!CreateDirectoryA(out.c_str(), nullptr))
        return -1;
    const LARGE_INTEGER start = Now();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string target = out + "\\IMG_" + std::to_string(i) + ".JPG";
        const bool ok = safe ? RealFileSystem().Transfer(sources[i], target, false) == TransferOutcome::Done
                             : CopyFileA(sources[i].c_str(), target.c_str(), TRUE) != 0;
        if (!ok)
            return -1;
    }
    const double seconds = Seconds(start, Now());
    RemoveFlatFolder(out);
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: transfer_bench FOLDER [FILES] [KILOBYTES]\n");
        return 2;
    }
    const std::string root = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int kilobytes = argc > 3 ? std::atoi(argv[3]) : 40;
    if (files <= 0 || kilobytes <= 0)
        return 2;
    const std::string src = root + "\\src";
    CreateDirectoryA(root.c_str(), nullptr);
    RemoveFlatFolder(src);
    if (!CreateDirectoryA(src.c_str(), nullptr))
        return 1;
    std::vector<char> bytes(static_cast<std::size_t>(kilobytes) * 1024);
    std::vector<std::string> sources;
    for (int i = 0; i < files; ++i) {
        for (std::size_t b = 0; b < bytes.size(); b += 512)
            bytes[b] = static_cast<char>(i + b);
        sources.push_back(src + "\\IMG_" + std::to_string(i) + ".JPG");
        if (!WriteFileOf(sources.back(), bytes))
            return 1;
    }
    const int rounds = 3;
    double best[2] = {-1, -1};
    for (int round = 0; round < rounds; ++round) {
        for (int safe = 0; safe < 2; ++safe) {
            const double t = TimeCopies(sources, root + "\\out", safe != 0);
            if (t < 0) {
                std::fprintf(stderr, "transfer_bench: a copy failed (%lu)\n", GetLastError());
                return 1;
            }
            if (best[safe] < 0 || t < best[safe])
                best[safe] = t;
        }
    }
    RemoveFlatFolder(src);
    std::printf("files: %d of %d KB, best of %d rounds each\n", files, kilobytes, rounds);
    std::printf("plain copy     %10.0f files/s\n", files / best[0]);
    std::printf("safe transfer  %10.0f files/s\n", files / best[1]);
    std::printf("ratio (safe transfer time / plain copy time): %.2f\n", best[1] / best[0]);
    return 0;
}
