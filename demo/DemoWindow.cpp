// demo_window: shows the demo's photos in the main window for a screenshot on a virtual display.
//   demo_window show PROGRAM OUTPUT FILE...   stores window settings for the demo (no first-start
//       help, output into OUTPUT, a fixed window rectangle), starts PROGRAM, adds the files with
//       its Add Files, waits until the list shows them and prints the window's rectangle as
//       WxH+X+Y. The program keeps running.
//   demo_window close   closes that window and waits until the program has ended.
// The program reads no command line, and a drop carries memory of the dropping process, so the
// files come in as a user adds them: for each folder, Add Files, the folder's path typed into
// the file name box and opened, then the folder's file names typed and opened.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/OwnedHandle.h"
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

bool StoreDemoSettings(const std::string& output)
{
    OrganizeOptions options;
    SetUserDefaults(options);
    LoadSettings(options);
    options.Mode = OrganizeMode::TakenElseModified;
    options.OutputFolderType = kOutputToCustomFolder;
    options.CustomTargetFolder = output;
    options.WndMaximized = 0;
    options.WndPosition = kWindowRect;
    options.ColWidth_Source = 470;
    options.ColWidth_Target = 420;
    options.ColWidth_Result = 90;
    // The demo's window must open with these settings: a refused write stops the demo.
    return SaveSettings(options).Ok() && SetFirstRunDone().Ok();
}

// Sends and waits for the answer, but never longer than a few seconds: a window that shows a
// message box instead of answering must not stop the demo.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr)
{
    DWORD_PTR answer = 0;
    const bool answered =
            SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &answer) != 0;
    if (result)
        *result = answer;
    return answered;
}

int ListedFiles(HWND list)
{
    DWORD_PTR count = 0;
    return Send(list, LVM_GETITEMCOUNT, 0, 0, &count) ? static_cast<int>(count) : -1;
}

// The file name box of an open-file dialog: a combo box, or an edit box in older layouts.
HWND FileNameBox(HWND dialog)
{
    HWND box = GetDlgItem(dialog, cmb13);
    return box ? box : GetDlgItem(dialog, edt1);
}

// Types the text into the file name box and presses Open.
bool TypeAndOpen(HWND dialog, const std::string& text)
{
    return Send(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) &&
           Send(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

// Adds the files of one folder through Add Files and waits until the list shows `listed` files.
bool AddFolderFiles(HWND window, DWORD process, const std::string& folder,
                    const std::vector<std::string>& names, int listed)
{
    PostMessageA(GetDlgItem(window, IDC_ADD_FILES), BM_CLICK, 0, 0);
    HWND dialog = WaitForDialog(process, false);
    if (!dialog || !FileNameBox(dialog)) {
        std::fputs("demo_window: the open-file dialog did not appear\n", stderr);
        return false;
    }
    std::string typed;
    for (const std::string& name : names)
        typed += (typed.empty() ? "\"" : " \"") + name + "\"";
    if (!TypeAndOpen(dialog, folder) || !TypeAndOpen(dialog, typed)) {
        std::fprintf(stderr, "demo_window: the open-file dialog did not take %s\n", folder.c_str());
        return false;
    }
    const HWND list = GetDlgItem(window, IDC_FILE_LIST);
    for (DWORD waited = 0; waited < kWaitMs && ListedFiles(list) < listed; waited += 100)
        Sleep(100);
    if (ListedFiles(list) != listed) {
        std::fprintf(stderr, "demo_window: the list shows %d files, not %d\n", ListedFiles(list), listed);
        return false;
    }
    return true;
}

int Show(const std::string& program, const std::string& output, const std::vector<std::string>& files)
{
    // The files by folder, in the order of their folders' names.
    std::map<std::string, std::vector<std::string>> byFolder;
    for (const std::string& file : files) {
        const size_t slash = file.rfind('\\');
        if (slash == std::string::npos || slash + 1 == file.size()) {
            std::fprintf(stderr, "demo_window: %s is no full path of a file\n", file.c_str());
            return 2;
        }
        byFolder[file.substr(0, slash)].push_back(file.substr(slash + 1));
    }
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
    // The window is what is waited for, not the process.
    OwnedHandle(started.hThread).Close();
    OwnedHandle(started.hProcess).Close();

    HWND window = WaitForDialog(started.dwProcessId, true);
    if (!window) {
        std::fputs("demo_window: the main window did not appear\n", stderr);
        return 1;
    }
    int listed = 0;
    for (const auto& [folder, names] : byFolder) {
        listed += static_cast<int>(names.size());
        if (!AddFolderFiles(window, started.dwProcessId, folder, names, listed))
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
    OwnedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process.Valid()) {
        std::fprintf(stderr, "demo_window: cannot open the program's process (error %lu)\n", GetLastError());
        return 1;
    }
    PostMessageA(window, WM_COMMAND, IDC_CLOSE, 0);
    const bool ended = WaitForSingleObject(process.Get(), kWaitMs) == WAIT_OBJECT_0;
    process.Close();
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
