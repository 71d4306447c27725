// The release packages on a fresh Windows: silent install, what it puts where, the installed
// programs, an upgrade over an older version, silent uninstall with and without the user's
// settings, and the portable folder unpacked under a name with a space and non-ASCII letters.
// install_test.sh runs this in a Wine prefix made for the run and names the packages through
// QM_SETUP, QM_OLDER_SETUP (the same programs, calling themselves version 0.1.0) and
// QM_PORTABLE_DIR; the pictures of Setup's and the uninstaller's pages go into QM_SCREENSHOT_DIR.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "QuillmereVersion.h"
#include "base/RunningMark.h"
#include "resource.h"
#include "tests/support/Screenshot.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmere";
const char kFolderVerbKey[] = "Software\\Classes\\Directory\\shell\\Quillmere";
const char kFolderVerbCommandKey[] = "Software\\Classes\\Directory\\shell\\Quillmere\\command";
const char kEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char kOptionsKey[] = "Software\\Quillmere\\Options";
const char* const kInstalledFiles[] = {"quillmere.exe", "quillmere-cli.exe", "metaprobe.exe",
                                       "quillmere.chm", "README.txt",        "uninstall.exe"};

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int n =
            MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

std::wstring EnvW(const wchar_t* name)
{
    wchar_t value[2048] = L"";
    const DWORD n = GetEnvironmentVariableW(name, value, 2048);
    return n > 0 && n < 2048 ? value : L"";
}

std::string Env(const wchar_t* name)
{
    const std::wstring wide = EnvW(name);
    char text[2048] = "";
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
    return text;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = "";
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path)) ? path : "";
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The first line of a program's output without its line end, which is "\r\n" for a program
// writing in text mode and "\n" for one writing binary.
std::string FirstLine(const std::string& out)
{
    const std::string line = out.substr(0, out.find('\n'));
    return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line;
}

struct Outcome {
    bool started = false;
    DWORD startError = 0;  // why it did not start
    DWORD exitCode = 0;
    std::string out;
};

// Runs a command line to its end, standard output captured.
Outcome RunCommand(const std::wstring& commandLine)
{
    Outcome outcome;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return outcome;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    outcome.started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &startup, &process) != 0;
    outcome.startError = outcome.started ? 0 : GetLastError();
    CloseHandle(writeEnd);
    if (outcome.started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            outcome.out.append(buffer, got);
        WaitForSingleObject(process.hProcess, 120000);
        GetExitCodeProcess(process.hProcess, &outcome.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return outcome;
}

bool ReadText(HKEY root, const char* key, const char* name, std::string& value)
{
    char text[2048] = "";
    DWORD size = sizeof text;
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text,
                     &size) != ERROR_SUCCESS)
        return false;
    value = text;
    return true;
}

bool ReadDword(HKEY root, const char* key, const char* name, DWORD& value)
{
    DWORD size = sizeof value;
    return RegGetValueA(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const char* key)
{
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

// The system PATH as stored, read whole whatever its length.
struct PathValue {
    bool present = false;
    DWORD type = 0;
    std::wstring text;
};

PathValue ReadSystemPath()
{
    PathValue value;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(kEnvironmentKey).c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExW(key, L"Path", nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key, L"Path", nullptr, &value.type, reinterpret_cast<BYTE*>(text.data()),
                             &got) == ERROR_SUCCESS) {
            text.resize(got / sizeof(wchar_t));
            while (!text.empty() && text.back() == L'\0')
                text.pop_back();
            value.present = true;
            value.text = text;
        }
    }
    RegCloseKey(key);
    return value;
}

void WriteSystemPath(const PathValue& value)
{
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(kEnvironmentKey).c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    if (value.present)
        EXPECT_EQ(RegSetValueExW(key, L"Path", 0, value.type,
                                 reinterpret_cast<const BYTE*>(value.text.c_str()),
                                 static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    else
        RegDeleteValueW(key, L"Path");
    RegCloseKey(key);
}

bool WriteFileText(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    return CloseHandle(file) && ok;
}

std::string FileText(const std::string& path)
{
    std::string text;
    HANDLE file =
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

void StoreSetting(const char* name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The entries of the system PATH that name the folder (case ignored, as Windows does).
int PathEntries(const std::string& folder)
{
    std::string path;
    if (!ReadText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", path))
        return -1;
    int count = 0;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(';', start);
        if (end == std::string::npos)
            end = path.size();
        if (lstrcmpiA(path.substr(start, end - start).c_str(), folder.c_str()) == 0)
            ++count;
        start = end + 1;
    }
    return count;
}

// The target of a shell shortcut, "" when it cannot be read.
std::string ShortcutTarget(const std::string& link)
{
    std::string target;
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        char path[MAX_PATH] = "";
        if (SUCCEEDED(file->Load(Widen(link).c_str(), STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)))
            target = path;
        file->Release();
    }
    shellLink->Release();
    return target;
}

bool WaitFor(bool (*done)(const std::string&), const std::string& argument, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 200) {
        if (done(argument))
            return true;
        Sleep(200);
    }
    return done(argument);
}

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (process == search->process && IsWindowVisible(window) && std::string(title) == "Quillmere") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Starts the program, waits for its visible main window, calls whileOpen and closes the window
// with its Close button. True when the window appeared and the program then ended by itself.
bool StartsAndShowsItsWindow(const std::wstring& program, const std::function<void()>& whileOpen = {})
{
    StoreSetting("FirstRun", 0);  // no first-start help window in the way
    std::wstring line = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    WindowSearch search {process.dwProcessId, nullptr};
    for (int i = 0; i < 150 && !search.found; ++i) {
        Sleep(200);
        EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
    }
    bool ended = false;
    if (search.found) {
        if (whileOpen)
            whileOpen();
        PostMessageA(search.found, WM_COMMAND, IDC_CLOSE, 0);
        ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    }
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return search.found && ended;
}

bool Gone(const std::string& path)
{
    return !Exists(path);
}

class Installer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }

    void SetUp() override
    {
        setup_ = Env(L"QM_SETUP");
        olderSetup_ = Env(L"QM_OLDER_SETUP");
        ASSERT_TRUE(Exists(setup_)) << "QM_SETUP names no installer: " << setup_;
        ASSERT_TRUE(Exists(olderSetup_)) << "QM_OLDER_SETUP names no installer: " << olderSetup_;
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "an earlier test left an installation";
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmere");
        menu_ = SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Quillmere";
        desktopLink_ = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Quillmere.lnk";
        programFolder_ = SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Quillmere";
        runs_ = SpecialFolder(CSIDL_LOCAL_APPDATA) + "\\Quillmere\\Runs";
        pathBefore_ = ReadSystemPath();
        ASSERT_TRUE(pathBefore_.present);
    }

    // The next test starts from the same PATH, whatever this one did to it.
    void TearDown() override { WriteSystemPath(pathBefore_); }

    static Outcome Install(const std::string& setup, const std::string& options)
    {
        return RunCommand(Widen("\"" + setup + "\" /S" + options));
    }

    // Runs the Uninstall key's quiet command and waits until the uninstaller, which works from a
    // copy of itself in the temporary folder, has removed the key.
    void UninstallQuietly(const std::string& extra = "")
    {
        std::string command;
        ASSERT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", command));
        const Outcome run = RunCommand(Widen(command + extra));
        ASSERT_TRUE(run.started) << command << ": error " << run.startError;
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(WaitFor([](const std::string&) { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); },
                            "", 60000));
    }

    // Runs the uninstaller in its folder (not from a copy in the temporary folder, as the
    // Uninstall key's command does), so that its exit code is its outcome.
    static Outcome UninstallInPlace(const std::string& folder, const std::string& extra = "")
    {
        return RunCommand(Widen("\"" + folder + "\\uninstall.exe\" /S" + extra + " _?=" + folder));
    }

    std::string setup_;
    std::string olderSetup_;
    std::string menu_;
    std::string desktopLink_;
    std::string programFolder_;
    std::string runs_;
    PathValue pathBefore_;
};

}  // namespace

