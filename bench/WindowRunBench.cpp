// Drives the real main window as a user would, through messages: drops a folder of COUNT
// generated photos on it, presses Preview and then Copy Files, and times each beside
// quillmere-cli doing the same (a dry run, then a copy) on the same files, and the drop beside a
// bare enumeration of the folder. Prints the times and the window's ratio to the command line's,
// also without the command line's process start (timed alone with --version): both sides read
// every photo's date, but only the command line starts a process.
//   window_run_bench.exe WORK_FOLDER QUILLMERE_CLI [COUNT]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchClock.h"
#include "bench/WindowBenchTools.h"
#include "engine/SettingsStore.h"
#include "resource.h"
#include "tests/support/DropBuilder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"
#include "ui/MainDialog.h"

using namespace benchtools;

namespace {

bool MakePhotos(const std::string& folder, int count)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "%04d:%02d:%02d 12:%02d:%02d", 2010 + i % 5, (i / 5) % 12 + 1,
                      (i / 60) % 28 + 1, i % 60, (i / 7) % 60);
        qmtest::Ifd exif;
        exif.Ascii(0x9003, date);
        qmtest::Ifd ifd0;
        ifd0.Sub(0x8769, exif);
        char name[32];
        std::snprintf(name, sizeof name, "\\IMG_%05d.JPG", i);
        if (GetFileAttributesA((folder + name).c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (!qmtest::WriteBytes(folder + name, qmtest::MinimalJpeg(ifd0)))
            return false;
    }
    return true;
}

// The status bar's first part: the run's summary line.
std::string Summary(HWND window)
{
    char text[512] = "";
    HWND bar = GetDlgItem(window, IDC_STATUS_BAR);
    if (LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 0, 0)) < sizeof text)
        SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_run_bench WORK_FOLDER QUILLMERE_CLI [COUNT]\n");
        return 2;
    }
    const std::string work = argv[1];
    const std::string cli = argv[2];
    const int count = argc > 3 ? std::atoi(argv[3]) : 5000;
    const std::string photos = work + "\\photos";
    CreateDirectoryA(work.c_str(), nullptr);
    if (!MakePhotos(photos, count)) {
        std::fprintf(stderr, "cannot write the photos under %s\n", photos.c_str());
        return 1;
    }
    INITCOMMONCONTROLSEX icc {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    if (const Status done = SetFirstRunDone(); !done) {
        std::fprintf(stderr, "%s\n", done.Reason().c_str());
        return 1;
    }

    MainDialog dialog;
    if (!dialog.Create(nullptr)) {
        std::fprintf(stderr, "cannot open the main window\n");
        return 1;
    }
    HWND window = dialog.Handle();
    ShowWindow(window, SW_SHOW);
    Pump();
    // Into a folder of the bench's own, as the command line is told with --out.
    SendMessageA(GetDlgItem(window, IDC_ANOTHER_FOLDER), BM_CLICK, 0, 0);
    const std::string windowOut = work + "\\out-window";
    SetDlgItemTextA(window, IDC_OUTPUT_FOLDER, windowOut.c_str());
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_FOLDER, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_OUTPUT_FOLDER)));

    const LARGE_INTEGER t0 = Now();
    const int bare = CountBare(photos);
    const LARGE_INTEGER t1 = Now();
    if (!SendDrop(window, {photos})) {
        std::fprintf(stderr, "cannot drop the folder\n");
        return 1;
    }
    Pump();
    const LARGE_INTEGER t2 = Now();
    const int rows = ListView_GetItemCount(GetDlgItem(window, IDC_FILE_LIST));

    SendMessageA(GetDlgItem(window, IDC_PREVIEW), BM_CLICK, 0, 0);
    Pump();
    const LARGE_INTEGER t3 = Now();
    const std::string previewSummary = Summary(window);
    const int cliPreview = RunCli("\"" + cli + "\" organize --dry-run --mode taken --out \"" + work +
                                  "\\out-cli\" \"" + photos + "\"");
    const LARGE_INTEGER t4 = Now();

    SendMessageA(GetDlgItem(window, IDC_COPY_FILES), BM_CLICK, 0, 0);
    Pump();
    const LARGE_INTEGER t5 = Now();
    const std::string copySummary = Summary(window);
    const int cliCopy = RunCli("\"" + cli + "\" organize --mode taken --out \"" + work + "\\out-cli\" \"" +
                               photos + "\"");
    const LARGE_INTEGER t6 = Now();
    // The command line's times include starting a process under Wine; the window's do not.
    const int cliStart = RunCli("\"" + cli + "\" --version");
    const LARGE_INTEGER t7 = Now();
    DestroyWindow(window);
    const double start = Seconds(t6, t7);

    std::printf("photos:                 %d listed of %d\n", rows, bare);
    std::printf("drop the folder:        %.2f s (bare enumeration %.3f s)\n", Seconds(t1, t2),
                Seconds(t0, t1));
    std::printf("window Preview:         %.2f s  \"%s\"\n", Seconds(t2, t3), previewSummary.c_str());
    std::printf("cli --dry-run:          %.2f s  (exit %d)\n", Seconds(t3, t4), cliPreview);
    std::printf("window Copy Files:      %.2f s  \"%s\"\n", Seconds(t4, t5), copySummary.c_str());
    std::printf("cli copy:               %.2f s  (exit %d)\n", Seconds(t5, t6), cliCopy);
    std::printf("cli start (--version):  %.2f s  (exit %d)\n", start, cliStart);
    std::printf("ratio Preview/dry run:  %.2f (aim: at most 3; %.2f without the command line's start)\n",
                Seconds(t2, t3) / Seconds(t3, t4), Seconds(t2, t3) / (Seconds(t3, t4) - start));
    std::printf("ratio Copy/cli copy:    %.2f (aim: at most 3; %.2f without the command line's start)\n",
                Seconds(t4, t5) / Seconds(t5, t6), Seconds(t4, t5) / (Seconds(t5, t6) - start));
    return rows == bare && cliPreview == 0 && cliCopy == 0 && cliStart == 0 ? 0 : 1;
}
