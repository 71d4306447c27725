// demo_window: shows the demo's photos in the main window for a screenshot on a virtual display.
//   demo_window show PROGRAM OUTPUT FILE...   stores window settings for the demo (no first-start
//       help, output into OUTPUT, a fixed window rectangle), starts PROGRAM, drops the files on its
//       window, waits until the list shows them and prints the window's rectangle as WxH+X+Y.
//       The program keeps running.
//   demo_window close   closes that window and waits until the program has ended.
// The program reads no command line, so the files arrive as the shell would drop them.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/SettingsStore.h"
#include "resource.h"
#include "tests/support/DropBuilder.h"

namespace {

constexpr DWORD kWaitMs = 20000;
constexpr StoredRect kWindowRect = {16, 16, 1176, 796};

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char title[64] = "";
    char kind[16] = "";
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, kind, sizeof kind);
    if ((search->process == 0 || process == search->process) && IsWindowVisible(window) &&
        std::string(title) == "Quillmere" && std::string(kind) == "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The program's visible main window (of the given process, or of any when 0), waiting for it.
HWND WaitForMainWindow(DWORD process)
{
    for (DWORD waited = 0; waited < kWaitMs; waited += 100) {
        Search search {process, nullptr};
        EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(100);
    }
    return nullptr;
}

bool StoreDemoSettings(const std::string& output)
{
    OrganizeOptions options;
    SetUserDefaults(options);
    LoadSettings(options);
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

int Show(const std::string& program, const std::string& output, const std::vector<std::string>& files)
{
    if (!StoreDemoSettings(output)) {
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

    HWND window = WaitForMainWindow(started.dwProcessId);
    if (!window) {
        std::fputs("demo_window: the main window did not appear\n", stderr);
        return 1;
    }
    if (!SendDrop(window, files)) {
        std::fputs("demo_window: cannot build the drop\n", stderr);
        return 1;
    }
    HWND list = GetDlgItem(window, IDC_FILE_LIST);
    const auto wanted = static_cast<int>(files.size());
    DWORD waited = 0;
    while (ListView_GetItemCount(list) < wanted && waited < kWaitMs) {
        Sleep(100);
        waited += 100;
    }
    if (ListView_GetItemCount(list) < wanted) {
        std::fprintf(stderr, "demo_window: the list shows %d of %d files\n", ListView_GetItemCount(list), wanted);
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
    HWND window = WaitForMainWindow(0);
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
    if (command == "show" && argc > 4)
        return Show(argv[2], argv[3], std::vector<std::string>(argv + 4, argv + argc));
    if (command == "close" && argc == 2)
        return Close();
    std::fputs("usage: demo_window show PROGRAM OUTPUT FILE... | demo_window close\n", stderr);
    return 2;
}
