// Adds a folder tree of many empty files to the file list through Add Folder's own code path
// (the folder scan into the real list-view control with its counter), and, in the same run, times
// a bare enumeration of the same tree: the cost of listing files beyond finding them.
//   add_folder_bench.exe FOLDER [FILES]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: add_folder_bench FOLDER [FILES]\n");
        return 2;
    }
    const std::string root = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 100000;
    INITCOMMONCONTROLSEX icc {sizeof icc, ICC_LISTVIEW_CLASSES};
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

    LARGE_INTEGER t2 = Now();
    const int bare = CountBare(root);
    LARGE_INTEGER t3 = Now();
    fileList.AddFolderContents(root, true, 0, {});
    LARGE_INTEGER t4 = Now();

    char counter[64] = "";
    GetWindowTextA(total, counter, sizeof counter);
    PROCESS_MEMORY_COUNTERS memory {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const int top = ListView_GetTopIndex(listWindow);
    const int perPage = ListView_GetCountPerPage(listWindow);

    std::printf("files in tree:          %d (created or checked in %.1f s)\n", bare, Seconds(t0, t1));
    std::printf("bare enumeration:       %.2f s\n", Seconds(t2, t3));
    std::printf("Add Folder into list:   %.2f s (%.1f x the bare enumeration)\n", Seconds(t3, t4),
                Seconds(t3, t4) / Seconds(t2, t3));
    std::printf("rows, counter:          %d, \"%s\"\n", list.GetItemCount(), counter);
    std::printf("last row in view:       %s\n", top + perPage >= list.GetItemCount() ? "yes" : "no");
    std::printf("peak working set:       %.1f MB\n",
                static_cast<double>(memory.PeakWorkingSetSize) / (1024 * 1024));
    DestroyWindow(owner);
    return list.GetItemCount() == bare ? 0 : 1;
}
