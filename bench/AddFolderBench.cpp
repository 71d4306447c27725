// Adds a folder tree of many empty files to the file list through Add Folder's own code path
// (the folder scan into the real list-view control with its counter, drawn), beside the least any
// lister must do with the same tree: a bare FindFirstFile/FindNextFile walk that keeps the full
// path of every file it finds. The two alternate in one process, round after round (the list is
// emptied between), so that both meet the same caches; each round is printed and the best of each
// side is compared, in wall-clock time and in this process's processor time (steadier on a busy
// machine). SIDE "bare" or "add" runs that side alone, to trace its system calls.
//   add_folder_bench.exe FOLDER [FILES] [ROUNDS] [SIDE]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "bench/WindowBenchTools.h"
#include "toolkit/VirtualListCtrl.h"
#include "ui/FileList.h"

using namespace benchtools;

namespace {

// The list's owner hands the list's notifications back to it, as the main window does, so that
// the rows in view are drawn from the list's own cells.
LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == WM_NOTIFY && SubclassedControl::Reflect(message, wParam, lParam, result))
        return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A moment in wall-clock time and in this process's processor time (user and kernel).
struct Mark {
    LARGE_INTEGER wall;
    double cpu;
};

Mark Take()
{
    FILETIME created;
    FILETIME exited;
    FILETIME kernel {};
    FILETIME user {};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return {Now(), static_cast<double>(ticks(kernel) + ticks(user)) / 1e7};
}

// The shortest of a side's rounds, each measure on its own.
struct Best {
    double wall = 0;
    double cpu = 0;
    bool any = false;
    void Keep(const Mark& start, const Mark& end)
    {
        const double seconds = Seconds(start.wall, end.wall);
        const double used = end.cpu - start.cpu;
        wall = any ? std::min(wall, seconds) : seconds;
        cpu = any ? std::min(cpu, used) : used;
        any = true;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: add_folder_bench FOLDER [FILES] [ROUNDS] [bare|add]\n");
        return 2;
    }
    const std::string root = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const std::string side = argc > 4 ? argv[4] : "";
    const bool runBare = side != "add";
    const bool runAdd = side != "bare";
    INITCOMMONCONTROLSEX icc {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    LARGE_INTEGER t0 = Now();
    if (!MakeTree(root, files)) {
        std::fprintf(stderr, "cannot create the tree under %s\n", root.c_str());
        return 1;
    }
    LARGE_INTEGER t1 = Now();

    WNDCLASSA ownerClass {};
    ownerClass.lpfnWndProc = OwnerProc;
    ownerClass.hInstance = GetModuleHandleA(nullptr);
    ownerClass.lpszClassName = "QuillmereBenchOwner";
    RegisterClassA(&ownerClass);
    HWND owner = CreateWindowExA(0, ownerClass.lpszClassName, "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 900, 600, nullptr, nullptr, ownerClass.hInstance, nullptr);
    HWND listWindow = CreateWindowExA(0, WC_LISTVIEWA, "",
                                      WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                                      0, 0, 880, 540, owner, nullptr, nullptr, nullptr);
    HWND total = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, owner, nullptr,
                                 nullptr, nullptr);
    VirtualListCtrl list(3);
    if (!owner || !listWindow || !total || !list.Attach(listWindow)) {
        std::fprintf(stderr, "cannot create the list\n");
        return 1;
    }
    list.InsertColumn(0, "Source File", 440);
    list.InsertColumn(1, "Target File", 540);
    list.InsertColumn(2, "Result", 150);
    FileList fileList;
    fileList.Attach(&list, total, 0);
    Pump();

    std::printf("files in tree:          %d (created or checked in %.1f s)\n", files, Seconds(t0, t1));
    Best bare;
    Best add;
    size_t found = 0;
    bool allListed = true;
    char counter[64] = "";
    bool lastInView = false;
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d:", round);
        if (runBare) {
            std::vector<std::string> paths;
            const Mark start = Take();
            ListBare(root, paths);
            const Mark end = Take();
            bare.Keep(start, end);
            found = paths.size();
            std::printf(" bare %.2f s (cpu %.2f s)", Seconds(start.wall, end.wall), end.cpu - start.cpu);
        }
        if (runAdd) {
            const Mark start = Take();
            fileList.AddFolderContents(root, true, 0, {});
            // Shown: the rows in view and the counter are drawn.
            UpdateWindow(listWindow);
            UpdateWindow(total);
            Pump();
            const Mark end = Take();
            add.Keep(start, end);
            std::printf(" add %.2f s (cpu %.2f s)", Seconds(start.wall, end.wall), end.cpu - start.cpu);
            // Run alone, the add is checked against the tree's size.
            found = runBare ? found : static_cast<size_t>(files);
            allListed = allListed && static_cast<size_t>(list.GetItemCount()) == found;
            GetWindowTextA(total, counter, sizeof counter);
            lastInView = ListView_GetTopIndex(listWindow) + ListView_GetCountPerPage(listWindow) >=
                         list.GetItemCount();
            fileList.RemoveAll();
            Pump();
        }
        std::printf("\n");
    }

    PROCESS_MEMORY_COUNTERS memory {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    if (runBare)
        std::printf("bare enumeration:       %.2f s, cpu %.2f s (best of %d; every full path kept)\n",
                    bare.wall, bare.cpu, rounds);
    if (runAdd)
        std::printf("Add Folder into list:   %.2f s, cpu %.2f s (best of %d)\n", add.wall, add.cpu, rounds);
    if (runBare && runAdd)
        std::printf("add / bare:             %.2f x, cpu %.2f x\n", add.wall / bare.wall, add.cpu / bare.cpu);
    std::printf("files found, counter:   %zu, \"%s\" (every round listed all: %s)\n", found, counter,
                allListed ? "yes" : "no");
    std::printf("last row in view:       %s\n", lastInView ? "yes" : "no");
    std::printf("peak working set:       %.1f MB\n",
                static_cast<double>(memory.PeakWorkingSetSize) / (1024 * 1024));
    DestroyWindow(owner);
    return allListed && found > 0 ? 0 : 1;
}