TEST_F(Installer, SilentInstallRunsAndSilentUninstallRemovesItButKeepsTheSettings)
{
    const Outcome install = Install(setup_, "");
    ASSERT_TRUE(install.started);
    ASSERT_EQ(install.exitCode, 0u);

    // Per machine, into Program Files.
    const std::string folder = SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Quillmere";
    for (const char* file : kInstalledFiles)
        EXPECT_TRUE(Exists(folder + "\\" + file)) << file;
    EXPECT_EQ(ShortcutTarget(menu_ + "\\Quillmere.lnk"), folder + "\\quillmere.exe");
    EXPECT_EQ(ShortcutTarget(menu_ + "\\Quillmere Help.lnk"), folder + "\\quillmere.chm");
    EXPECT_FALSE(Exists(desktopLink_)) << "the desktop shortcut is not ticked by default";
    EXPECT_EQ(PathEntries(folder), 0) << "the PATH is not ticked by default";
    // Explorer's ways in, for the user who installed: Send to and the folders' context entry.
    const std::string sendTo = SpecialFolder(CSIDL_SENDTO) + "\\Quillmere.lnk";
    EXPECT_EQ(ShortcutTarget(sendTo), folder + "\\quillmere.exe");
    std::string verb;
    EXPECT_TRUE(ReadText(HKEY_CURRENT_USER, kFolderVerbKey, "", verb) && verb == "Organize with Quillmere")
            << verb;
    EXPECT_TRUE(ReadText(HKEY_CURRENT_USER, kFolderVerbCommandKey, "", verb) &&
                verb == "\"" + folder + "\\quillmere.exe\" \"%1\"")
            << verb;

    std::string text;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", text) && text == "Quillmere")
            << text;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", text) &&
                text == QM_VERSION_TEXT)
            << text;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher", text) &&
                text == "Quillmere Developers")
            << text;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon", text) &&
                text == folder + "\\quillmere.exe,0")
            << text;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", text) &&
                text == "\"" + folder + "\\uninstall.exe\"")
            << text;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", text) &&
                text == "\"" + folder + "\\uninstall.exe\" /S")
            << text;
    // EstimatedSize is in KiB: the programs and the help file, at least 1 MiB, less than 50 MiB.
    DWORD size = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", size));
    EXPECT_GT(size, 1024u);
    EXPECT_LT(size, 50u * 1024u);

    const Outcome cli = RunCommand(Widen("\"" + folder + "\\quillmere-cli.exe\" --version"));
    EXPECT_EQ(FirstLine(cli.out), std::string("quillmere-cli ") + QM_VERSION_TEXT) << cli.out;
    const Outcome probe = RunCommand(Widen("\"" + folder + "\\metaprobe.exe\" --version"));
    EXPECT_EQ(FirstLine(probe.out), std::string("metaprobe ") + QM_VERSION_TEXT) << probe.out;
    EXPECT_TRUE(StartsAndShowsItsWindow(Widen(folder + "\\quillmere.exe")));

    StoreSetting("MoveType", 500);
    UninstallQuietly();
    EXPECT_TRUE(WaitFor(Gone, folder + "\\uninstall.exe", 20000));
    for (const char* file : kInstalledFiles)
        EXPECT_FALSE(Exists(folder + "\\" + file)) << file;
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(menu_));
    EXPECT_FALSE(Exists(sendTo));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kFolderVerbKey));
    DWORD mode = 0;
    EXPECT_TRUE(ReadDword(HKEY_CURRENT_USER, kOptionsKey, "MoveType", mode) && mode == 500)
            << "the uninstall kept no settings";
}

TEST_F(Installer, UpgradeKeepsSettingsAndChoicesAndTheTickedUninstallRemovesEverything)
{
    const std::string folder = "C:\\Photo Tools\\Quillmere";
    const Outcome older = Install(olderSetup_, " /DESKTOP /ADDTOPATH /D=" + folder);
    ASSERT_TRUE(older.started);
    ASSERT_EQ(older.exitCode, 0u);
    std::string text;
    ASSERT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", text) && text == "0.1.0")
            << text;
    EXPECT_EQ(PathEntries(folder), 1);
    EXPECT_EQ(ShortcutTarget(desktopLink_), folder + "\\quillmere.exe");

    StoreSetting("MoveType", 500);
    const std::string runs = SpecialFolder(CSIDL_LOCAL_APPDATA) + "\\Quillmere\\Runs";
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, runs.c_str(), nullptr), ERROR_SUCCESS);
    HANDLE journal = CreateFileA((runs + "\\run.journal").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 0, nullptr);
    ASSERT_NE(journal, INVALID_HANDLE_VALUE);
    CloseHandle(journal);

    // The new version without options: into the installed folder, with the installed choices.
    const Outcome upgrade = Install(setup_, "");
    ASSERT_TRUE(upgrade.started);
    ASSERT_EQ(upgrade.exitCode, 0u);
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", text) &&
                text == QM_VERSION_TEXT)
            << text;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", text) && text == folder)
            << text;
    for (const char* file : kInstalledFiles)
        EXPECT_TRUE(Exists(folder + "\\" + file)) << file;
    EXPECT_EQ(PathEntries(folder), 1);
    EXPECT_TRUE(Exists(desktopLink_));
    DWORD mode = 0;
    EXPECT_TRUE(ReadDword(HKEY_CURRENT_USER, kOptionsKey, "MoveType", mode) && mode == 500)
            << "the upgrade lost a stored setting";
    EXPECT_TRUE(Exists(runs + "\\run.journal"));

    UninstallQuietly(" /REMOVESETTINGS");
    EXPECT_TRUE(WaitFor(Gone, folder, 20000));
    EXPECT_FALSE(Exists(menu_));
    EXPECT_FALSE(Exists(desktopLink_));
    EXPECT_EQ(PathEntries(folder), 0);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Quillmere"));
    EXPECT_FALSE(Exists(runs));
}

