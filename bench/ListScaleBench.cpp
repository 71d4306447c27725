// The main window with a hundred thousand rows, driven through messages as a user would: drops a
// tree of FILES empty photos on it (beside a bare enumeration of the tree), runs Preview over
// every row (beside quillmere-cli's dry run of the same tree, and the command line's bare start),
// then times what a user does with such a list: sorting by a column, scrolling, selecting,
// filtering and removing, each followed by the repaint it causes.
//   list_scale_bench.exe TREE QUILLMERE_CLI [FILES]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench/BenchClock.h"
#include "bench/WindowBenchTools.h"
#include "engine/SettingsStore.h"
#include "resource.h"
#include "tests/support/DropBuilder.h"
#include "ui/MainDialog.h"

using namespace benchtools;

namespace {

std::string StatusPart(HWND window, int part)
{
    char text[512] = "";
    HWND bar = GetDlgItem(window, IDC_STATUS_BAR);
    if (LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0)) < sizeof text)
        SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
}

// Times an action with the repaint it causes, repeated `times`; prints the time per action.
void Time(const char* what, HWND list, int times, const std::function<void()>& action)
{
    const LARGE_INTEGER from = Now();
    for (int i = 0; i < times; ++i) {
        action();
        UpdateWindow(list);
        Pump();
    }
    const LARGE_INTEGER to = Now();
    std::printf("  %-34s %9.2f ms\n", what, Seconds(from, to) * 1000.0 / times);
}

void ClickHeader(HWND window, HWND list, int column)
{
    NMLISTVIEW click {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_FILE_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(window, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
}

void Menu(HWND window, int id)
{
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: list_scale_bench TREE QUILLMERE_CLI [FILES]\n");
        return 2;
    }
    const std::string tree = argv[1];
    const std::string cli = argv[2];
    const int files = argc > 3 ? std::atoi(argv[3]) : 100000;
    if (!MakeTree(tree, files)) {
        std::fprintf(stderr, "cannot create the tree under %s\n", tree.c_str());
        return 1;
    }
    INITCOMMONCONTROLSEX icc {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    if (const Status done = SetFirstRunDone(); !done) {
        std::fprintf(stderr, "%s\n", done.Reason().c_str());
        return 1;
    }

    MainDialog dialog;
    dialog.Options().AddFilesInSubfolder = 1;
    if (!dialog.Create(nullptr)) {
        std::fprintf(stderr, "cannot open the main window\n");
        return 1;
    }
    HWND window = dialog.Handle();
    HWND list = GetDlgItem(window, IDC_FILE_LIST);
    ShowWindow(window, SW_SHOW);
    Pump();
    SendMessageA(GetDlgItem(window, IDC_ANOTHER_FOLDER), BM_CLICK, 0, 0);
    const std::string out = tree + "-out";
    SetDlgItemTextA(window, IDC_OUTPUT_FOLDER, out.c_str());
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_FOLDER, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_OUTPUT_FOLDER)));

    const LARGE_INTEGER t0 = Now();
    const int bare = CountBare(tree);
    const LARGE_INTEGER t1 = Now();
    if (!SendDrop(window, {tree})) {
        std::fprintf(stderr, "cannot drop the tree\n");
        return 1;
    }
    UpdateWindow(list);
    Pump();
    const LARGE_INTEGER t2 = Now();
    const int rows = ListView_GetItemCount(list);

    SendMessageA(GetDlgItem(window, IDC_PREVIEW), BM_CLICK, 0, 0);
    UpdateWindow(list);
    Pump();
    const LARGE_INTEGER t3 = Now();
    const std::string summary = StatusPart(window, 0);
    const int cliDryRun =
            RunCli("\"" + cli + "\" organize --dry-run --mode taken --out \"" + out + "\" \"" + tree + "\"");
    const LARGE_INTEGER t4 = Now();
    const int cliStart = RunCli("\"" + cli + "\" --version");
    const LARGE_INTEGER t5 = Now();

    std::printf("rows:                    %d listed of %d\n", rows, bare);
    std::printf("bare enumeration:        %.2f s\n", Seconds(t0, t1));
    std::printf("drop the tree:           %.2f s (%.1f x the bare enumeration)\n", Seconds(t1, t2),
                Seconds(t1, t2) / Seconds(t0, t1));
    std::printf("window Preview:          %.2f s  \"%s\"\n", Seconds(t2, t3), summary.c_str());
    std::printf("cli --dry-run:           %.2f s  (exit %d; its start alone, --version: %.2f s, exit %d)\n",
                Seconds(t3, t4), cliDryRun, Seconds(t4, t5), cliStart);
    std::printf("ratio Preview/dry run:   %.2f (%.2f without the command line's start)\n",
                Seconds(t2, t3) / Seconds(t3, t4), Seconds(t2, t3) / (Seconds(t3, t4) - Seconds(t4, t5)));

    std::printf("on %d rows, per operation (with its repaint):\n", rows);
    Time("sort by Source (header click)", list, 3, [&] { ClickHeader(window, list, 0); });
    Time("sort by Result", list, 3, [&] { ClickHeader(window, list, 2); });
    Time("scroll a page down", list, 200, [&] { SendMessageA(list, WM_VSCROLL, SB_PAGEDOWN, 0); });
    Time("jump to the last row", list, 1, [&] { ListView_EnsureVisible(list, rows - 1, FALSE); });
    Time("jump to the first row", list, 1, [&] { ListView_EnsureVisible(list, 0, FALSE); });
    int clicked = 0;
    Time("click a row", list, 200, [&] {
        const int row = ListView_GetTopIndex(list) + clicked++ % std::max(1, ListView_GetCountPerPage(list));
        RECT box {LVIR_LABEL, 0, 0, 0};
        if (!SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&box)))
            return;
        const LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        // The release waits in the queue: the control watches it for a drag before it selects.
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    });
    Time("Select All", list, 3, [&] { Menu(window, IDM_SELECT_ALL); });
    Time("sort with every row selected", list, 1, [&] { ClickHeader(window, list, 0); });
    Time("View Only Failed", list, 1, [&] { Menu(window, IDM_VIEW_FAILED); });
    const int failedShown = ListView_GetItemCount(list);
    Time("View All", list, 1, [&] { Menu(window, IDM_VIEW_ALL); });
    Time("select 1,000 rows, one by one", list, 1, [&] {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int row = 0; row < 100000 && row < rows; row += 100)
            ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    });
    Time("Remove those 1,000", list, 1,
         [&] { SendMessageA(GetDlgItem(window, IDC_REMOVE), BM_CLICK, 0, 0); });
    const int afterRemove = ListView_GetItemCount(list);
    Time("Select All and Remove", list, 1, [&] {
        Menu(window, IDM_SELECT_ALL);
        SendMessageA(GetDlgItem(window, IDC_REMOVE), BM_CLICK, 0, 0);
    });
    std::printf("shown by Only Failed:    %d; after removing 1,000: %d; at the end: %d (\"%s\")\n",
                failedShown, afterRemove, ListView_GetItemCount(list), StatusPart(window, 1).c_str());

    PROCESS_MEMORY_COUNTERS memory {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("peak working set:        %.1f MB\n",
                static_cast<double>(memory.PeakWorkingSetSize) / (1024 * 1024));
    DestroyWindow(window);
    return rows == bare && cliDryRun >= 0 && cliStart == 0 ? 0 : 1;
}
