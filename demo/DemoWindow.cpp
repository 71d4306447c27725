// demo_window: shows the demo's photos in the main window for a screenshot on a virtual display.
//   demo_window show PROGRAM PHOTOS COUNT OUTPUT   stores window settings for the demo (no
//       first-start help, PHOTOS as the last folder added, output into OUTPUT, a fixed window
//       rectangle), starts PROGRAM, adds the PHOTOS folder with Add Folder, waits until the list
//       shows COUNT files and prints the window's rectangle as WxH+X+Y. The program keeps running.
//   demo_window close   closes that window and waits until the program has ended.
// The program reads no command line, and a drop carries memory of the dropping process, so the
// photos come in through the program's own Add Folder, whose folder picker opens on the last
// folder added: pressing its OK is all a user would do.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/SettingsStore.h"
#include "resource.h"

namespace {

constexpr DWORD kWaitMs = 20000;
constexpr StoredRect kWindowRect = {16, 16, 1176, 796};

struct Search {
    DWORD process;  // 0: any
    bool mainWindow;  // the main window, or else another dialog of the process
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char title[64] = "";
    char kind[16] = "";
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, kind, sizeof kind);
    if ((search->process == 0 || process == search->process) && IsWindowVisible(window) &&
        std::string(kind) == "#32770" && (std::string(title) == "Quillmere") == search->mainWindow) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of the process (of any when 0), waiting for it.
HWND WaitForDialog(DWORD process, bool mainWindow)
{
    for (DWORD waited = 0; waited < kWaitMs; waited += 100) {
        Search search {process, mainWindow, nullptr};
        EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(100);
    }
    return nullptr;
}

bool StoreDemoSettings(const std::string& photos, const std::string& output)
{
    OrganizeOptions options;
    SetUserDefaults(options);
    LoadSettings(options);
    options.Folder = photos;
    options.AddFilesInSubfolder = 1;
    options.EnableExtFilter = 0;
    options.MoveType = static_cast<std::uint32_t>(DateSource::TakenElseModified);
    options.OutputFolderType = 1;
    options.CustomTargetFolder = output;
    options.WndMaximized = 0;
    options.WndPosition = kWindowRect;
    options.ColWidth_Source = 470;
    options.ColWidth_Target = 420;
    options.ColWidth_Result = 90;
    SaveSettings(options);

    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const DWORD zero = 0;
    const bool ok =
            RegSetValueExA(key, "FirstRun", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero) ==
            ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

int Show(const std::string& program, const std::string& photos, int count, const std::string& output)
{
    if (!StoreDemoSettings(photos, output)) {
        std::fputs("demo_window: cannot store the window settings\n", stderr);
        return 1;
    }
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        std::fprintf(stderr, "demo_window: cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return 1;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);

    HWND window = WaitForDialog(started.dwProcessId, true);
    if (!window) {
        std::fputs("demo_window: the main window did not appear\n", stderr);
        return 1;
    }
    PostMessageA(GetDlgItem(window, IDC_ADD_FOLDER), BM_CLICK, 0, 0);
    HWND picker = WaitForDialog(started.dwProcessId, false);
    if (!picker) {
        std::fputs("demo_window: the folder picker did not appear\n", stderr);
        return 1;
    }
    // The picker selects the start folder once it has filled its tree.
    Sleep(1000);
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
    HWND list = GetDlgItem(window, IDC_FILE_LIST);
    DWORD waited = 0;
    while (ListView_GetItemCount(list) < count && waited < kWaitMs) {
        Sleep(100);
        waited += 100;
    }
    if (ListView_GetItemCount(list) != count) {
        std::fprintf(stderr, "demo_window: the list shows %d files, not %d\n", ListView_GetItemCount(list), count);
        return 1;
    }
    // Let the window finish painting before the caller takes the picture.
    Sleep(500);
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        std::fputs("demo_window: cannot read the window's rectangle\n", stderr);
        return 1;
    }
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    return 0;
}

int Close()
{
    HWND window = WaitForDialog(0, true);
    if (!window) {
        std::fputs("demo_window: no main window to close\n", stderr);
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) {
        std::fprintf(stderr, "demo_window: cannot open the program's process (error %lu)\n", GetLastError());
        return 1;
    }
    PostMessageA(window, WM_COMMAND, IDC_CLOSE, 0);
    const bool ended = WaitForSingleObject(process, kWaitMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    if (!ended) {
        std::fputs("demo_window: the program did not end\n", stderr);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "show" && argc == 6 && std::atoi(argv[4]) > 0)
        return Show(argv[2], argv[3], std::atoi(argv[4]), argv[5]);
    if (command == "close" && argc == 2)
        return Close();
    std::fputs("usage: demo_window show PROGRAM PHOTOS COUNT OUTPUT | demo_window close\n", stderr);
    return 2;
}