TEST_F(Installer, AddToPathKeepsALongSystemPathWholeAndTheUninstallTakesOutOnlyItsEntry)
{
    // Longer than the installer language's strings (1,024 characters), with a variable that
    // must stay unexpanded.
    PathValue longPath = pathBefore_;
    longPath.type = REG_EXPAND_SZ;
    longPath.text += L";%SystemRoot%\\Fonts";
    for (int i = 0; longPath.text.size() < 1960; ++i)
        longPath.text += L";C:\\Tools\\Suite " + std::to_wstring(i) + L"\\bin";
    longPath.text += L";C:\\" + std::wstring(1999 - longPath.text.size() - 4, L'x');
    ASSERT_EQ(longPath.text.size(), 1999u);
    WriteSystemPath(longPath);

    const Outcome install = Install(setup_, " /ADDTOPATH");
    ASSERT_TRUE(install.started);
    ASSERT_EQ(install.exitCode, 0u);
    const PathValue installed = ReadSystemPath();
    EXPECT_EQ(installed.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_TRUE(installed.text == longPath.text + L";" + Widen(programFolder_))
            << "PATH after install has " << installed.text.size() << " characters";
    DWORD added = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "AddedToPath", added) && added == 1);

    UninstallQuietly();
    const PathValue uninstalled = ReadSystemPath();
    EXPECT_EQ(uninstalled.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_TRUE(uninstalled.text == longPath.text)
            << "PATH after uninstall has " << uninstalled.text.size() << " characters";
}

TEST_F(Installer, APathEntryThatWasThereBeforeIsLeftAsItWas)
{
    // The user's own entry for the folder, written their way (a trailing backslash).
    PathValue userPath = pathBefore_;
    userPath.text += L";" + Widen(programFolder_) + L"\\";
    WriteSystemPath(userPath);

    const Outcome install = Install(setup_, " /ADDTOPATH");
    ASSERT_TRUE(install.started);
    ASSERT_EQ(install.exitCode, 0u);
    EXPECT_TRUE(ReadSystemPath().text == userPath.text) << "Setup added a second entry";
    DWORD added = 1;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "AddedToPath", added) && added == 0);

    UninstallQuietly();
    EXPECT_TRUE(ReadSystemPath().text == userPath.text) << "the uninstaller removed the user's entry";
}

