// The cost of the run journal's flushed records: writes RECORDS pairs of intent and outcome
// records as a run does (each flushed to the disk), then the same bytes without the flushes, into
// FOLDER, and prints microseconds per pair for both.
//   journal_bench.exe FOLDER [RECORDS]      (default 2000)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/JournalFormat.h"
#include "engine/RunJournal.h"

namespace {

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end, const LARGE_INTEGER& frequency)
{
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: journal_bench FOLDER [RECORDS]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\')
        folder += '\\';
    const int records = argc > 2 ? std::atoi(argv[2]) : 2000;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);

    RunJournal journal;
    if (!journal.Open(folder, JournalHeader {}, 1000)) {
        std::fprintf(stderr, "cannot write in %s\n", folder.c_str());
        return 1;
    }
    QueryPerformanceCounter(&start);
    for (int i = 1; i <= records; ++i) {
        if (!journal.Write(TransferLine(Step(i))) || !journal.Write(DoneLine(i, {3000000, 1})))
            return 1;
    }
    QueryPerformanceCounter(&end);
    const double flushed = Seconds(start, end, frequency);

    const std::string plainPath = folder + "plain.txt";
    HANDLE plain = CreateFileA(plainPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (plain == INVALID_HANDLE_VALUE)
        return 1;
    QueryPerformanceCounter(&start);
    for (int i = 1; i <= records; ++i) {
        const std::string pair = TransferLine(Step(i)) + DoneLine(i, {3000000, 1});
        DWORD written = 0;
        if (!WriteFile(plain, pair.data(), static_cast<DWORD>(pair.size()), &written, nullptr))
            return 1;
    }
    QueryPerformanceCounter(&end);
    CloseHandle(plain);
    DeleteFileA(plainPath.c_str());
    const double unflushed = Seconds(start, end, frequency);
    std::printf("%d record pairs: flushed %.1f us per file, unflushed %.1f us per file\n", records,
                flushed * 1e6 / records, unflushed * 1e6 / records);
    return 0;
}