TEST_F(Installer, AFolderHoldingOtherFilesGetsAQuillmereFolderAndKeepsItsFilesAndPathEntry)
{
    const std::string tools = "C:\\Tools";
    const std::string inside = tools + "\\Quillmere";
    ASSERT_TRUE(CreateDirectoryA(tools.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(WriteFileText(tools + "\\README.txt", "my own notes\r\n"));
    PathValue userPath = pathBefore_;
    userPath.text += L";" + Widen(tools);
    WriteSystemPath(userPath);

    // Its Quillmere folder holds other files too: refused, nothing written.
    ASSERT_TRUE(CreateDirectoryA(inside.c_str(), nullptr));
    ASSERT_TRUE(WriteFileText(inside + "\\notes.txt", "mine"));
    const Outcome refused = Install(setup_, " /ADDTOPATH /D=" + tools);
    ASSERT_TRUE(refused.started);
    EXPECT_EQ(refused.exitCode, 2u) << "refused by the script";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(Exists(tools + "\\quillmere.exe"));
    EXPECT_FALSE(Exists(inside + "\\quillmere.exe"));
    EXPECT_FALSE(Exists(menu_));
    EXPECT_TRUE(ReadSystemPath().text == userPath.text);
    ASSERT_TRUE(DeleteFileA((inside + "\\notes.txt").c_str()));
    ASSERT_TRUE(RemoveDirectoryA(inside.c_str()));

    const Outcome install = Install(setup_, " /ADDTOPATH /D=" + tools);
    ASSERT_TRUE(install.started);
    ASSERT_EQ(install.exitCode, 0u);
    EXPECT_EQ(FileText(tools + "\\README.txt"), "my own notes\r\n");
    for (const char* file : kInstalledFiles)
        EXPECT_TRUE(Exists(inside + "\\" + file)) << file;
    EXPECT_FALSE(Exists(tools + "\\quillmere.exe"));
    std::string text;
    EXPECT_TRUE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", text) && text == inside)
            << text;
    EXPECT_TRUE(ReadSystemPath().text == userPath.text + L";" + Widen(inside));

    UninstallQuietly();
    EXPECT_TRUE(WaitFor(Gone, inside, 20000));
    EXPECT_EQ(FileText(tools + "\\README.txt"), "my own notes\r\n");
    EXPECT_TRUE(ReadSystemPath().text == userPath.text) << "the uninstaller changed the user's PATH entries";
}

TEST_F(Installer, RemovingSettingsKeepsTheFilesOverwriteReplacedUntilTheirOwnBoxIsTicked)
{
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, (runs_ + "\\20260101-080000-000.kept").c_str(), nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(WriteFileText(runs_ + "\\20260101-080000-000.kept\\1-IMG_0001.JPG", "the only copy"));
    ASSERT_TRUE(WriteFileText(runs_ + "\\20260101-080000-000.qmj", "journal with kept files"));
    ASSERT_TRUE(WriteFileText(runs_ + "\\20260102-080000-000.qmj", "journal without"));
    StoreSetting("MoveType", 500);

    ASSERT_EQ(Install(setup_, "").exitCode, 0u);
    UninstallQuietly(" /REMOVESETTINGS");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Quillmere"));
    EXPECT_FALSE(Exists(runs_ + "\\20260102-080000-000.qmj"));
    EXPECT_EQ(FileText(runs_ + "\\20260101-080000-000.kept\\1-IMG_0001.JPG"), "the only copy");
    EXPECT_TRUE(Exists(runs_ + "\\20260101-080000-000.qmj")) << "the journal of the kept files went";

    ASSERT_EQ(Install(setup_, "").exitCode, 0u);
    UninstallQuietly(" /REMOVEKEPT");
    EXPECT_FALSE(Exists(runs_ + "\\20260101-080000-000.kept"));
    EXPECT_FALSE(Exists(runs_ + "\\20260101-080000-000.qmj"));
    EXPECT_FALSE(Exists(SpecialFolder(CSIDL_LOCAL_APPDATA) + "\\Quillmere"));
}

namespace {

// Starts a command line with standard input and output as pipes of ours; the caller closes them.
struct Piped {
    PROCESS_INFORMATION process = {};
    HANDLE input = nullptr;
    HANDLE output = nullptr;
};

bool StartPiped(const std::wstring& commandLine, Piped& piped)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr;
    HANDLE childOut = nullptr;
    if (!CreatePipe(&childIn, &piped.input, &inherit, 0))
        return false;
    if (!CreatePipe(&piped.output, &childOut, &inherit, 0)) {
        CloseHandle(childIn);
        return false;
    }
    SetHandleInformation(piped.input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(piped.output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = childOut;
    std::wstring line = commandLine;
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &piped.process) != 0;
    CloseHandle(childIn);
    CloseHandle(childOut);
    return started;
}

// Closes its input, reads its output to the end and waits for it: true when it ended.
bool Finish(Piped& piped)
{
    CloseHandle(piped.input);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(piped.output, buffer, sizeof buffer, &got, nullptr) && got > 0) { }
    CloseHandle(piped.output);
    const bool ended = WaitForSingleObject(piped.process.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(piped.process.hProcess, 1);
    CloseHandle(piped.process.hThread);
    CloseHandle(piped.process.hProcess);
    return ended;
}

bool RunningMarkExists()
{
    HANDLE mark = OpenMutexW(SYNCHRONIZE, FALSE, kRunningMarkName);
    if (!mark)
        return false;
    CloseHandle(mark);
    return true;
}

}  // namespace

TEST_F(Installer, NeitherInstallNorUninstallRunsWhileAQuillmereProgramRuns)
{
    {
        const RunningMark running;
        const Outcome refused = Install(setup_, " /ADDTOPATH");
        ASSERT_TRUE(refused.started);
        EXPECT_EQ(refused.exitCode, 3u) << "refused while running";
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(Exists(programFolder_));
        EXPECT_TRUE(ReadSystemPath().text == pathBefore_.text);
    }
    ASSERT_EQ(Install(setup_, " /ADDTOPATH").exitCode, 0u);
    const PathValue installedPath = ReadSystemPath();

    // Each refusal leaves everything in place: files, Uninstall key and PATH entry.
    const auto expectUninstallRefused = [&](const char* while_) {
        const Outcome refused = UninstallInPlace(programFolder_, " /REMOVESETTINGS");
        ASSERT_TRUE(refused.started);
        EXPECT_EQ(refused.exitCode, 3u) << while_;
        for (const char* file : kInstalledFiles)
            EXPECT_TRUE(Exists(programFolder_ + "\\" + file)) << while_ << ": " << file;
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << while_;
        EXPECT_TRUE(ReadSystemPath().text == installedPath.text) << while_;
    };

    EXPECT_TRUE(StartsAndShowsItsWindow(Widen(programFolder_ + "\\quillmere.exe"),
                                        [&] { expectUninstallRefused("while the window is open"); }));

    // metaprobe's batch mode runs until its input ends.
    Piped probe;
    ASSERT_TRUE(StartPiped(Widen("\"" + programFolder_ + "\\metaprobe.exe\" --batch 0123456789abcdefABCDEF"),
                           probe));
    EXPECT_TRUE(WaitFor([](const std::string&) { return RunningMarkExists(); }, "", 20000));
    expectUninstallRefused("while metaprobe runs");
    EXPECT_TRUE(Finish(probe));

    // quillmere-cli waits while its output pipe is full: a dry run over many files.
    const std::string many = Env(L"TEMP") + "\\qm-many-files";
    ASSERT_FALSE(many.front() == '\\') << "TEMP is not set";
    CreateDirectoryA(many.c_str(), nullptr);
    for (int i = 0; i < 800; ++i)
        ASSERT_TRUE(
                WriteFileText(many + "\\a-photo-with-a-rather-long-name-" + std::to_string(i) + ".txt", ""));
    Piped cli;
    ASSERT_TRUE(StartPiped(Widen("\"" + programFolder_ +
                                 "\\quillmere-cli.exe\" organize --dry-run --copy --mode "
                                 "extension --out \"" +
                                 many + "\\sorted\" \"" + many + "\""),
                           cli));
    EXPECT_TRUE(WaitFor([](const std::string&) { return RunningMarkExists(); }, "", 20000));
    expectUninstallRefused("while quillmere-cli runs");
    EXPECT_TRUE(Finish(cli));

    EXPECT_FALSE(RunningMarkExists());
    UninstallQuietly();
    EXPECT_TRUE(WaitFor(Gone, programFolder_, 20000));
    EXPECT_TRUE(ReadSystemPath().text == pathBefore_.text);
}

namespace {

BOOL CALLBACK MatchAnyMainWindow(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<WindowSearch*>(data);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (IsWindowVisible(window) && std::string(title) == "Quillmere") {
        search->found = window;
        GetWindowThreadProcessId(window, &search->process);
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchSetupWindow(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && GetDlgItem(window, IDOK)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// 1 when the process runs with an administrator's full rights, 0 when not, -1 when unknown.
int Elevated(HANDLE process)
{
    int elevated = -1;
    HANDLE token = nullptr;
    if (OpenProcessToken(process, TOKEN_QUERY, &token)) {
        TOKEN_ELEVATION elevation = {};
        DWORD size = 0;
        if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size))
            elevated = elevation.TokenIsElevated ? 1 : 0;
        CloseHandle(token);
    }
    return elevated;
}

// The process of the signed-in user's shell: the desktop's, or the taskbar's where there is no
// desktop window (Wine).
DWORD ShellProcess()
{
    HWND shell = GetShellWindow();
    if (!shell)
        shell = FindWindowW(L"Shell_TrayWnd", nullptr);
    DWORD process = 0;
    if (shell)
        GetWindowThreadProcessId(shell, &process);
    return process;
}

DWORD ParentProcess(DWORD process)
{
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return parent;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == process)
            parent = entry.th32ParentProcessID;
    }
    CloseHandle(snapshot);
    return parent;
}

}  // namespace

// Setup runs with an administrator's rights; the program started from its last page must not, but
// have the signed-in user's, as if started from the Start menu.
TEST_F(Installer, StartQuillmereOnTheLastPageStartsItWithTheUsersOwnRights)
{
    StoreSetting("FirstRun", 0);  // no first-start help window in the way
    std::wstring line = L"\"" + Widen(setup_) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION setup = {};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &setup));
    // Welcome, components, folder, progress, finish with "Start Quillmere" ticked: the default
    // button (Next, Install, Finish) on each page until Setup ends.
    int clicks = 0;
    while (WaitForSingleObject(setup.hProcess, 500) == WAIT_TIMEOUT && clicks < 200) {
        WindowSearch search {setup.dwProcessId, nullptr};
        EnumWindows(MatchSetupWindow, reinterpret_cast<LPARAM>(&search));
        const HWND next = search.found ? GetDlgItem(search.found, IDOK) : nullptr;
        if (next && IsWindowEnabled(next) && IsWindowVisible(next)) {
            PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(next));
            ++clicks;
        }
    }
    const bool ended = WaitForSingleObject(setup.hProcess, 0) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "Setup did not end after " << clicks << " clicks";
    if (!ended)
        TerminateProcess(setup.hProcess, 1);
    const int setupElevated = Elevated(setup.hProcess);
    CloseHandle(setup.hThread);
    CloseHandle(setup.hProcess);
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    WindowSearch program {0, nullptr};
    for (int i = 0; i < 150 && !program.found; ++i) {
        Sleep(200);
        EnumWindows(MatchAnyMainWindow, reinterpret_cast<LPARAM>(&program));
    }
    ASSERT_TRUE(program.found) << "Quillmere did not start";
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 program.process);
    ASSERT_NE(process, nullptr);
    // Started by the shell, with the shell's rights (under Wine every process has the same).
    const DWORD shell = ShellProcess();
    ASSERT_NE(shell, 0u) << "no shell window";
    EXPECT_EQ(ParentProcess(program.process), shell);
    HANDLE shellProcess = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shell);
    ASSERT_NE(shellProcess, nullptr);
    EXPECT_EQ(Elevated(process), Elevated(shellProcess)) << "Setup elevated: " << setupElevated;
    CloseHandle(shellProcess);
    PostMessageA(program.found, WM_COMMAND, IDC_CLOSE, 0);
    if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0)
        TerminateProcess(process, 1);
    CloseHandle(process);
    UninstallQuietly();
}

namespace {

std::set<std::wstring> Listing(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

}  // namespace

TEST(PortableZip, RunsFromAFolderWithASpaceAndNonAsciiLettersAndWritesNothingBesideItself)
{
    const std::wstring unpacked = EnvW(L"QM_PORTABLE_DIR");
    ASSERT_FALSE(unpacked.empty()) << "QM_PORTABLE_DIR is not set";
    const std::wstring folder = unpacked + L"\\Quillmere-" + Widen(QM_VERSION_TEXT);
    const std::set<std::wstring> before = Listing(folder);
    for (const char* file :
         {"quillmere.exe", "quillmere-cli.exe", "metaprobe.exe", "quillmere.chm", "README.txt"})
        EXPECT_EQ(before.count(Widen(file)), 1u) << file;

    const Outcome cli = RunCommand(L"\"" + folder + L"\\quillmere-cli.exe\" --version");
    ASSERT_TRUE(cli.started);
    EXPECT_EQ(FirstLine(cli.out), std::string("quillmere-cli ") + QM_VERSION_TEXT) << cli.out;
    // A real run: a file copied into a dated folder, both outside the program's folder.
    wchar_t temp[MAX_PATH] = L"";
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring work = std::wstring(temp) + L"qm-portable-run";
    CreateDirectoryW(work.c_str(), nullptr);
    HANDLE file =
            CreateFileW((work + L"\\note.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    const Outcome organize =
            RunCommand(L"\"" + folder + L"\\quillmere-cli.exe\" organize --copy --mode extension --out \"" +
                       work + L"\\sorted\" \"" + work + L"\\note.txt\"");
    ASSERT_TRUE(organize.started);
    EXPECT_EQ(organize.exitCode, 0u) << organize.out;
    EXPECT_NE(GetFileAttributesW((work + L"\\sorted\\TXT\\note.txt").c_str()), INVALID_FILE_ATTRIBUTES)
            << organize.out;
    EXPECT_TRUE(StartsAndShowsItsWindow(folder + L"\\quillmere.exe"));

    EXPECT_EQ(Listing(folder), before) << "the portable programs wrote into their own folder";
}

namespace {

struct ChildSearch {
    std::string prefix;
    std::string text;  // the first child whose text starts with prefix
    int bitmaps = 0;  // picture controls that show a bitmap
};

BOOL CALLBACK LookAtChild(HWND child, LPARAM data)
{
    auto* search = reinterpret_cast<ChildSearch*>(data);
    char text[256] = "";
    GetWindowTextA(child, text, sizeof text);
    if (search->text.empty() && std::string(text).rfind(search->prefix, 0) == 0)
        search->text = text;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP &&
        SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0)
        ++search->bitmaps;
    return TRUE;
}

}  // namespace

// The uninstaller's components page says what removing the program frees, and its pages carry
// the program's picture in their header.
TEST_F(Installer, TheUninstallersComponentsPageShowsTheSpaceItFrees)
{
    const Outcome install = Install(setup_, "");
    ASSERT_TRUE(install.started);
    ASSERT_EQ(install.exitCode, 0u);
    std::wstring line = Widen("\"" + programFolder_ + "\\uninstall.exe\" _?=" + programFolder_);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION uninstaller = {};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &uninstaller));
    // The confirmation page first, then Next to the components page.
    ChildSearch page {"Space required:", "", 0};
    for (int tries = 0; tries < 60 && page.text.empty(); ++tries) {
        Sleep(500);
        WindowSearch search {uninstaller.dwProcessId, nullptr};
        EnumWindows(MatchSetupWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            continue;
        page = {"Space required:", "", 0};
        EnumChildWindows(search.found, LookAtChild, reinterpret_cast<LPARAM>(&page));
        const HWND next = GetDlgItem(search.found, IDOK);
        if (page.text.empty() && next && IsWindowEnabled(next))
            PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(next));
        else if (!page.text.empty())
            PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    if (WaitForSingleObject(uninstaller.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(uninstaller.hProcess, 1);
    CloseHandle(uninstaller.hThread);
    CloseHandle(uninstaller.hProcess);
    ASSERT_FALSE(page.text.empty()) << "no components page";
    EXPECT_EQ(page.text.find("0.0 KB"), std::string::npos) << page.text;
    EXPECT_GE(page.bitmaps, 1) << "no picture in the page's header";
    UninstallQuietly();
}

namespace {

constexpr const char* kDesktopKey = "Control Panel\\Desktop";

// The DPI the programs started from now on run at (Wine reads LogPixels when a process starts),
// back to what it was when this goes out of scope, whatever the test did meanwhile.
class StartDpi {
public:
    StartDpi()
    {
        HKEY key = nullptr;
        DWORD size = sizeof before_;
        had_ = RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS &&
               RegQueryValueExA(key, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&before_),
                                &size) == ERROR_SUCCESS;
        if (key)
            RegCloseKey(key);
    }
    ~StartDpi() { Write(had_ ? &before_ : nullptr); }
    StartDpi(const StartDpi&) = delete;
    StartDpi& operator=(const StartDpi&) = delete;

    bool Set(DWORD dpi) { return Write(&dpi); }

private:
    // Writes the value, or removes it when there is none.
    static bool Write(const DWORD* dpi)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        const LSTATUS status = dpi ? RegSetValueExA(key, "LogPixels", 0, REG_DWORD,
                                                    reinterpret_cast<const BYTE*>(dpi), sizeof *dpi)
                                   : RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
        return status == ERROR_SUCCESS || (!dpi && status == ERROR_FILE_NOT_FOUND);
    }

    bool had_ = false;
    DWORD before_ = 0;
};

// The page Setup shows: the visible dialog inside its window (each page is a dialog of its own,
// made when the page comes and destroyed when it goes).
BOOL CALLBACK FindShownPage(HWND child, LPARAM data)
{
    wchar_t kind[16] = L"";
    GetClassNameW(child, kind, 16);
    if (std::wstring(kind) != L"#32770" || !IsWindowVisible(child))
        return TRUE;
    *reinterpret_cast<HWND*>(data) = child;
    return FALSE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM data)
{
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

std::vector<HWND> Descendants(HWND window)
{
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::wstring ClassOf(HWND window)
{
    wchar_t kind[64] = L"";
    GetClassNameW(window, kind, 64);
    return kind;
}

// A window's text; WM_GETTEXT carries it across processes.
std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = L"";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                             &copied))
        return {};
    return text;
}

// Brings the window to the top and waits until the screen shows it drawn: not one colour, and the
// same in two looks a moment apart, so that no paint is under way (a page paints after it shows,
// and the progress page while files are installed). Empty when it is not drawn in time.
std::vector<unsigned char> DrawnPixels(HWND window, SIZE& size)
{
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    std::vector<unsigned char> last;
    for (int look = 0; look < 200; ++look) {
        Sleep(300);
        // It answers once its thread is back in its message loop, where it paints.
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
        std::vector<unsigned char> now = qmtest::WindowPixels(window, size, true);
        bool varied = false;
        for (size_t i = 3; i < now.size() && !varied; ++i)
            varied = now[i] != now[i % 3];
        if (varied && now == last)
            return now;
        last = std::move(now);
    }
    return {};
}

// The font of a dialog template that sets one: its size in points, weight and face.
struct TemplateFont {
    WORD points = 0;
    WORD weight = FW_NORMAL;
    std::wstring face;
};

// Reads the font of one dialog template; goes on to the next until one names a font.
BOOL CALLBACK ReadTemplateFont(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR data)
{
    auto* found = reinterpret_cast<TemplateFont*>(data);
    HRSRC resource = FindResourceW(module, name, type);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    const DWORD bytes = resource ? SizeofResource(module, resource) : 0;
    if (!words || bytes < 32)
        return TRUE;
    const WORD* end = words + bytes / sizeof(WORD);
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    DWORD style = 0;
    // After the header: version, signature, help ID, extended style, style, count, x, y, cx, cy in
    // the extended form; style, extended style, count, x, y, cx, cy in the old one.
    std::memcpy(&style, extended ? words + 6 : words, sizeof style);
    const WORD* p = extended ? words + 13 : words + 9;
    if (!(style & DS_SETFONT))
        return TRUE;
    // The menu and the class (none, an ordinal or a name), then the title.
    for (int field = 0; field < 2 && p < end; ++field) {
        if (*p == 0xFFFF)
            p += 2;
        else
            while (p < end && *p++ != 0) { }
    }
    while (p < end && *p++ != 0) { }
    if (p + 1 >= end)
        return TRUE;
    const WORD points = *p++;
    WORD weight = FW_NORMAL;
    if (extended) {
        weight = *p++;
        ++p;  // italic and character set
    }
    const WORD* face = p;
    while (p < end && *p != 0)
        ++p;
    if (p >= end || p == face)
        return TRUE;
    found->points = points;
    found->weight = weight != 0 ? weight : FW_NORMAL;
    found->face.assign(reinterpret_cast<const wchar_t*>(face), static_cast<size_t>(p - face));
    return FALSE;
}

// The font of Setup's pages as its dialog templates name it, at that DPI: the page's own font,
// which a control of another process does not lend.
HFONT PageFont(const std::wstring& setup, int dpi)
{
    HMODULE image =
            LoadLibraryExW(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!image)
        return nullptr;
    TemplateFont found;
    EnumResourceNamesW(image, reinterpret_cast<LPCWSTR>(RT_DIALOG), ReadTemplateFont,
                       reinterpret_cast<LONG_PTR>(&found));
    FreeLibrary(image);
    if (found.points == 0)
        return nullptr;
    return CreateFontW(-MulDiv(found.points, dpi, 72), 0, 0, 0, found.weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, found.face.c_str());
}

// Memory in another process, for the messages that answer through a pointer.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, SIZE_T size)
        : process_(process), address_(static_cast<char*>(VirtualAllocEx(
                                     process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)))
    { }
    ~RemoteBlock()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    char* At(SIZE_T offset) const { return address_ + offset; }
    bool Valid() const { return address_ != nullptr; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const
    {
        SIZE_T done = 0;
        return WriteProcessMemory(process_, address_ + offset, data, size, &done) && done == size;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const
    {
        SIZE_T done = 0;
        return ReadProcessMemory(process_, address_ + offset, data, size, &done) && done == size;
    }

private:
    HANDLE process_;
    char* address_;
};

// The texts of a components page that do not fit their controls, as "text: needs N, has M"
// lines: each entry of the component list measured with the page's font from where the list
// draws it to its right edge, and each text line against its box.
std::vector<std::string> CutTexts(HWND page, HANDLE process, HFONT font)
{
    std::vector<std::string> cut;
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    auto narrow = [](const std::wstring& text) {
        char out[1024] = "";
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out, nullptr, nullptr);
        return std::string(out);
    };
    for (HWND control : Descendants(page)) {
        if (!IsWindowVisible(control))
            continue;
        RECT client {};
        GetClientRect(control, &client);
        const std::wstring kind = ClassOf(control);
        if (kind == L"SysTreeView32") {
            RemoteBlock block(process, sizeof(TVITEMW) + sizeof(RECT) + 512 * sizeof(wchar_t));
            if (!block.Valid()) {
                cut.push_back("no memory in Setup's process to read the component list");
                continue;
            }
            const SIZE_T rectAt = sizeof(TVITEMW), textAt = rectAt + sizeof(RECT);
            int entries = 0;
            for (auto item =
                         reinterpret_cast<HTREEITEM>(SendMessageW(control, TVM_GETNEXTITEM, TVGN_ROOT, 0));
                 item; item = reinterpret_cast<HTREEITEM>(SendMessageW(
                               control, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)))) {
                ++entries;
                TVITEMW asked {};
                asked.mask = TVIF_TEXT;
                asked.hItem = item;
                asked.pszText = reinterpret_cast<wchar_t*>(block.At(textAt));
                asked.cchTextMax = 512;
                wchar_t text[512] = L"";
                RECT where {};
                std::memcpy(&where, &item, sizeof item);  // the item goes in, its text's box comes out
                const bool read =
                        block.Write(0, &asked, sizeof asked) && block.Write(rectAt, &where, sizeof where) &&
                        SendMessageW(control, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.At(0))) &&
                        SendMessageW(control, TVM_GETITEMRECT, TRUE,
                                     reinterpret_cast<LPARAM>(block.At(rectAt))) &&
                        block.Read(textAt, text, sizeof text) && block.Read(rectAt, &where, sizeof where);
                text[511] = L'\0';
                if (!read) {
                    cut.push_back("entry " + std::to_string(entries) + " could not be read");
                    continue;
                }
                SIZE needed {};
                GetTextExtentPoint32W(dc, text, lstrlenW(text), &needed);
                if (where.left + needed.cx > client.right || where.right > client.right)
                    cut.push_back(narrow(text) + ": needs " + std::to_string(where.left + needed.cx) +
                                  ", has " + std::to_string(client.right));
            }
            if (entries == 0)
                cut.push_back("the component list is empty");
            continue;
        }
        if (kind != L"Static")
            continue;
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP)
            continue;
        const std::wstring text = TextOf(control);
        if (text.empty())
            continue;
        const UINT format = (type == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK) |
                            ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        RECT needed {0, 0, client.right, 0};
        DrawTextW(dc, text.c_str(), -1, &needed, format | DT_CALCRECT);
        if (needed.right > client.right || needed.bottom > client.bottom)
            cut.push_back(narrow(text) + ": needs " + std::to_string(needed.right) + "x" +
                          std::to_string(needed.bottom) + ", has " + std::to_string(client.right) + "x" +
                          std::to_string(client.bottom));
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return cut;
}

// What a page of Setup or of the uninstaller is, told by what it holds, not by where it comes.
enum class Page { Unknown, Welcome, Components, Folder, Progress, Finish, Confirm };

const char* NameOf(Page page)
{
    switch (page) {
    case Page::Welcome: return "welcome";
    case Page::Components: return "components";
    case Page::Folder: return "folder";
    case Page::Progress: return "progress";
    case Page::Finish: return "finish";
    case Page::Confirm: return "confirm";
    case Page::Unknown: break;
    }
    return "unknown";
}

Page KindOf(HWND page)
{
    bool edit = false, browse = false;
    Page found = Page::Unknown;
    for (HWND child : Descendants(page)) {
        const std::wstring kind = ClassOf(child);
        if (kind == L"SysTreeView32")
            return Page::Components;
        if (kind == L"msctls_progress32")
            return Page::Progress;
        const std::wstring text = TextOf(child);
        edit = edit || kind == L"Edit";
        browse = browse || (kind == L"Button" && text.find(L"rowse") != std::wstring::npos);
        if (kind == L"Static" && text.rfind(L"Welcome to", 0) == 0)
            found = Page::Welcome;
        if (kind == L"Button" && text.rfind(L"Start Quillmere", 0) == 0)
            found = Page::Finish;
    }
    if (found == Page::Unknown && edit)
        return browse ? Page::Folder : Page::Confirm;
    return found;
}

std::string Narrow(const std::wstring& text)
{
    std::string out(text.size() * 4 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()),
                                      nullptr, nullptr);
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

// The window's own text and those of all its controls.
std::vector<std::wstring> TextsIn(HWND window)
{
    std::vector<std::wstring> texts {TextOf(window)};
    for (HWND child : Descendants(window))
        texts.push_back(TextOf(child));
    return texts;
}

// Setup's window (a dialog with the Back button, id 3, beside Next) and the page it shows; a
// message box of the process instead, when one is up.
struct Shown {
    DWORD process = 0;
    HWND window = nullptr;
    HWND page = nullptr;
    HWND messageBox = nullptr;
};

BOOL CALLBACK FindShown(HWND window, LPARAM data)
{
    auto* shown = reinterpret_cast<Shown*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != shown->process || !IsWindowVisible(window) || ClassOf(window) != L"#32770")
        return TRUE;
    if (!GetDlgItem(window, 3)) {
        shown->messageBox = window;
        return TRUE;
    }
    shown->window = window;
    EnumChildWindows(window, FindShownPage, reinterpret_cast<LPARAM>(&shown->page));
    return TRUE;
}

bool Varied(const std::vector<unsigned char>& pixels)
{
    for (size_t i = 3; i < pixels.size(); ++i)
        if (pixels[i] != pixels[i % 3])
            return true;
    return false;
}

// A page that may last a moment only (the progress page): painted at once (RDW_UPDATENOW sends
// the paint and waits for it) and read from the screen, kept only when that page is still the one
// shown after the screen was read, so that the picture cannot be of the page that followed.
std::vector<unsigned char> PixelsNow(HWND window, HWND page, SIZE& size)
{
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::vector<unsigned char> pixels = qmtest::WindowPixels(window, size, true);
    HWND still = nullptr;
    EnumChildWindows(window, FindShownPage, reinterpret_cast<LPARAM>(&still));
    if (still != page || !Varied(pixels))
        pixels.clear();
    return pixels;
}

// "Space required: 12.3 MB" in KB, -1 when the page says no size.
double SpaceRequiredKb(HWND page)
{
    for (const std::wstring& text : TextsIn(page)) {
        if (text.rfind(L"Space required: ", 0) != 0)
            continue;
        wchar_t* end = nullptr;
        const double amount = std::wcstod(text.c_str() + 16, &end);
        const std::wstring unit = end ? std::wstring(end) : L"";
        if (unit == L" KB")
            return amount;
        if (unit == L" MB")
            return amount * 1024;
        if (unit == L" GB")
            return amount * 1024 * 1024;
    }
    return -1;
}

// Whether a program's manifest declares it DPI aware: Windows then lets it draw at the screen's DPI
// instead of stretching a picture drawn at 96 (Wine draws either kind at the set DPI, so the
// pictures alone cannot tell).
bool DeclaresDpiAware(const std::wstring& program)
{
    HMODULE image = LoadLibraryExW(program.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!image)
        return false;
    HRSRC resource = FindResourceW(image, MAKEINTRESOURCEW(1), reinterpret_cast<LPCWSTR>(RT_MANIFEST));
    HGLOBAL loaded = resource ? LoadResource(image, resource) : nullptr;
    const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const std::string manifest = text ? std::string(text, SizeofResource(image, resource)) : "";
    FreeLibrary(image);
    const size_t at = manifest.find("dpiAware");
    return at != std::string::npos && manifest.find(">true", at) == manifest.find('>', at);
}

// Leads Setup or the uninstaller through its pages as a user would. Each page, when it shows, is
// kept as the picture FOLDER\NAME-N-PAGE-DPIdpi.bmp (N: its place in `order`) and handed to
// `check`; then its default button (Next, Install, Uninstall, Finish, Close) is pressed by
// message. Returns the pages in the order they came, once the process has ended; `firstSize` is
// the window's size on the first page.
std::vector<Page> WalkPages(const PROCESS_INFORMATION& process, const std::string& folder,
                            const std::string& name, int dpi, const std::vector<Page>& order,
                            const std::function<void(Page, HWND window, HWND page)>& check, SIZE& firstSize)
{
    std::vector<Page> seen;
    HWND kept = nullptr;  // the last page looked at
    Page keptKind = Page::Unknown;
    HWND pressed = nullptr;  // the last page whose default button was pressed
    HWND reported = nullptr;  // the last message box reported
    int unknownLooks = 0;
    const ULONGLONG deadline = GetTickCount64() + 240000;
    // Looks every 10 ms, so that a page shown for a moment (the progress page) is seen.
    while (WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT) {
        if (GetTickCount64() > deadline) {
            ADD_FAILURE() << name << " is still running after 4 minutes";
            break;
        }
        Shown shown;
        shown.process = process.dwProcessId;
        EnumWindows(FindShown, reinterpret_cast<LPARAM>(&shown));
        if (shown.messageBox && shown.messageBox != reported) {
            reported = shown.messageBox;
            std::string texts;
            for (const std::wstring& text : TextsIn(shown.messageBox))
                texts += " [" + Narrow(text) + "]";
            ADD_FAILURE() << name << " showed a message:" << texts;
            PostMessageW(shown.messageBox, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        if (!shown.page)
            continue;
        if (shown.page != kept) {
            // A page is filled before it shows; a page not told apart at once gets a second look.
            const Page kind = KindOf(shown.page);
            if (kind == Page::Unknown && ++unknownLooks < 50)
                continue;
            unknownLooks = 0;
            kept = shown.page;
            keptKind = kind;
            seen.push_back(kind);
            SIZE size {};
            const std::vector<unsigned char> pixels = kind == Page::Progress
                                                              ? PixelsNow(shown.window, shown.page, size)
                                                              : DrawnPixels(shown.window, size);
            if (seen.size() == 1)
                firstSize = size;
            const auto place = std::find(order.begin(), order.end(), kind);
            const std::string path = folder + "\\" + name + "-" +
                                     std::to_string(place == order.end() ? 0 : place - order.begin() + 1) +
                                     "-" + NameOf(kind) + "-" + std::to_string(dpi) + "dpi.bmp";
            if (pixels.empty() && kind == Page::Progress) {
                // Installing may end before the page could be drawn and read: the next page then
                // stood in its place, and that is no fault of Setup.
                std::printf("%s: the progress page went before it could be kept\n", name.c_str());
            } else {
                EXPECT_FALSE(pixels.empty()) << name << "'s " << NameOf(kind) << " page was not drawn";
                EXPECT_TRUE(qmtest::SavePixels(pixels, size, path)) << path;
            }
            if (kind == Page::Unknown) {
                std::string texts;
                for (const std::wstring& text : TextsIn(shown.page))
                    texts += " [" + Narrow(text) + "]";
                ADD_FAILURE() << name << " showed a page of no known kind:" << texts;
            }
            check(kind, shown.window, shown.page);
        }
        // Setup enables Next on the progress page as installing ends and goes on to the finish page
        // by itself; a press then would reach the finish page and start the program. Only a last
        // progress page (the uninstaller's) waits for its Close.
        const HWND next = GetDlgItem(shown.window, IDOK);
        if (shown.page == pressed || !next || !IsWindowEnabled(next) || !IsWindowVisible(next) ||
            (keptKind == Page::Progress && order.back() != Page::Progress))
            continue;
        // Finish would start the program: its box is unticked first, as a user may.
        for (HWND child : Descendants(shown.page))
            if (ClassOf(child) == L"Button" && TextOf(child).rfind(L"Start Quillmere", 0) == 0)
                SendMessageW(child, BM_SETCHECK, BST_UNCHECKED, 0);
        pressed = shown.page;
        PostMessageW(shown.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(next));
    }
    return seen;
}

std::string Names(const std::vector<Page>& pages)
{
    std::string names;
    for (Page page : pages)
        names += std::string(names.empty() ? "" : ", ") + NameOf(page);
    return names;
}

// Waits for a process to end, ending it when it does not: true when it ended by itself.
bool Ended(const PROCESS_INFORMATION& process)
{
    const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 20000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

}  // namespace

// Every page of Setup and of the uninstaller at 96 and 144 DPI, walked as a user would press
// Next: each page is kept as a picture in the build's screenshots folder once the screen shows it
// drawn, every page bears the program's name and version where the branding goes, the components
// pages' names and texts fit their controls (measured with the pages' font) and say how much
// space the program takes, and at 144 DPI the pages are drawn larger.
TEST_F(Installer, EveryPageOfSetupAndTheUninstallerIsKeptAsAPictureAtTwoScalesWithItsTextsWhole)
{
    const std::string folder = Env(L"QM_SCREENSHOT_DIR");
    ASSERT_FALSE(folder.empty()) << "QM_SCREENSHOT_DIR is not set";
    CreateDirectoryA(folder.c_str(), nullptr);
    BOOL ownWow = FALSE;
    IsWow64Process(GetCurrentProcess(), &ownWow);
    const std::wstring branding = L"Quillmere " + Widen(QM_VERSION_TEXT);
    EXPECT_TRUE(DeclaresDpiAware(Widen(setup_)));
    StartDpi startDpi;
    SIZE setupSize[2] {}, uninstallerSize[2] {};
    for (const int dpi : {96, 144}) {
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        ASSERT_TRUE(startDpi.Set(static_cast<DWORD>(dpi)));
        const bool large = dpi != 96;

        // What every page shows, and the components page's entries against the page's font.
        HANDLE process = nullptr;
        HFONT font = nullptr;
        const auto check = [&](Page kind, HWND window, HWND page) {
            bool branded = false;
            for (const std::wstring& text : TextsIn(window)) {
                EXPECT_TRUE(text.find(L"Nullsoft") == std::wstring::npos)
                        << NameOf(kind) << ": " << Narrow(text);
                // The branding line may carry spaces after its text.
                branded = branded || text.substr(0, text.find_last_not_of(L' ') + 1) == branding;
            }
            EXPECT_TRUE(branded) << NameOf(kind) << " page: no \"" << Narrow(branding) << "\"";
            if (kind != Page::Components)
                return;
            EXPECT_GE(SpaceRequiredKb(page), 1024.0)
                    << "the components page shows no size of a megabyte or more";
            ASSERT_NE(font, nullptr) << "the dialogs name no font";
            BOOL otherWow = FALSE;
            IsWow64Process(process, &otherWow);
            ASSERT_EQ(otherWow, ownWow) << "Setup and this test must be of one kind (32 or 64-bit) to read "
                                           "the component list";
            EXPECT_EQ(CutTexts(page, process, font), std::vector<std::string> {});
        };

        std::wstring line = L"\"" + Widen(setup_) + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION setup = {};
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &setup));
        process = setup.hProcess;
        font = PageFont(Widen(setup_), dpi);
        const std::vector<Page> setupOrder {Page::Welcome, Page::Components, Page::Folder, Page::Progress,
                                            Page::Finish};
        std::vector<Page> seen =
                WalkPages(setup, folder, "installer", dpi, setupOrder, check, setupSize[large]);
        EXPECT_TRUE(Ended(setup)) << "Setup did not end after the pages " << Names(seen);
        if (font)
            DeleteObject(font);
        // Installing may end before the walk sees the progress page: it is then missing, and only then.
        if (std::find(seen.begin(), seen.end(), Page::Progress) == seen.end())
            seen.insert(seen.begin() + std::min<size_t>(seen.size(), 3), Page::Progress);
        EXPECT_EQ(Names(seen), Names(setupOrder));
        ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

        // The uninstaller in its folder (not from a copy in the temporary folder, as the Uninstall
        // key's command does), so that the process waited for is the one that shows the pages.
        const std::string uninstaller = programFolder_ + "\\uninstall.exe";
        line = Widen("\"" + uninstaller + "\" _?=" + programFolder_);
        PROCESS_INFORMATION uninstall = {};
        EXPECT_TRUE(DeclaresDpiAware(Widen(uninstaller)));
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &uninstall));
        process = uninstall.hProcess;
        font = PageFont(Widen(uninstaller), dpi);
        const std::vector<Page> uninstallOrder {Page::Confirm, Page::Components, Page::Progress};
        seen = WalkPages(uninstall, folder, "uninstaller", dpi, uninstallOrder, check,
                         uninstallerSize[large]);
        EXPECT_TRUE(Ended(uninstall)) << "the uninstaller did not end after the pages " << Names(seen);
        if (font)
            DeleteObject(font);
        EXPECT_EQ(Names(seen), Names(uninstallOrder));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        // Run from its folder, the uninstaller could not remove its own file and so the folder.
        EXPECT_TRUE(WaitFor([](const std::string& path) { return DeleteFileA(path.c_str()) || Gone(path); },
                            uninstaller, 20000));
        EXPECT_TRUE(RemoveDirectoryA(programFolder_.c_str())) << programFolder_;
    }
    // At 144 DPI the pages are drawn at half as large again (dialog units follow the font).
    for (const SIZE* size : {setupSize, uninstallerSize}) {
        EXPECT_GT(size[0].cx, 0);
        EXPECT_GE(size[1].cx * 100, size[0].cx * 135) << size[1].cx << " against " << size[0].cx;
        EXPECT_GE(size[1].cy * 100, size[0].cy * 135) << size[1].cy << " against " << size[0].cy;
    }
}
